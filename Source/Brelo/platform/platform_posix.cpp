// The platform layer on POSIX (Linux). Where it departs from the Windows layer:
// - paths are joined with '/';
// - a converter's command line is cut into arguments here, with the C runtime's rules, and the
//   program is looked up as Windows would (beside the running program first, then along PATH,
//   no ".exe" added);
// - events are eventfd counters, private to the process; the stop event has no name;
// - a folder lock is a name in the abstract UNIX socket namespace rather than a named mutex
//   (folder_lock_posix.cpp);
// - a converter's group is a process group rather than a job object;
// - old settings files are read as Windows-1252, there being no system code page to ask, and a
//   converter's console text is kept as the bytes it wrote.
#include "platform/platform.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <spawn.h>
#include <sys/eventfd.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/command_line.h"

extern char** environ;

// ---- Files and directories ----------------------------------------------------------------

bool is_directory(const std::string& path) {
    struct stat info;
    return !path.empty() && stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool path_exists(const std::string& path) {
    struct stat info;
    return !path.empty() && stat(path.c_str(), &info) == 0;
}

bool make_directory(const std::string& path) { return mkdir(path.c_str(), 0777) == 0; }

bool file_modified_time(const std::string& path, long long& time) {
    struct stat info;
    if (stat(path.c_str(), &info) != 0) return false;
    time = static_cast<long long>(info.st_mtim.tv_sec) * 1000000000LL + info.st_mtim.tv_nsec;
    return true;
}

FileKind file_kind(const std::string& path) {
    struct stat info;
    if (stat(path.c_str(), &info) != 0) return FileKind::Missing;
    if (S_ISDIR(info.st_mode)) return FileKind::Directory;
    if (!S_ISREG(info.st_mode)) return FileKind::Other;
    const int file = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (file < 0) return FileKind::Unreadable;
    close(file);
    return FileKind::Readable;
}

bool list_directory(const std::string& dir, const std::function<bool(const DirEntry&)>& visit) {
    DIR* handle = opendir(dir.c_str());
    if (!handle) return false;
    while (dirent* entry = readdir(handle)) {
        DirEntry item;
        item.name = entry->d_name;
        if (entry->d_type == DT_DIR) {
            item.is_directory = true;
        } else if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
            // A link to a directory counts as one, as a directory junction does on Windows.
            item.is_directory = is_directory(dir + "/" + item.name);
        }
        if (!visit(item)) break;
    }
    closedir(handle);
    return true;
}

bool operator==(const FolderId& a, const FolderId& b) {
    return a.device == b.device && a.file == b.file;
}

bool operator<(const FolderId& a, const FolderId& b) {
    return a.device != b.device ? a.device < b.device : a.file < b.file;
}

bool folder_identity(const std::string& path, FolderId& id) {
    struct stat info;
    if (stat(path.c_str(), &info) != 0) return false;
    id.device = static_cast<unsigned long long>(info.st_dev);
    id.file = static_cast<unsigned long long>(info.st_ino);
    return true;
}

