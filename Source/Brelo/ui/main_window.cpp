// The main window: initialisation and shutdown, the command table, F5 routing, tree mirroring,
// drops on the two frames. What a refresh or a run does is the engine's; this file moves text
// between the controls and the engine.
#include "ui/main_window.h"

#include <chrono>
#include <optional>
#include <string>

#include <commctrl.h>
#include <shellapi.h>

#include "engine/batch_run.h"
#include "engine/current_settings.h"
#include "engine/scan.h"
#include "engine/text_limits.h"
#include "platform/platform.h"
#include "settings/settings_file.h"
#include "ui/app.h"
#include "ui/converters_dialog.h"
#include "ui/dialog_rules.h"
#include "ui/pickers.h"
#include "ui/resource.h"
#include "ui/window_parts_win32.h"

namespace {

constexpr const char* input_picker_title = "Select a folder as input directory.";
constexpr const char* output_picker_title = "Select a folder as output directory.";
// Closing during a run stops it and waits this long for the running converter to finish (the
// engine ends a converter that outlives Stop by its grace time), so its output is complete.
constexpr auto close_wait_beyond_grace = std::chrono::seconds(10);

struct MainWindowState {
    HWND window = nullptr;
    std::optional<Win32MainWindow> parts;
    CurrentSettings settings;
    ConverterList converters;
    RunControl run;
    WNDPROC tree_proc = nullptr;
    WNDPROC frame_proc = nullptr;
};

MainWindowState state;

HWND item(int id) {
    return GetDlgItem(state.window, id);
}

bool is_ticked(int id) {
    return IsDlgButtonChecked(state.window, id) == BST_CHECKED;
}

void refresh(RefreshSide side) {
    if (side == RefreshSide::Input) refresh_input_tree(*state.parts);
    if (side == RefreshSide::Output) refresh_output_tree(*state.parts);
}

// Each side of the window: its directory box, pattern box, Auto Refresh box and refresh.
struct Side {
    RefreshSide side;
    int directory;
    int pattern;
    int auto_refresh;
};
constexpr Side input_side = {RefreshSide::Input, IDC_MAIN_INPUT_DIR, IDC_MAIN_INPUT_PATTERNS,
                             IDC_MAIN_INPUT_AUTO};
constexpr Side output_side = {RefreshSide::Output, IDC_MAIN_OUTPUT_DIR, IDC_MAIN_OUTPUT_PATTERN,
                              IDC_MAIN_OUTPUT_AUTO};

void refresh_if_ticked(const Side& side) {
    if (is_ticked(side.auto_refresh)) refresh(side.side);
}

// ---- Subclassed controls ----------------------------------------------------------------

// A mirrored scroll message carries the marker, so the other tree does not send it back.
LRESULT CALLBACK tree_scroll_proc(HWND tree, UINT message, WPARAM wparam, LPARAM lparam) {
    const bool scroll = message == WM_HSCROLL || message == WM_VSCROLL || message == WM_MOUSEWHEEL;
    if (scroll && lparam != scroll_mirror_marker) {
        HWND other = GetDlgItem(GetParent(tree), other_tree_id(GetDlgCtrlID(tree)));
        SendMessageA(other, message, wparam, scroll_mirror_marker);
    }
    return CallWindowProcA(state.tree_proc, tree, message, wparam, lparam);
}

void on_files_dropped(HWND frame, HDROP drop) {
    const Side& side = GetDlgCtrlID(frame) == IDC_MAIN_INPUT_FRAME ? input_side : output_side;
    char buffer[text_capacity] = {};
    DragQueryFileA(drop, 0, buffer, sizeof buffer);
    DragFinish(drop);
    const std::string path = buffer;
    const DropEffect effect = drop_effect(path, is_directory(path), path_exists(path));
    if (effect.set_directory)
        SetDlgItemTextA(state.window, side.directory, effect.directory.c_str());
    if (effect.set_pattern) SetDlgItemTextA(state.window, side.pattern, effect.pattern.c_str());
    refresh_if_ticked(side);
}

LRESULT CALLBACK frame_drop_proc(HWND frame, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_DROPFILES) on_files_dropped(frame, reinterpret_cast<HDROP>(wparam));
    return CallWindowProcA(state.frame_proc, frame, message, wparam, lparam);
}

