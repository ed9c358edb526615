// Drives a running brelo.exe from outside, as a person at the screen would, and photographs its
// window: the screenshot script starts it once per DPI. Steps, in order:
//   items N        waits until the input tree holds N items (its refresh has been shown)
//   notice         waits until the log box shows some text
//   answers N      the same as items, asking the window all the while, and prints the longest
//                  time the window took to answer
//   shot FILE      writes the window as it is on the screen to FILE, a 24-bit BMP
//   client W H     resizes the window so its client area is W x H pixels
//   maximize       maximises the window
//   dir TEXT       puts TEXT into the input folder field
//   patterns TEXT  puts TEXT into the input patterns field
//   refresh        presses the input side's Refresh
//   run            presses Run and waits until the run's log has its total
//   type TEXT      types TEXT over the input patterns, five keys a second, as a person would;
//                  the next answers step also tells how long after the first key it ended
//   logmenu        opens the log box's context menu as the keyboard does and waits for it
//   endmenu        closes an open menu with Escape
//   close          closes the window and waits for brelo to end
// Usage: screen_driver BRELO_EXE STEP...
// Prints what it does; exits with 1 when brelo or its window did not come, or a step failed.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <windows.h>
#include <commctrl.h>

#include "ui/resource.h"

namespace {

constexpr const char* main_caption = "Brelo File Converter V1.1.1 by Ravo";
constexpr DWORD patience_ms = 120000;
constexpr DWORD poll_ms = 50;

struct Brelo {
    PROCESS_INFORMATION process = {};
    HWND window = nullptr;
};

bool start(const std::string& exe, Brelo& brelo) {
    std::string folder = exe.substr(0, exe.find_last_of("\\/") + 1);
    std::string command = "\"" + exe + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &startup, &brelo.process))
        return false;
    const DWORD deadline = GetTickCount() + patience_ms;
    while (GetTickCount() < deadline) {
        HWND window = nullptr;
        while ((window = FindWindowExA(nullptr, window, "#32770", main_caption))) {
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == brelo.process.dwProcessId && IsWindowVisible(window)) {
                brelo.window = window;
                return true;
            }
        }
        Sleep(poll_ms);
    }
    return false;
}

// Waits until the window has handled everything sent before: a message sent now is answered
// only after the ones before it.
void settle(const Brelo& brelo) {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(brelo.window, WM_NULL, 0, 0, SMTO_NORMAL, patience_ms, &ignored);
    RedrawWindow(brelo.window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    SendMessageTimeoutA(brelo.window, WM_NULL, 0, 0, SMTO_NORMAL, patience_ms, &ignored);
}

// The tree is looked up by id each time: a new result comes in a new tree control.
HWND input_tree(const Brelo& brelo) {
    return GetDlgItem(brelo.window, IDC_MAIN_INPUT_TREE);
}

bool wait_for_items(const Brelo& brelo, long items) {
    const DWORD deadline = GetTickCount() + patience_ms;
    while (GetTickCount() < deadline) {
        if (SendMessageA(input_tree(brelo), TVM_GETCOUNT, 0, 0) == items) {
            settle(brelo);
            return true;
        }
        Sleep(poll_ms);
    }
    std::printf("the input tree holds %ld items, not %ld\n",
                static_cast<long>(SendMessageA(input_tree(brelo), TVM_GETCOUNT, 0, 0)), items);
    return false;
}

// The log's text, asked by message, as wait_for_notice does.
std::string log_text(const Brelo& brelo) {
    HWND log = GetDlgItem(brelo.window, IDC_MAIN_LOG);
    std::string text(static_cast<std::size_t>(SendMessageA(log, WM_GETTEXTLENGTH, 0, 0)) + 1, '\0');
    text.resize(static_cast<std::size_t>(
        SendMessageA(log, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]))));
    return text;
}

bool run_to_the_end(const Brelo& brelo) {
    PostMessageA(GetDlgItem(brelo.window, IDC_MAIN_RUN), BM_CLICK, 0, 0);
    const DWORD deadline = GetTickCount() + patience_ms;
    while (GetTickCount() < deadline) {
        if (log_text(brelo).find(" Files are converted.") != std::string::npos) {
            settle(brelo);
            return true;
        }
        Sleep(poll_ms);
    }
    std::printf("the run did not end\n");
    return false;
}