namespace {

std::string current_directory() {
    std::vector<char> buffer(4096);
    for (;;) {
        if (getcwd(buffer.data(), buffer.size())) return buffer.data();
        if (errno != ERANGE) return std::string();
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace

bool is_absolute_path(const std::string& path) { return !path.empty() && path[0] == '/'; }

std::string absolute_path(const std::string& path) {
    if (path.empty()) return path;
    const std::string full = path[0] == '/' ? path : current_directory() + "/" + path;
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= full.size()) {
        std::size_t end = full.find('/', start);
        if (end == std::string::npos) end = full.size();
        const std::string part = full.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    std::string result;
    for (const std::string& part : parts) result += "/" + part;
    return result.empty() ? "/" : result;
}

bool file_state(const std::string& path, FileState& state) {
    struct stat info;
    if (stat(path.c_str(), &info) != 0 || S_ISDIR(info.st_mode)) return false;
    state.modified =
        static_cast<long long>(info.st_mtim.tv_sec) * 1000000000LL + info.st_mtim.tv_nsec;
    state.size = static_cast<long long>(info.st_size);
    return true;
}

bool set_file_modified_time(const std::string& path, long long time) {
    long long seconds = time / 1000000000LL;
    long long nanoseconds = time % 1000000000LL;
    if (nanoseconds < 0) {
        nanoseconds += 1000000000LL;
        --seconds;
    }
    struct timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;  // the last access stays as it is
    times[1].tv_sec = static_cast<time_t>(seconds);
    times[1].tv_nsec = static_cast<long>(nanoseconds);
    return utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
}

std::string path_compare_key(const std::string& path) { return path; }

bool paths_equal(const std::string& a, const std::string& b) { return a == b; }

// ---- Temporary files ----------------------------------------------------------------------

struct TemporaryFile {
    int fd = -1;
    bool reading = false;  // the last call read; a write goes to the end again
};

std::string temporary_directory() {
    const char* named = std::getenv("TMPDIR");
    std::string dir = named && *named && is_directory(named) ? named : "/tmp";
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    return dir;
}

TemporaryFile* create_temporary_file(const std::string& directory) {
    std::string name = directory + "/brelo-XXXXXX";
    const int fd = mkostemp(&name[0], O_CLOEXEC);
    if (fd < 0) return nullptr;
    // Without a name it cannot be left behind, however the process ends.
    unlink(name.c_str());
    return new TemporaryFile{fd};
}

std::size_t write_temporary_file(TemporaryFile& file, const char* data, std::size_t length) {
    if (file.reading) {
        if (lseek(file.fd, 0, SEEK_END) < 0) return 0;
        file.reading = false;
    }
    std::size_t written = 0;
    while (written < length) {
        const ssize_t count = write(file.fd, data + written, length - written);
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) break;
        written += static_cast<std::size_t>(count);
    }
    return written;
}

std::size_t read_temporary_file(TemporaryFile& file, char* buffer, std::size_t capacity) {
    if (!file.reading) {
        if (lseek(file.fd, 0, SEEK_SET) < 0) return 0;
        file.reading = true;
    }
    for (;;) {
        const ssize_t count = read(file.fd, buffer, capacity);
        if (count < 0 && errno == EINTR) continue;
        return count > 0 ? static_cast<std::size_t>(count) : 0;
    }
}

void close_temporary_file(TemporaryFile* file) {
    if (!file) return;
    close(file->fd);
    delete file;
}

// ---- Events -------------------------------------------------------------------------------

// The counter is non-zero while the event is set; reading it back to zero resets it.
struct Event {
    int fd = -1;
};

Event* create_event(const std::string&) {
    int fd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (fd < 0) return nullptr;
    return new Event{fd};
}

void set_event(Event& event) {
    const std::uint64_t one = 1;
    while (write(event.fd, &one, sizeof one) < 0 && errno == EINTR) {
    }
}

void reset_event(Event& event) {
    std::uint64_t value;
    while (read(event.fd, &value, sizeof value) < 0 && errno == EINTR) {
    }
}

bool is_event_set(Event& event) { return wait_for_events(event, nullptr, 0) == 0; }

int wait_for_events(Event& first, Event* second, int timeout_ms) {
    pollfd fds[2] = {{first.fd, POLLIN, 0}, {second ? second->fd : -1, POLLIN, 0}};
    for (;;) {
        int ready = poll(fds, second ? 2 : 1, timeout_ms < 0 ? -1 : timeout_ms);
        if (ready < 0 && errno == EINTR) continue;  // a signal; the time-out starts over
        if (ready <= 0) return -1;
        if (fds[0].revents & POLLIN) return 0;
        if (second && (fds[1].revents & POLLIN)) return 1;
        return -1;
    }
}

void close_event(Event* event) {
    if (!event) return;
    close(event->fd);
    delete event;
}

// ---- Threads ------------------------------------------------------------------------------

namespace {

void* run_thread_body(void* argument) {
    auto* body = static_cast<std::function<void()>*>(argument);
    (*body)();
    delete body;
    return nullptr;
}

}  // namespace

bool start_detached_thread(std::function<void()> body) {
    auto* heap_body = new std::function<void()>(std::move(body));
    pthread_t thread;
    if (pthread_create(&thread, nullptr, run_thread_body, heap_body) != 0) {
        delete heap_body;
        return false;
    }
    pthread_detach(thread);
    return true;
}

// ---- Child processes ----------------------------------------------------------------------

struct ChildProcess {
    pid_t pid = -1;  // also the id of the child's process group
    int output = -1;  // read end of the output pipe
    // Set once the group has been ended: whatever still holds the pipe has left the group (a
    // new session of its own), and its output is no longer waited for.
    int abandoned = -1;
    int reads_left = 64;  // chunks still taken from the pipe once abandoned
    // Readable once the child process has ended (a pidfd); -1 where the system has none, and
    // the end is then looked for at every drain_check_ms.
    int exited = -1;
    bool ended = false;  // the child process itself has ended
    std::chrono::steady_clock::time_point ended_at;
};

namespace {

// Closes every descriptor in the list that is open, and marks it closed.
void close_all(std::initializer_list<int*> fds) {
    for (int* fd : fds) {
        if (*fd >= 0) close(*fd);
        *fd = -1;
    }
}

std::string running_program_directory() {
    char buffer[PATH_MAX];
    ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length <= 0) return std::string();
    std::string path(buffer, static_cast<std::size_t>(length));
    return path.substr(0, path.rfind('/'));
}

bool is_executable_file(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           access(path.c_str(), X_OK) == 0;
}

// The program file a name stands for, as an absolute path (the child changes
// its directory before the program is loaded, so a relative path would be looked up from the
// wrong place). Empty when there is none.
std::string find_program(const std::string& name) {
    if (name.empty()) return std::string();
    if (name.find('/') != std::string::npos) {
        std::string path = name;
        if (name[0] != '/') {
            char cwd[PATH_MAX];
            if (!getcwd(cwd, sizeof cwd)) return std::string();
            path = std::string(cwd) + "/" + name;
        }
        return is_executable_file(path) ? path : std::string();
    }
    std::string beside = running_program_directory() + "/" + name;
    if (is_executable_file(beside)) return beside;
    const char* search = std::getenv("PATH");
    std::string rest = search ? search : "";
    std::size_t start = 0;
    while (start <= rest.size()) {
        std::size_t end = rest.find(':', start);
        if (end == std::string::npos) end = rest.size();
        std::string dir = rest.substr(start, end - start);
        if (!dir.empty()) {
            std::string candidate = dir + "/" + name;
            if (is_executable_file(candidate)) return candidate;
        }
        start = end + 1;
    }
    return std::string();
}

// For a first word that names no program: the program path may hold blanks that nobody quoted.
// As Windows does, ever longer prefixes of the line that end before a blank are tried, then the
// whole line: "/opt/My Tools/conv in" tries "/opt/My Tools/conv" after "/opt/My". The prefix
// found becomes the program's own name and the rest of the line its arguments, so the converter
// gets the arguments it was meant to get. Empty when no prefix names a program.
std::string find_program_with_blanks(const std::string& command_line,
                                     std::vector<std::string>& args) {
    if (command_line.empty() || command_line[0] == '"') return std::string();
    for (std::size_t blank = command_line.find_first_of(" \t"); blank != std::string::npos;
         blank = command_line.find_first_of(" \t", blank + 1)) {
        std::string prefix = command_line.substr(0, blank);
        std::string program = find_program(prefix);
        if (program.empty()) continue;
        // Any word stands in for the program name while the rest is split.
        args = split_command_line("x" + command_line.substr(blank));
        args[0] = prefix;
        return program;
    }
    std::string program = find_program(command_line);
    if (!program.empty()) args = {command_line};
    return program;
}

// Starts the program with the arguments, its standard handles and working directory set, in a
// process group of its own. posix_spawn reports a failure of any of these steps, including
// the program's load, before it returns, so no output of the child is needed to judge it.
bool spawn(const std::string& program, const std::vector<std::string>& args,
           const std::string& work_dir, int input, int output, pid_t& pid) {
    std::vector<char*> argv;
    for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    if (posix_spawn_file_actions_init(&actions) != 0) return false;
    if (posix_spawnattr_init(&attributes) != 0) {
        posix_spawn_file_actions_destroy(&actions);
        return false;
    }
    sigset_t no_signals, all_signals;
    sigemptyset(&no_signals);
    sigfillset(&all_signals);
    // Every pipe end is close-on-exec, so the child keeps exactly the three it is given.
    bool ready = posix_spawn_file_actions_adddup2(&actions, input, 0) == 0 &&
                 posix_spawn_file_actions_adddup2(&actions, output, 1) == 0 &&
                 posix_spawn_file_actions_adddup2(&actions, output, 2) == 0 &&
                 posix_spawn_file_actions_addchdir_np(&actions, work_dir.c_str()) == 0 &&
                 posix_spawnattr_setpgroup(&attributes, 0) == 0 &&
                 posix_spawnattr_setsigmask(&attributes, &no_signals) == 0 &&
                 posix_spawnattr_setsigdefault(&attributes, &all_signals) == 0 &&
                 posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP |
                                                           POSIX_SPAWN_SETSIGMASK |
                                                           POSIX_SPAWN_SETSIGDEF) == 0;
    bool started = ready && posix_spawn(&pid, program.c_str(), &actions, &attributes,
                                        argv.data(), environ) == 0;
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    return started;
}

}  // namespace

