// The console's operating-system needs on Windows. Ctrl+C and Ctrl+Break arrive on a thread of
// their own, through the console control handler; text reaches a console as UTF-16.
#include "platform/console_platform.h"

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <streambuf>
#include <string>

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include "platform/platform.h"
#include "Common/wide_text.h"

namespace {

Event* interrupt_stop = nullptr;

BOOL WINAPI on_console_control(DWORD type) {
    if (type != CTRL_C_EVENT && type != CTRL_BREAK_EVENT) return FALSE;
    if (interrupt_stop) set_event(*interrupt_stop);
    return TRUE;  // handled: the process goes on and ends its run itself
}

// A stream's bytes, taken as UTF-8, shown on a console with WriteConsoleW: a console given bytes
// would read them in its own code page. The text is written at each flush (and when much has
// gathered); the start of a character whose end has not come yet waits for the next write.
class ConsoleBuffer : public std::streambuf {
public:
    explicit ConsoleBuffer(HANDLE console) : console_(console) {}

protected:
    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof())) {
            return sync() == 0 ? traits_type::not_eof(c) : traits_type::eof();
        }
        pending_ += traits_type::to_char_type(c);
        return gathered() ? c : traits_type::eof();
    }

    std::streamsize xsputn(const char* text, std::streamsize count) override {
        pending_.append(text, static_cast<std::size_t>(count));
        return gathered() ? count : 0;
    }

    int sync() override {
        const std::size_t whole = utf8_whole_length(pending_);
        const std::wstring wide = utf8_to_wide(std::string_view(pending_).substr(0, whole));
        pending_.erase(0, whole);
        std::size_t done = 0;
        while (done < wide.size()) {
            // Consoles of older systems refuse very long writes; a piece at a time suits all.
            const DWORD piece = static_cast<DWORD>(std::min<std::size_t>(wide.size() - done, 8192));
            DWORD written = 0;
            if (!WriteConsoleW(console_, wide.data() + done, piece, &written, nullptr) ||
                written == 0)
                return -1;
            done += written;
        }
        return 0;
    }

private:
    // Writes out once enough has gathered; false when that write failed.
    bool gathered() { return pending_.size() < 16384 || sync() == 0; }

    HANDLE console_;
    std::string pending_;
};

// The stream's buffer is swapped for a console's when the stream is one. The buffer is never
// freed: the runtime flushes the standard streams at the very end of the process.
void show_on_console(std::ostream& stream, DWORD which) {
    HANDLE handle = GetStdHandle(which);
    DWORD mode = 0;
    if (handle == INVALID_HANDLE_VALUE || handle == nullptr || !GetConsoleMode(handle, &mode))
        return;
    stream.flush();
    stream.rdbuf(new ConsoleBuffer(handle));
}

}  // namespace

bool change_directory(const std::string& dir) {
    return SetCurrentDirectoryW(utf8_to_wide(dir).c_str()) != 0;
}

bool error_is_terminal() { return _isatty(_fileno(stderr)) != 0; }

bool output_is_terminal() { return _isatty(_fileno(stdout)) != 0; }

void use_binary_output() {
    std::fflush(stdout);
    std::fflush(stderr);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
}

void use_utf8_output() {
    show_on_console(std::cout, STD_OUTPUT_HANDLE);
    show_on_console(std::cerr, STD_ERROR_HANDLE);
}

bool stop_on_interrupt(Event& stop) {
    interrupt_stop = &stop;
    return SetConsoleCtrlHandler(on_console_control, TRUE) != 0;
}

void deliver_interrupt() { on_console_control(CTRL_C_EVENT); }
