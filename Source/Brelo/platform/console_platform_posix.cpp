// The console's operating-system needs on POSIX. Ctrl+C arrives as SIGINT; a request to end
// (SIGTERM) and the terminal's hang-up (SIGHUP) are taken as Stop too, so that the converter
// running then is never left behind on its own. A write to a pipe nobody reads fails instead of
// ending the process (SIGPIPE is ignored), and a signal that ends the process all the same takes
// the converters' groups with it.
#include "platform/console_platform.h"

#include <cerrno>
#include <csignal>
#include <vector>

#include <unistd.h>

#include "platform/platform.h"

namespace {

Event* interrupt_stop = nullptr;

// The stop event is an eventfd, and setting it is a single write(), which a signal handler may
// make. The handler sets it before the interrupted read of the converter's output goes on, so
// the walk sees the stop at its very next poll.
void on_interrupt(int) {
    const int saved_errno = errno;
    if (interrupt_stop) set_event(*interrupt_stop);
    errno = saved_errno;
}

// The signals that end the process (and can be caught) besides those taken as Stop.
constexpr int fatal_signals[] = {SIGQUIT, SIGABRT, SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGALRM,
                                 SIGUSR1, SIGUSR2, SIGXCPU, SIGXFSZ, SIGVTALRM, SIGPROF};

// The converters go first, then the process ends as the signal meant it to.
void on_fatal_signal(int signal) {
    end_all_child_process_trees();
    ::signal(signal, SIG_DFL);
    raise(signal);
}

}  // namespace

bool change_directory(const std::string& dir) { return chdir(dir.c_str()) == 0; }

bool error_is_terminal() { return isatty(STDERR_FILENO) != 0; }

bool output_is_terminal() { return isatty(STDOUT_FILENO) != 0; }

void use_binary_output() {}

void use_utf8_output() {}

bool stop_on_interrupt(Event& stop) {
    interrupt_stop = &stop;
    struct sigaction action = {};
    action.sa_handler = on_interrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        // A signal ignored from the start stays ignored: whoever started the program that way
        // (nohup for SIGHUP, a shell's background job for SIGINT) meant the run to go on.
        struct sigaction current = {};
        if (sigaction(signal, nullptr, &current) != 0) return false;
        if (current.sa_handler == SIG_IGN) continue;
        if (sigaction(signal, &action, nullptr) != 0) return false;
    }
    // A reader that went away shows as a failed write, which stops the run.
    ::signal(SIGPIPE, SIG_IGN);
    struct sigaction fatal = {};
    fatal.sa_handler = on_fatal_signal;
    sigemptyset(&fatal.sa_mask);
    fatal.sa_flags = SA_RESETHAND;
    for (int signal : fatal_signals) {
        struct sigaction current = {};
        if (sigaction(signal, nullptr, &current) != 0 || current.sa_handler == SIG_IGN) continue;
        sigaction(signal, &fatal, nullptr);
    }
    return true;
}

void deliver_interrupt() { raise(SIGINT); }