bool wait_for_notice(const Brelo& brelo) {
    HWND log = GetDlgItem(brelo.window, IDC_MAIN_LOG);
    const DWORD deadline = GetTickCount() + patience_ms;
    while (GetTickCount() < deadline) {
        // Asked by message: for a window of another process GetWindowTextLength reads only
        // its caption.
        if (SendMessageA(log, WM_GETTEXTLENGTH, 0, 0) > 0) {
            settle(brelo);
            return true;
        }
        Sleep(poll_ms);
    }
    std::printf("the log box stayed empty\n");
    return false;
}

// When the last typing began; 0 when nothing was typed.
DWORD first_key_at = 0;

void type_patterns(const Brelo& brelo, const std::string& text) {
    HWND edit = GetWindow(GetDlgItem(brelo.window, IDC_MAIN_INPUT_PATTERNS), GW_CHILD);
    SendMessageA(edit, EM_SETSEL, 0, -1);
    first_key_at = GetTickCount();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (i > 0) Sleep(200);
        PostMessageA(edit, WM_CHAR, static_cast<unsigned char>(text[i]), 1);
    }
}

bool wait_answering(const Brelo& brelo, long items) {
    const DWORD deadline = GetTickCount() + patience_ms;
    DWORD longest = 0;
    while (GetTickCount() < deadline) {
        const DWORD asked = GetTickCount();
        const LRESULT count = SendMessageA(input_tree(brelo), TVM_GETCOUNT, 0, 0);
        const DWORD waited = GetTickCount() - asked;
        if (waited > longest) longest = waited;
        if (count == items) {
            std::printf("longest wait for an answer: %lu ms\n", longest);
            if (first_key_at)
                std::printf("shown %lu ms after the first key\n", GetTickCount() - first_key_at);
            first_key_at = 0;
            settle(brelo);
            return true;
        }
        Sleep(10);
    }
    return false;
}

bool write_bmp(const std::string& path, int width, int height, const std::vector<BYTE>& rows) {
    BITMAPFILEHEADER file = {};
    BITMAPINFOHEADER info = {};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    info.biSizeImage = static_cast<DWORD>(rows.size());
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + info.biSizeImage;
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) return false;
    const bool written = std::fwrite(&file, sizeof file, 1, out) == 1 &&
                         std::fwrite(&info, sizeof info, 1, out) == 1 &&
                         std::fwrite(rows.data(), 1, rows.size(), out) == rows.size();
    return std::fclose(out) == 0 && written;
}

// What the screen shows where the window is: the picture a person sees, frame and all. Only
// the part on the screen: a maximised window's borders lie beyond it, and a copy from beyond
// the screen's edge copies nothing at all.
bool shoot(const Brelo& brelo, const std::string& path) {
    settle(brelo);
    RECT window, screen_area, r;
    GetWindowRect(brelo.window, &window);
    screen_area.left = GetSystemMetrics(SM_XVIRTUALSCREEN);
    screen_area.top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    screen_area.right = screen_area.left + GetSystemMetrics(SM_CXVIRTUALSCREEN);
    screen_area.bottom = screen_area.top + GetSystemMetrics(SM_CYVIRTUALSCREEN);
    if (!IntersectRect(&r, &window, &screen_area)) return false;
    const int width = r.right - r.left;
    const int height = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP picture = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ previous = SelectObject(memory, picture);
    BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
    SelectObject(memory, previous);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    const int stride = (width * 3 + 3) & ~3;
    std::vector<BYTE> rows(static_cast<size_t>(stride) * height);
    const int lines = GetDIBits(memory, picture, 0, height, rows.data(), &info, DIB_RGB_COLORS);
    DeleteObject(picture);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    std::printf("shot %s: %dx%d at %ld,%ld\n", path.c_str(), width, height, r.left, r.top);
    return lines == height && write_bmp(path, width, height, rows);
}