WNDPROC subclass(int id, WNDPROC proc) {
    return reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(item(id), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(proc)));
}

// ---- Initialisation and shutdown --------------------------------------------------------

void fill_converter_box() {
    ConverterBox& box = state.parts->converter_box();
    for (int key = 0; key < static_cast<int>(state.converters.size()); ++key) {
        const auto it = state.converters.find(key);
        if (it != state.converters.end()) box.add_row(it->second.title, key);
    }
    box.select_row(state.settings.converter_position);
}

void on_init_dialog(HWND window) {
    state.window = window;
    state.parts.emplace(window);
    state.converters.clear();
    load_settings(*state.parts, state.settings, state.converters);
    SendMessageA(window, WM_SETICON, ICON_BIG,
                 reinterpret_cast<LPARAM>(LoadIconA(app_instance(), MAKEINTRESOURCEA(IDI_APP))));
    create_tree_images();
    for (int tree : {IDC_MAIN_INPUT_TREE, IDC_MAIN_OUTPUT_TREE})
        SendMessageA(item(tree), TVM_SETIMAGELIST, TVSIL_NORMAL,
                     reinterpret_cast<LPARAM>(tree_images()));
    fill_converter_box();
    state.tree_proc = subclass(IDC_MAIN_INPUT_TREE, tree_scroll_proc);
    subclass(IDC_MAIN_OUTPUT_TREE, tree_scroll_proc);
    state.frame_proc = subclass(IDC_MAIN_INPUT_FRAME, frame_drop_proc);
    subclass(IDC_MAIN_OUTPUT_FRAME, frame_drop_proc);
    ShowWindow(window, SW_SHOW);
    center_window(window);
    if (state.settings.input_auto_refresh) refresh_input_tree(*state.parts);
    state.run.stop_event = create_event(stop_event_name);
    SetCurrentDirectoryA(program_directory().c_str());
}

// Carries out what the worker asks of the window while the window's thread waits for it.
void wait_for_worker(std::chrono::steady_clock::duration limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    MSG message;
    while (state.run.worker_active && std::chrono::steady_clock::now() < deadline) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_SENDMESSAGE);
        PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);
    }
}

// A run in progress is stopped and its converter allowed to finish, so no output is left half
// written, before the settings are saved and the window goes.
void on_close(HWND window) {
    if (state.run.worker_active) {
        if (state.run.running) toggle_run(*state.parts, state.converters, state.run);
        wait_for_worker(state.run.stop_grace + close_wait_beyond_grace);
    }
    DestroyWindow(window);
}

void on_destroy() {
    // A worker that outlived the wait above still polls the event: leave it to the process end.
    if (!state.run.worker_active) {
        close_event(state.run.stop_event);
        state.run.stop_event = nullptr;
    }
    destroy_tree_images();
    save_settings(*state.parts, state.converters);
    PostQuitMessage(0);
}

// ---- Commands ---------------------------------------------------------------------------

void on_browse_clicked(const Side& side, const char* title) {
    std::string folder;
    if (!pick_folder(state.window, title, dialog_item_text(state.window, side.directory), folder))
        return;
    SetDlgItemTextA(state.window, side.directory, folder.c_str());
    refresh_if_ticked(side);
}

// When the choice is reported the edit field still shows the previous text, so the chosen row's
// text goes in before the refresh reads it.
void on_history_row_chosen(int box, const Side& side) {
    const int row = static_cast<int>(SendDlgItemMessageA(state.window, box, CB_GETCURSEL, 0, 0));
    if (row >= 0) {
        const Win32HistoryList history(state.window, static_cast<HistoryField>(box));
        const std::string text = history.row(row);
        SetDlgItemTextA(state.window, box, text.c_str());
    }
    refresh_if_ticked(side);
}

void on_history_command(int box, int code, const Side& side) {
    if (code == CBN_EDITCHANGE) refresh_if_ticked(side);
    if (code == CBN_SELENDOK) on_history_row_chosen(box, side);
}

void on_auto_refresh_clicked(const Side& side) {
    if (is_ticked(side.auto_refresh)) refresh(side.side);
}

void on_configure_clicked() {
    open_converters_dialog(state.window, state.converters);
}

