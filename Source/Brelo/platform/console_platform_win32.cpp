// The console's operating-system needs on Windows. Ctrl+C and Ctrl+Break arrive on a thread of
// their own, through the console control handler.
#include "platform/console_platform.h"

#include <cstdio>

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include "platform/platform.h"

namespace {

Event* interrupt_stop = nullptr;

BOOL WINAPI on_console_control(DWORD type) {
    if (type != CTRL_C_EVENT && type != CTRL_BREAK_EVENT) return FALSE;
    if (interrupt_stop) set_event(*interrupt_stop);
    return TRUE;  // handled: the process goes on and ends its run itself
}

}  // namespace

bool change_directory(const std::string& dir) { return SetCurrentDirectoryA(dir.c_str()) != 0; }

bool error_is_terminal() { return _isatty(_fileno(stderr)) != 0; }

void use_binary_output() {
    std::fflush(stdout);
    std::fflush(stderr);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
}

bool stop_on_interrupt(Event& stop) {
    interrupt_stop = &stop;
    return SetConsoleCtrlHandler(on_console_control, TRUE) != 0;
}

void deliver_interrupt() { on_console_control(CTRL_C_EVENT); }
