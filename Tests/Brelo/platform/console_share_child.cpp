// A program without a console, as brelo's window is, for the platform tests: it takes the hidden
// console that brelo's converters share, starts console_child's console act as a converter and
// writes to the file named by its first argument, one per line: whether it got a console,
// whether that console has a window that shows, its own process id and what the converter wrote.
#include <cstdio>
#include <string>

#include <windows.h>
#include <shellapi.h>

#include "platform/platform.h"
#include "Common/wide_text.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv || argc < 3) return 2;
    const std::string report_path = wide_to_utf8(argv[1]);
    const std::string converter = wide_to_utf8(argv[2]);
    const std::string work_dir = converter.substr(0, converter.rfind('\\'));

    const bool console = share_hidden_console();
    const HWND window = GetConsoleWindow();
    const bool shown = window && IsWindowVisible(window);
    std::string said;
    ChildProcess* child = nullptr;
    if (start_child_process("\"" + converter + "\" console", work_dir, child) ==
        StartResult::Started) {
        char buffer[1024];
        std::size_t count = 0;
        while (read_child_output(*child, buffer, sizeof buffer, count)) said.append(buffer, count);
        wait_child_process(*child);
        close_child_process(child);
    }
    std::FILE* report = _wfopen(argv[1], L"wb");
    if (!report) return 3;
    std::fprintf(report, "%d\n%d\n%lu\n%s", console ? 1 : 0, shown ? 1 : 0,
                 GetCurrentProcessId(), said.c_str());
    std::fclose(report);
    (void)report_path;
    return 0;
}