namespace {

// The step the next start fails at, for tests; Started for none.
std::atomic<StartResult> next_start_failure{StartResult::Started};

// True once, for the step a test asked to fail.
bool start_fails_at(StartResult step) {
    StartResult expected = step;
    return next_start_failure.compare_exchange_strong(expected, StartResult::Started);
}

}  // namespace

void fail_next_start(StartResult step) { next_start_failure = step; }

namespace {

// The process groups of the children still open, for end_all_child_process_trees, which may run
// in a signal handler: slots are claimed and cleared with atomic operations only.
constexpr std::size_t group_slots = 1024;
std::atomic<pid_t> open_groups[group_slots];

void remember_group(pid_t group) {
    for (auto& slot : open_groups) {
        pid_t free_slot = 0;
        if (slot.compare_exchange_strong(free_slot, group)) return;
    }
}

void forget_group(pid_t group) {
    for (auto& slot : open_groups) {
        pid_t expected = group;
        if (slot.compare_exchange_strong(expected, 0)) return;
    }
}

// Without a pidfd the child's end is looked for this often while its output is waited for.
constexpr int drain_check_ms = 100;

int open_pidfd(pid_t pid) {
#ifdef SYS_pidfd_open
    const long fd = syscall(SYS_pidfd_open, pid, 0);
    if (fd >= 0) {
        fcntl(static_cast<int>(fd), F_SETFD, FD_CLOEXEC);
        return static_cast<int>(fd);
    }
#else
    (void)pid;
#endif
    return -1;
}

// True once the child process has ended; it stays unreaped.
bool child_has_ended(pid_t pid) {
    siginfo_t info{};
    int result;
    while ((result = waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT)) !=
               0 &&
           errno == EINTR) {
    }
    return result != 0 || info.si_pid != 0;
}

}  // namespace

