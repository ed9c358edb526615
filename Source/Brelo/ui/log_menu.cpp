// The log box's context menu and its Save and Copy commands; Run Failed Again is window_run's.
#include "ui/log_menu.h"

#include <cstring>
#include <cwchar>
#include <filesystem>
#include <fstream>
#include <vector>

#include <commdlg.h>

#include "engine/conversion_log.h"
#include "engine/text_limits.h"
#include "Common/wide_text.h"
#include "settings/settings_file.h"
#include "ui/app.h"
#include "ui/controls.h"
#include "ui/log_file_text.h"
#include "ui/resource.h"
#include "ui/window_run.h"
#include "ui/window_values.h"

namespace {

constexpr const char* log_notice_section = "Log";
constexpr const char* unsaved_log_message = "The log could not be saved.";
constexpr wchar_t log_filter[] = L"Log files (*.log)\0*.log\0Text files (*.txt)\0*.txt\0"
                                 L"All files (*.*)\0*.*\0";
constexpr wchar_t log_default_extension[] = L"log";
constexpr wchar_t log_default_name[] = L"brelo.log";
constexpr DWORD log_picker_flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY |
                                   OFN_NOCHANGEDIR | OFN_EXPLORER;

WNDPROC log_proc = nullptr;

HWND log_box(HWND window) {
    return GetDlgItem(window, IDC_MAIN_LOG);
}

// The edit control would open its own menu (Undo, Cut, Paste ...), which a read-only log does
// not need; the window's menu opens instead.
LRESULT CALLBACK log_context_proc(HWND box, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_CONTEXTMENU) {
        SendMessageW(GetParent(box), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(box), lparam);
        return 0;
    }
    return CallWindowProcW(log_proc, box, message, wparam, lparam);
}

// From the keyboard the menu opens at the caret, or at the box's top left corner when the caret
// is scrolled out of sight.
POINT keyboard_menu_point(HWND box) {
    DWORD start = 0;
    DWORD end = 0;
    SendMessageW(box, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    const LRESULT at = SendMessageW(box, EM_POSFROMCHAR, end, 0);
    POINT point = {static_cast<short>(LOWORD(at)), static_cast<short>(HIWORD(at))};
    RECT client;
    GetClientRect(box, &client);
    if (at == -1 || !PtInRect(&client, point)) point = {client.left, client.top};
    ClientToScreen(box, &point);
    return point;
}

bool put_on_clipboard(HWND owner, const std::wstring& text) {
    if (!OpenClipboard(owner)) return false;
    EmptyClipboard();
    const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    bool placed = false;
    if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes)) {
        if (void* target = GlobalLock(memory)) {
            std::memcpy(target, text.c_str(), bytes);
            GlobalUnlock(memory);
            placed = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
        }
        // The clipboard owns the memory once it took it.
        if (!placed) GlobalFree(memory);
    }
    CloseClipboard();
    return placed;
}

}  // namespace

void route_log_context_menu(HWND window) {
    log_proc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
        log_box(window), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(log_context_proc)));
}

HMENU create_log_menu() {
    HMENU menu = LoadMenuW(app_instance(), MAKEINTRESOURCEW(IDR_LOG_MENU));
    if (!menu) return nullptr;
    EnableMenuItem(menu, IDM_RUN_FAILED_AGAIN,
                   MF_BYCOMMAND | (can_run_failed_again() ? MF_ENABLED : MF_GRAYED));
    return menu;
}

void open_log_menu(HWND window, LPARAM at) {
    HMENU menu = create_log_menu();
    if (!menu) return;
    POINT point = {static_cast<short>(LOWORD(at)), static_cast<short>(HIWORD(at))};
    if (at == -1) point = keyboard_menu_point(log_box(window));
    TrackPopupMenu(GetSubMenu(menu, 0), TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, point.x,
                   point.y, 0, window, nullptr);
    DestroyMenu(menu);
}

bool save_log_to(HWND window, const std::string& path) {
    const std::string text = crlf_text(whole_control_text(log_box(window)));
    std::ofstream file(std::filesystem::u8path(path), std::ios::binary | std::ios::trunc);
    if (!file) return false;
    file.write(text.data(), static_cast<std::streamsize>(text.size()));
    file.close();
    return !file.fail();
}

void on_save_log_as(HWND window) {
    std::vector<wchar_t> buffer(32768, L'\0');
    std::wcsncpy(buffer.data(), log_default_name, buffer.size() - 1);
    OPENFILENAMEW info = {};
    info.lStructSize = sizeof info;
    info.hwndOwner = window;
    info.lpstrFilter = log_filter;
    info.nFilterIndex = 1;
    info.lpstrFile = buffer.data();
    info.nMaxFile = static_cast<DWORD>(buffer.size());
    info.lpstrDefExt = log_default_extension;
    info.Flags = log_picker_flags;
    const bool chosen = GetSaveFileNameW(&info) != FALSE;
    SetCurrentDirectoryW(utf8_to_wide(program_directory()).c_str());
    if (!chosen) return;
    const std::string path = wide_to_utf8(buffer.data());
    if (save_log_to(window, path)) return;
    // The log stays as it is: the notice follows it, as the one on unsaved settings does.
    if (GetWindowTextLengthW(log_box(window)) > 0) append_log_text(window, "\r\n\r\n");
    append_log_text(window, make_notice(log_notice_section, path, unsaved_log_message));
    scroll_log_to_end(window);
}

void on_copy_log(HWND window) {
    HWND box = log_box(window);
    DWORD start = 0;
    DWORD end = 0;
    SendMessageW(box, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    std::wstring text = whole_control_wide_text(box);
    if (start < end && end <= text.size()) text = text.substr(start, end - start);
    put_on_clipboard(window, text);
}