bool set_client(const Brelo& brelo, int width, int height) {
    RECT outer, inner;
    GetWindowRect(brelo.window, &outer);
    GetClientRect(brelo.window, &inner);
    SetWindowPos(brelo.window, nullptr, 0, 0, width + (outer.right - outer.left) - inner.right,
                 height + (outer.bottom - outer.top) - inner.bottom,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    settle(brelo);
    GetClientRect(brelo.window, &inner);
    std::printf("client %ldx%ld\n", inner.right, inner.bottom);
    return true;
}

// The menu comes as a window of the menu class, shown by brelo's thread.
HWND open_menu(const Brelo& brelo) {
    HWND menu = nullptr;
    while ((menu = FindWindowExA(nullptr, menu, "#32768", nullptr))) {
        DWORD owner = 0;
        GetWindowThreadProcessId(menu, &owner);
        if (owner == brelo.process.dwProcessId && IsWindowVisible(menu)) return menu;
    }
    return nullptr;
}

bool open_log_menu(const Brelo& brelo) {
    HWND log = GetDlgItem(brelo.window, IDC_MAIN_LOG);
    PostMessageA(log, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(log), -1);
    const DWORD deadline = GetTickCount() + patience_ms;
    while (GetTickCount() < deadline) {
        if (open_menu(brelo)) return true;
        Sleep(poll_ms);
    }
    return false;
}

bool end_menu(const Brelo& brelo) {
    HWND menu = open_menu(brelo);
    if (!menu) return false;
    PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
    const DWORD deadline = GetTickCount() + patience_ms;
    while (GetTickCount() < deadline && open_menu(brelo)) Sleep(poll_ms);
    settle(brelo);
    return !open_menu(brelo);
}

bool close(Brelo& brelo) {
    PostMessageA(brelo.window, WM_CLOSE, 0, 0);
    const bool ended = WaitForSingleObject(brelo.process.hProcess, patience_ms) == WAIT_OBJECT_0;
    CloseHandle(brelo.process.hThread);
    CloseHandle(brelo.process.hProcess);
    return ended;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::printf("usage: screen_driver BRELO_EXE STEP...\n");
        return 1;
    }
    Brelo brelo;
    if (!start(argv[1], brelo)) {
        std::printf("brelo's window did not come\n");
        return 1;
    }
    bool closed = false;
    for (int i = 2; i < argc; ++i) {
        const std::string step = argv[i];
        const auto next = [&](int offset) { return i + offset < argc ? argv[i + offset] : ""; };
        bool done = true;
        if (step == "items") {
            done = wait_for_items(brelo, std::atol(next(1)));
            i += 1;
        } else if (step == "notice") {
            done = wait_for_notice(brelo);
        } else if (step == "answers") {
            done = wait_answering(brelo, std::atol(next(1)));
            i += 1;
        } else if (step == "shot") {
            done = shoot(brelo, next(1));
            i += 1;
        } else if (step == "client") {
            done = set_client(brelo, std::atoi(next(1)), std::atoi(next(2)));
            i += 2;
        } else if (step == "maximize") {
            ShowWindow(brelo.window, SW_MAXIMIZE);
            settle(brelo);
        } else if (step == "dir") {
            SetDlgItemTextA(brelo.window, IDC_MAIN_INPUT_DIR, next(1));
            i += 1;
        } else if (step == "patterns") {
            SetDlgItemTextA(brelo.window, IDC_MAIN_INPUT_PATTERNS, next(1));
            i += 1;
        } else if (step == "type") {
            type_patterns(brelo, next(1));
            i += 1;
        } else if (step == "refresh") {
            PostMessageA(GetDlgItem(brelo.window, IDC_MAIN_INPUT_REFRESH), BM_CLICK, 0, 0);
        } else if (step == "logmenu") {
            done = open_log_menu(brelo);
        } else if (step == "endmenu") {
            done = end_menu(brelo);
        } else if (step == "run") {
            done = run_to_the_end(brelo);
        } else if (step == "close") {
            done = close(brelo);
            closed = true;
        } else {
            std::printf("unknown step %s\n", step.c_str());
            done = false;
        }
        if (!done) {
            std::printf("step %s failed\n", step.c_str());
            if (!closed) close(brelo);
            return 1;
        }
    }
    if (!closed) close(brelo);
    return 0;
}