StartResult start_child_process(const std::string& command_line, const std::string& work_dir,
                                ChildProcess*& child) {
    child = nullptr;
    int output[2];
    if (start_fails_at(StartResult::OutputPipeFailed) || pipe2(output, O_CLOEXEC) != 0) {
        return StartResult::OutputPipeFailed;
    }
    int input[2];
    if (start_fails_at(StartResult::InputPipeFailed) || pipe2(input, O_CLOEXEC) != 0) {
        close_all({&output[0], &output[1]});
        return StartResult::InputPipeFailed;
    }

    std::vector<std::string> args = split_command_line(command_line);
    std::string program = find_program(args[0]);
    if (program.empty()) program = find_program_with_blanks(command_line, args);
    pid_t pid = -1;
    // A working directory is refused as Windows refuses it: empty, or not a directory.
    if (start_fails_at(StartResult::ProcessFailed) || program.empty() || !is_directory(work_dir) ||
        !spawn(program, args, work_dir, input[0], output[1], pid)) {
        close_all({&output[0], &output[1], &input[0], &input[1]});
        return StartResult::ProcessFailed;
    }

    // Our copy of the output's write end goes first: the read loop sees the end of the output
    // only when no process holds that end any more. Closing the input's write end at once lets
    // a converter that reads its standard input see its end instead of waiting for ever.
    close_all({&output[1], &input[0], &input[1]});
    child = new ChildProcess;
    child->pid = pid;
    child->output = output[0];
    child->abandoned = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    child->exited = open_pidfd(pid);
    remember_group(pid);
    return StartResult::Started;
}

