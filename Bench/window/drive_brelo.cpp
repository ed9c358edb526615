// Times one run of brelo's window from outside: starts brelo.exe, waits for its main window,
// presses Run, waits until the button reads "Run" again, then closes the window. brelo runs
// with the BRELO.ini beside it, so the caller sets the fields and the converter there.
// Usage: drive_brelo BRELO_EXE [LOG_FILE]
// With LOG_FILE, the log box's whole text is written there after the run. Prints
// "press S end S run S" (wall clock, seconds since 1970, and the run's length) and the
// log's total line; exits with 1 when the window never showed up or the run ended without one.
#include <cstdio>
#include <string>

#include <windows.h>

#include "bench_clock.h"
#include "ui/resource.h"

namespace {

constexpr const char* main_caption = "Brelo File Converter V1.1.1 by Ravo";
constexpr const char* dialog_class = "#32770";
constexpr const char* run_text = "Run";
constexpr const char* stop_text = "Stop";
constexpr const char* total_text = "Total ";
constexpr DWORD start_limit_ms = 120000;
// The label is read without a message to brelo's thread; a poll costs brelo nothing.
constexpr DWORD poll_ms = 10;
// Should the label turn to Stop only after Run has returned, it is given this long to do so.
constexpr DWORD stop_label_limit_ms = 5000;

std::string folder_of(const std::string& path) {
    const std::string::size_type slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

HWND find_main_window(DWORD process_id) {
    const DWORD deadline = GetTickCount() + start_limit_ms;
    while (GetTickCount() < deadline) {
        HWND window = nullptr;
        while ((window = FindWindowExA(nullptr, window, dialog_class, main_caption))) {
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == process_id) return window;
        }
        Sleep(50);
    }
    return nullptr;
}

std::string window_text(HWND window) {
    char buffer[64] = {};
    GetWindowTextA(window, buffer, sizeof buffer);
    return buffer;
}

// The log is read once, after the run: WM_GETTEXT crosses into brelo's process.
std::string log_text(HWND log) {
    const LRESULT length = SendMessageA(log, WM_GETTEXTLENGTH, 0, 0);
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    const LRESULT got = SendMessageA(log, WM_GETTEXT, static_cast<WPARAM>(text.size()),
                                     reinterpret_cast<LPARAM>(&text[0]));
    text.resize(static_cast<std::size_t>(got));
    return text;
}

std::string total_line(const std::string& text) {
    const std::string::size_type at = text.rfind(total_text);
    if (at == std::string::npos) return std::string();
    return text.substr(at, text.find('\r', at) - at);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: drive_brelo BRELO_EXE [LOG_FILE]\n");
        return 2;
    }
    const std::string program = argv[1];
    std::string line = "\"" + program + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    // As from a desktop: brelo gets no console of this program's to hold on to (Wine would pass
    // it on to a GUI program, and the converters' starts would not be brelo's own).
    if (!CreateProcessA(program.c_str(), &line[0], nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr,
                        folder_of(program).c_str(), &startup, &info)) {
        std::fprintf(stderr, "drive_brelo: cannot start %s\n", program.c_str());
        return 1;
    }
    WaitForInputIdle(info.hProcess, start_limit_ms);
    HWND window = find_main_window(info.dwProcessId);
    if (!window) {
        std::fprintf(stderr, "drive_brelo: no main window\n");
        TerminateProcess(info.hProcess, 1);
        return 1;
    }
    // The answer comes once the window's thread is done with its opening refresh.
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, start_limit_ms, &ignored);
    HWND button = GetDlgItem(window, IDC_MAIN_RUN);

    const double press = wall_clock_seconds();
    const double press_counter = counter_seconds();
    SendMessageA(window, WM_COMMAND, MAKEWPARAM(IDC_MAIN_RUN, BN_CLICKED),
                 reinterpret_cast<LPARAM>(button));
    const DWORD stop_deadline = GetTickCount() + stop_label_limit_ms;
    while (window_text(button) != stop_text && GetTickCount() < stop_deadline) Sleep(poll_ms);
    while (window_text(button) != run_text) Sleep(poll_ms);
    const double run = counter_seconds() - press_counter;
    const double end = wall_clock_seconds();

    const std::string text = log_text(GetDlgItem(window, IDC_MAIN_LOG));
    const std::string total = total_line(text);
    if (argc == 3) {
        if (FILE* file = std::fopen(argv[2], "wb")) {
            std::fwrite(text.data(), 1, text.size(), file);
            std::fclose(file);
        }
    }
    std::printf("press %.3f end %.3f run %.3f\n%s\n", press, end, run, total.c_str());
    PostMessageA(window, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(info.hProcess, start_limit_ms) != WAIT_OBJECT_0)
        TerminateProcess(info.hProcess, 1);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return total.empty() ? 1 : 0;
}
