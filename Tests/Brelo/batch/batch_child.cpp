// A converter for brelo-batch's tests that presses Ctrl+C on the program that started it.
//   interrupt       sends the interrupt, writes "interrupted\n" and ends
//   interrupt-hang  sends the interrupt, writes "hanging\n" and never ends by itself
//   terminate       (POSIX) asks the program to end with SIGTERM, writes "terminated\n", ends
//   hang-up         (POSIX) sends the program SIGHUP, writes "hung up\n", ends
// Further arguments (the input and output paths) are ignored.
#include <cstdio>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#else
#include <csignal>
#include <unistd.h>
#endif

namespace {

void interrupt_parent() {
#ifdef _WIN32
    // Every process of the console gets it; this one ignores it.
    SetConsoleCtrlHandler(nullptr, TRUE);
    GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0);
#else
    kill(getppid(), SIGINT);
#endif
}

[[noreturn]] void wait_for_ever() {
    for (;;) {
#ifdef _WIN32
        Sleep(INFINITE);
#else
        pause();
#endif
    }
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc < 2) return 1;
    if (std::strcmp(argv[1], "interrupt") == 0) {
        interrupt_parent();
        std::fputs("interrupted\n", stdout);
        return 0;
    }
#ifndef _WIN32
    if (std::strcmp(argv[1], "terminate") == 0) {
        kill(getppid(), SIGTERM);
        std::fputs("terminated\n", stdout);
        return 0;
    }
    if (std::strcmp(argv[1], "hang-up") == 0) {
        kill(getppid(), SIGHUP);
        std::fputs("hung up\n", stdout);
        return 0;
    }
#endif
    if (std::strcmp(argv[1], "interrupt-hang") == 0) {
        interrupt_parent();
        std::fputs("hanging\n", stdout);
        std::fflush(stdout);
        wait_for_ever();
    }
    return 1;
}