bool read_child_output(ChildProcess& child, char* buffer, std::size_t capacity,
                       std::size_t& count) {
    using clock = std::chrono::steady_clock;
    count = 0;
    for (;;) {
        // Once the child has ended, what it left behind is waited for only so long.
        int timeout = -1;
        if (child.ended) {
            const auto since_end = std::chrono::duration_cast<std::chrono::milliseconds>(
                                       clock::now() - child.ended_at)
                                       .count();
            const long long left = output_drain_total_ms - since_end;
            if (left <= 0) return false;
            timeout = static_cast<int>(std::min<long long>(left, output_drain_quiet_ms));
        } else if (child.exited < 0) {
            timeout = drain_check_ms;
        }
        pollfd fds[3] = {{child.output, POLLIN, 0}, {child.abandoned, POLLIN, 0},
                         {child.ended ? -1 : child.exited, POLLIN, 0}};
        const int ready = poll(fds, 3, timeout);
        if (ready < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (ready == 0) {
            if (child.ended) return false;  // quiet for the whole drain time
        }
        if (!child.ended && ((fds[2].revents & POLLIN) ||
                             (child.exited < 0 && ready == 0 && child_has_ended(child.pid)))) {
            child.ended = true;
            child.ended_at = clock::now();
        }
        if (fds[1].revents & POLLIN) {
            // What the ended group wrote last is still taken, but no more than a bounded amount
            // and never by waiting.
            if (child.reads_left-- <= 0) return false;
            if (poll(fds, 1, 0) <= 0 || !(fds[0].revents & (POLLIN | POLLHUP))) return false;
        } else if (!(fds[0].revents & (POLLIN | POLLHUP | POLLERR))) {
            continue;
        }
        ssize_t got = read(child.output, buffer, capacity);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        count = static_cast<std::size_t>(got);
        return true;
    }
}

ChildExit wait_child_process(ChildProcess& child) {
    // WNOWAIT leaves the ended child unreaped, so its id, and with it the group's, cannot be
    // given to another process before close_child_process.
    siginfo_t info{};
    int result;
    while ((result = waitid(P_PID, static_cast<id_t>(child.pid), &info, WEXITED | WNOWAIT)) != 0 &&
           errno == EINTR) {
    }
    ChildExit exit;
    if (result != 0) return exit;
    exit.known = true;
    exit.by_signal = info.si_code == CLD_KILLED || info.si_code == CLD_DUMPED;
    exit.code = static_cast<unsigned long>(info.si_status);
    return exit;
}

void ask_child_process_tree_to_end(ChildProcess& child) { kill(-child.pid, SIGTERM); }

void end_child_process_tree(ChildProcess& child) {
    kill(-child.pid, SIGKILL);
    if (child.abandoned >= 0) {
        const std::uint64_t one = 1;
        while (write(child.abandoned, &one, sizeof one) < 0 && errno == EINTR) {
        }
    }
}

void close_child_process(ChildProcess* child) {
    if (!child) return;
    // The child is not reaped yet, so its group's number still names its group alone.
    kill(-child->pid, SIGKILL);
    forget_group(child->pid);
    close_all({&child->output, &child->abandoned, &child->exited});
    int status;
    while (waitpid(child->pid, &status, 0) < 0 && errno == EINTR) {
    }
    delete child;
}

void end_all_child_process_trees() {
    for (auto& slot : open_groups) {
        const pid_t group = slot.load();
        if (group > 0) kill(-group, SIGKILL);
    }
}

bool share_hidden_console() { return true; }

// ---- Text ---------------------------------------------------------------------------------

namespace {

// Windows-1252 from 0x80 to 0x9F; the five bytes it leaves undefined keep their own numbers,
// as MultiByteToWideChar maps them. From 0xA0 on the code page agrees with Latin-1.
constexpr char16_t cp1252_high[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

}  // namespace

std::string ansi_to_utf8(const std::string& text) {
    std::string utf8;
    utf8.reserve(text.size() + text.size() / 2);
    for (char c : text) {
        const unsigned char byte = static_cast<unsigned char>(c);
        const char16_t code = byte >= 0x80 && byte < 0xA0 ? cp1252_high[byte - 0x80] : byte;
        if (code < 0x80) {
            utf8 += static_cast<char>(code);
        } else if (code < 0x800) {
            utf8 += static_cast<char>(0xC0 | (code >> 6));
            utf8 += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            utf8 += static_cast<char>(0xE0 | (code >> 12));
            utf8 += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            utf8 += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    return utf8;
}

// A converter writes bytes and the log keeps them: there is no code page to read them in.
unsigned console_code_page() { return 0; }

bool is_lead_byte(unsigned, unsigned char) { return false; }

std::string code_page_to_utf8(unsigned, const std::string& bytes) { return bytes; }