void on_run_clicked() {
    toggle_run(*state.parts, state.converters, state.run);
}

void on_refresh_focused() {
    HWND focus = GetFocus();
    const int focus_id = focus ? GetDlgCtrlID(focus) : 0;
    HWND parent = focus ? GetParent(focus) : nullptr;
    refresh(f5_side(focus_id, parent ? GetDlgCtrlID(parent) : 0));
}

BOOL on_command(int id, int code) {
    switch (id) {
    case IDC_MAIN_INPUT_BROWSE:   on_browse_clicked(input_side, input_picker_title); return TRUE;
    case IDC_MAIN_INPUT_REFRESH:  refresh_input_tree(*state.parts); return TRUE;
    case IDC_MAIN_OUTPUT_BROWSE:  on_browse_clicked(output_side, output_picker_title); return TRUE;
    case IDC_MAIN_OUTPUT_REFRESH: refresh_output_tree(*state.parts); return TRUE;
    case IDC_MAIN_CONFIGURE:      on_configure_clicked(); return TRUE;
    case IDC_MAIN_RUN:            on_run_clicked(); return TRUE;
    case IDC_MAIN_SUBFOLDERS:     refresh_if_ticked(input_side); return TRUE;
    case IDC_MAIN_INPUT_AUTO:     on_auto_refresh_clicked(input_side); return TRUE;
    case IDC_MAIN_OUTPUT_AUTO:    on_auto_refresh_clicked(output_side); return TRUE;
    case IDC_MAIN_INPUT_DIR:
    case IDC_MAIN_INPUT_PATTERNS: on_history_command(id, code, input_side); return TRUE;
    case IDC_MAIN_OUTPUT_DIR:
    case IDC_MAIN_OUTPUT_PATTERN: on_history_command(id, code, output_side); return TRUE;
    case IDM_REFRESH_FOCUSED:     on_refresh_focused(); return TRUE;
    }
    return FALSE;
}

// ---- Tree mirroring ---------------------------------------------------------------------

// Only the tree under the cursor is mirrored: the user acts there, while the changes mirroring
// makes in the other tree are reported back with the cursor still over the first one.
// The test is the tree's own rectangle: the trees overlap nothing but their group boxes, which
// some systems report as the child under the cursor in front of the tree.
BOOL on_tree_notify(const NMTREEVIEWA& note) {
    POINT cursor;
    RECT tree;
    GetCursorPos(&cursor);
    GetWindowRect(note.hdr.hwndFrom, &tree);
    if (!PtInRect(&tree, cursor)) return FALSE;
    HWND other = item(other_tree_id(static_cast<int>(note.hdr.idFrom)));
    const LPARAM partner = note.itemNew.lParam;
    if (!other || !partner) return FALSE;
    switch (note.hdr.code) {
    case TVN_ITEMEXPANDEDA:
    case TVN_ITEMEXPANDEDW: SendMessageA(other, TVM_EXPAND, note.action, partner); return TRUE;
    case TVN_SELCHANGEDA:
    case TVN_SELCHANGEDW:   SendMessageA(other, TVM_SELECTITEM, TVGN_CARET, partner); return TRUE;
    }
    return FALSE;
}

BOOL on_notify(const NMHDR& header) {
    if (header.idFrom != IDC_MAIN_INPUT_TREE && header.idFrom != IDC_MAIN_OUTPUT_TREE) return FALSE;
    return on_tree_notify(reinterpret_cast<const NMTREEVIEWA&>(header));
}

INT_PTR CALLBACK main_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_INITDIALOG: on_init_dialog(window); return TRUE;  // TRUE: default focus
    case WM_COMMAND:    return on_command(LOWORD(wparam), HIWORD(wparam));
    case WM_NOTIFY:     return on_notify(*reinterpret_cast<const NMHDR*>(lparam));
    case WM_CLOSE:      on_close(window); return TRUE;
    case WM_DESTROY:    on_destroy(); return FALSE;
    }
    return FALSE;
}

}  // namespace

HWND create_main_window() {
    return CreateDialogParamA(app_instance(), MAKEINTRESOURCEA(IDD_MAIN), nullptr,
                              main_window_proc, 0);
}

bool run_in_progress() {
    return state.run.worker_active;
}
