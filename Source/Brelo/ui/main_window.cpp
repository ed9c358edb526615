// The main window: initialisation and shutdown, the command table, F5 routing, tree mirroring,
// drops on the two frames. What a refresh or a run does is the engine's; window_values moves
// the values between the controls and the engine, window_scan carries the input refreshes,
// tree_fill puts the trees in, window_run the runs, window_layout the size, place and DPI.
#include "ui/main_window.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <commctrl.h>
#include <shellapi.h>

#include "engine/conversion_log.h"
#include "engine/scan.h"
#include "engine/stored_settings.h"
#include "engine/text_limits.h"
#include "platform/platform.h"
#include "Common/wide_text.h"
#include "settings/settings_file.h"
#include "ui/app.h"
#include "ui/controls.h"
#include "ui/converters_dialog.h"
#include "ui/dialog_rules.h"
#include "ui/layout_rules.h"
#include "ui/log_menu.h"
#include "ui/pickers.h"
#include "ui/resource.h"
#include "ui/tree_fill.h"
#include "ui/tree_marks.h"
#include "ui/window_layout.h"
#include "ui/window_run.h"
#include "ui/window_scan.h"
#include "ui/window_values.h"

namespace {

constexpr const char* input_picker_title = "Select a folder as input directory.";
constexpr const char* output_picker_title = "Select a folder as output directory.";
constexpr const char* settings_notice_section = "Settings";
constexpr const char* unsaved_settings_message = "Settings could not be saved: ";
constexpr const char* close_again_message = " Close again to quit without saving them.";

struct MainWindowState {
    HWND window = nullptr;
    // What BRELO.ini gets when the window closes: the controls show it, and their edits (a tick,
    // the converter chosen, the converters dialog's "OK", a run's values) go into it.
    StoredSettings stored;
    // What the trees show; none while they are empty.
    std::optional<FileTrees> trees;
    // What the hidden trees are being filled with; none without a fill.
    std::optional<FileTrees> coming;
    WNDPROC tree_proc = nullptr;
    WNDPROC frame_proc = nullptr;
    bool told_unsaved = false;  // a close found the settings unsaveable and said so
};

MainWindowState state;

HWND item(int id) {
    return GetDlgItem(state.window, id);
}

bool is_ticked(int id) {
    return IsDlgButtonChecked(state.window, id) == BST_CHECKED;
}

// A refresh leaves the log box empty or showing its last notice, also during a run.
void show_refresh_log(const std::string& text) {
    set_log_text(state.window, text);
    log_box_replaced();
}

void refresh_input_side() {
    start_input_refresh(state.window);
}

// The newest scan has ended. Its output names follow the output fields as they are now, which
// the user may have changed while it ran; its notice is shown as it came, but for its word on
// shared output names, which follows the names shown.
void on_scan_ended(WPARAM scan) {
    std::optional<ScanResult> result = take_scan_result(state.window, scan);
    if (!result) return;
    InputRefresh& refresh = result->refresh;
    const RunSettings now = read_run_settings(state.window);
    if (refresh.trees && (now.output_directory != result->settings.output_directory ||
                          now.output_pattern != result->settings.output_pattern))
        rename_refreshed_trees(refresh, now);
    // The fill in progress, if any, points into the value replaced: it goes first.
    supersede_tree_fill();
    state.coming = std::move(refresh.trees);
    // The notice shows with the trees it belongs to, once they are complete; the value shown
    // before goes with the trees that showed it.
    start_tree_fill(state.window, state.coming ? &*state.coming : nullptr,
                    [log_text = std::move(refresh.log_text)] {
                        state.trees = std::move(state.coming);
                        state.coming.reset();
                        marks_trees_shown(state.window,
                                          state.trees ? &*state.trees : nullptr,
                                          shown_tree_items());
                        show_refresh_log(log_text);
                        repaint_trees_and_log(state.window);
                    });
}

// The trees being filled are renamed too: they show next.
void refresh_output_side() {
    FileTrees* trees = state.trees ? &*state.trees : nullptr;
    const RunSettings settings = read_run_settings(state.window);
    const std::string log_text = refresh_output_tree(trees, settings);
    if (state.coming) {
        refresh_output_tree(&*state.coming, settings);
        coming_trees_remarked();
    }
    if (trees) show_output_names(state.window, *trees, shown_tree_items());
    if (trees) show_preview_marks(state.window, shown_tree_items());
    show_refresh_log(log_text);
}

void refresh(RefreshSide side) {
    if (side == RefreshSide::Input) refresh_input_side();
    if (side == RefreshSide::Output) refresh_output_side();
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

// Each keystroke supersedes the refresh of the one before; the input side waits for a pause in
// the typing, the output side only renames and follows every key.
void refresh_typed_if_ticked(const Side& side) {
    if (!is_ticked(side.auto_refresh)) return;
    if (side.side == RefreshSide::Input)
        start_input_refresh_after_pause(state.window);
    else
        refresh(side.side);
}

// ---- Subclassed controls ----------------------------------------------------------------

// The controls are subclassed, and forward, through the W calls: a subclass set with the 8-bit
// call would make the system hand them every text message in the code page.

// A mirrored scroll message carries the marker, so the other tree does not send it back. A
// hidden tree that is given the focus (the dialog gives it back to the tree that had it when
// the window was last active) passes it on to the tree shown in its place.
LRESULT CALLBACK tree_scroll_proc(HWND tree, UINT message, WPARAM wparam, LPARAM lparam) {
    const bool scroll = message == WM_HSCROLL || message == WM_VSCROLL || message == WM_MOUSEWHEEL;
    if (scroll && lparam != scroll_mirror_marker) {
        HWND other = GetDlgItem(GetParent(tree), other_tree_id(GetDlgCtrlID(tree)));
        if (other) SendMessageW(other, message, wparam, scroll_mirror_marker);
    }
    if (message == WM_SETFOCUS) {
        if (HWND shown = shown_tree_instead(tree)) {
            SetFocus(shown);
            return 0;
        }
    }
    return CallWindowProcW(state.tree_proc, tree, message, wparam, lparam);
}

void on_files_dropped(HWND frame, HDROP drop) {
    const Side& side = GetDlgCtrlID(frame) == IDC_MAIN_INPUT_FRAME ? input_side : output_side;
    // The path whole, however long: the first call tells its length.
    const UINT length = DragQueryFileW(drop, 0, nullptr, 0);
    std::vector<wchar_t> buffer(static_cast<std::size_t>(length) + 1, L'\0');
    DragQueryFileW(drop, 0, buffer.data(), length + 1);
    DragFinish(drop);
    const std::string path = wide_to_utf8(buffer.data());
    const DropEffect effect = drop_effect(path, is_directory(path), path_exists(path));
    if (effect.set_directory) set_dialog_item_text(state.window, side.directory, effect.directory);
    if (effect.set_pattern) set_dialog_item_text(state.window, side.pattern, effect.pattern);
    refresh_if_ticked(side);
}

LRESULT CALLBACK frame_drop_proc(HWND frame, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_DROPFILES) on_files_dropped(frame, reinterpret_cast<HDROP>(wparam));
    return CallWindowProcW(state.frame_proc, frame, message, wparam, lparam);
}

WNDPROC subclass(int id, WNDPROC proc) {
    return reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(item(id), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(proc)));
}

// ---- Initialisation and shutdown --------------------------------------------------------

void on_init_dialog(HWND window) {
    state.window = window;
    state.trees.reset();
    state.coming.reset();
    capture_design_layout(window);
    state.stored = load_settings(settings_file_path());
    show_stored_settings(window, state.stored);
    set_run_job_log(state.stored.job_log);
    SendMessageW(window, WM_SETICON, ICON_BIG,
                 reinterpret_cast<LPARAM>(LoadIconW(app_instance(), MAKEINTRESOURCEW(IDI_APP))));
    create_tree_images(tree_glyph_size(window_dpi(window)));
    for (int tree : {IDC_MAIN_INPUT_TREE, IDC_MAIN_OUTPUT_TREE})
        SendMessageW(item(tree), TVM_SETIMAGELIST, TVSIL_NORMAL,
                     reinterpret_cast<LPARAM>(tree_images()));
    set_mark_images(item(IDC_MAIN_OUTPUT_TREE));
    raise_log_limit(window);
    state.tree_proc = subclass(IDC_MAIN_INPUT_TREE, tree_scroll_proc);
    subclass(IDC_MAIN_OUTPUT_TREE, tree_scroll_proc);
    set_new_tree_proc(tree_scroll_proc);
    state.frame_proc = subclass(IDC_MAIN_INPUT_FRAME, frame_drop_proc);
    subclass(IDC_MAIN_OUTPUT_FRAME, frame_drop_proc);
    route_log_context_menu(window);
    show_at_placement(window, state.stored.window);
    if (state.stored.input_auto_refresh) refresh_input_side();
    open_run_control();
    SetCurrentDirectoryW(utf8_to_wide(program_directory()).c_str());
}

// What the window shows, saved in BRELO.ini. False, with reason, when it could not be.
bool save_window_settings(std::string& reason) {
    state.stored.window = current_placement(state.window);
    return save_settings(state.stored, settings_file_path(), reason);
}

// The log keeps the run's text: whoever reads why the settings were not saved may want it still.
void show_unsaved_settings(HWND window, const std::string& reason) {
    std::string file = settings_file_path();
    if (file.empty()) file = "BRELO.ini";
    const std::string message = unsaved_settings_message + reason + "." + close_again_message;
    const std::string notice = make_notice(settings_notice_section, file, message);
    if (GetWindowTextLengthW(item(IDC_MAIN_LOG)) > 0) append_log_text(window, "\r\n\r\n");
    append_log_text(window, notice);
    scroll_log_to_end(window);
}

// A run in progress is stopped and its converter allowed to finish, so no output is left half
// written, before the settings are saved and the window goes. They are saved while the window
// is still there, so that a save that fails (a full disk, a folder the user may not write) can
// say so in the log box: the window then stays open once, the user may make room and close
// again, and that close goes whether or not the second save succeeds.
void on_close(HWND window) {
    end_run_before_close(window, state.stored);
    std::string reason;
    if (!save_window_settings(reason) && !state.told_unsaved) {
        state.told_unsaved = true;
        show_unsaved_settings(window, reason);
        return;
    }
    DestroyWindow(window);
}

void on_destroy() {
    abandon_input_refresh(state.window);
    abandon_tree_fill(state.window);
    close_run_control();
    release_layout();
    destroy_tree_images();
    state.trees.reset();
    state.coming.reset();
    state.told_unsaved = false;
    PostQuitMessage(0);
}

// ---- Commands ---------------------------------------------------------------------------

void on_browse_clicked(const Side& side, const char* title) {
    std::string folder;
    if (!pick_folder(state.window, title, dialog_item_text(state.window, side.directory), folder))
        return;
    set_dialog_item_text(state.window, side.directory, folder);
    refresh_if_ticked(side);
}

// When the choice is reported the edit field still shows the previous text, so the chosen row's
// text goes in before the refresh reads it.
void on_history_row_chosen(int box, const Side& side) {
    HWND combo = item(box);
    const int row = static_cast<int>(SendMessageW(combo, CB_GETCURSEL, 0, 0));
    if (row >= 0) set_control_text(combo, combo_row_text(combo, row));
    refresh_if_ticked(side);
}

void on_history_command(int box, int code, const Side& side) {
    if (code == CBN_EDITCHANGE) refresh_typed_if_ticked(side);
    if (code == CBN_SELENDOK) on_history_row_chosen(box, side);
}

void on_subfolders_clicked() {
    read_tick(state.window, IDC_MAIN_SUBFOLDERS, state.stored);
    refresh_if_ticked(input_side);
}

void on_auto_refresh_clicked(const Side& side) {
    read_tick(state.window, side.auto_refresh, state.stored);
    if (is_ticked(side.auto_refresh)) refresh(side.side);
}

void on_converter_chosen() {
    state.stored.current_converter =
        static_cast<int>(SendMessageW(item(IDC_MAIN_CONVERTER), CB_GETCURSEL, 0, 0));
}

void on_configure_clicked() {
    std::optional<EditedConverters> edited =
        open_converters_dialog(state.window, state.stored.converters);
    if (!edited) return;
    state.stored.converters = std::move(edited->converters);
    state.stored.current_converter = edited->selected;
    show_converters(state.window, state.stored);
}

void on_run_clicked() {
    toggle_run(state.window, selected_converter(state.stored));
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
    case IDC_MAIN_INPUT_REFRESH:  refresh_input_side(); return TRUE;
    case IDC_MAIN_OUTPUT_BROWSE:  on_browse_clicked(output_side, output_picker_title); return TRUE;
    case IDC_MAIN_OUTPUT_REFRESH: refresh_output_side(); return TRUE;
    case IDC_MAIN_CONFIGURE:      on_configure_clicked(); return TRUE;
    case IDC_MAIN_RUN:            on_run_clicked(); return TRUE;
    case IDC_MAIN_SUBFOLDERS:     on_subfolders_clicked(); return TRUE;
    case IDC_MAIN_INPUT_AUTO:     on_auto_refresh_clicked(input_side); return TRUE;
    case IDC_MAIN_OUTPUT_AUTO:    on_auto_refresh_clicked(output_side); return TRUE;
    case IDC_MAIN_SKIP_UP_TO_DATE:
        // Whether an output is up to date or replaced depends on it: the marks follow.
        read_tick(state.window, id, state.stored);
        refresh_if_ticked(output_side);
        return TRUE;
    case IDC_MAIN_KEEP_TIMES:      read_tick(state.window, id, state.stored); return TRUE;
    case IDC_MAIN_CONVERTER:      if (code == CBN_SELCHANGE) on_converter_chosen(); return TRUE;
    case IDC_MAIN_INPUT_DIR:
    case IDC_MAIN_INPUT_PATTERNS: on_history_command(id, code, input_side); return TRUE;
    case IDC_MAIN_OUTPUT_DIR:
    case IDC_MAIN_OUTPUT_PATTERN: on_history_command(id, code, output_side); return TRUE;
    case IDM_REFRESH_FOCUSED:     on_refresh_focused(); return TRUE;
    case IDM_SAVE_LOG:            on_save_log_as(state.window); return TRUE;
    case IDM_COPY_LOG:            on_copy_log(state.window); return TRUE;
    case IDM_RUN_FAILED_AGAIN:    run_failed_again(state.window, selected_converter(state.stored)); return TRUE;
    }
    return FALSE;
}

// ---- Tree mirroring ---------------------------------------------------------------------

// Only the tree under the cursor is mirrored: the user acts there, while the changes mirroring
// makes in the other tree are reported back with the cursor still over the first one.
// The test is the tree's own rectangle: the trees overlap nothing but their group boxes, which
// some systems report as the child under the cursor in front of the tree.
BOOL on_tree_notify(const NMTREEVIEWW& note) {
    // Checked first: the trees report every item they delete, and asking for the cursor's
    // place costs the system a round trip each time.
    const UINT code = note.hdr.code;
    if (code != TVN_ITEMEXPANDEDA && code != TVN_ITEMEXPANDEDW && code != TVN_SELCHANGEDA &&
        code != TVN_SELCHANGEDW)
        return FALSE;
    POINT cursor;
    RECT tree;
    GetCursorPos(&cursor);
    GetWindowRect(note.hdr.hwndFrom, &tree);
    if (!PtInRect(&tree, cursor)) return FALSE;
    const int tree_id = static_cast<int>(note.hdr.idFrom);
    HWND other = item(other_tree_id(tree_id));
    const LPARAM partner = reinterpret_cast<LPARAM>(
        partner_item(shown_tree_items(), tree_id, note.itemNew.lParam));
    if (!other || !partner) return FALSE;
    switch (note.hdr.code) {
    case TVN_ITEMEXPANDEDA:
    case TVN_ITEMEXPANDEDW: SendMessageW(other, TVM_EXPAND, note.action, partner); return TRUE;
    case TVN_SELCHANGEDA:
    case TVN_SELCHANGEDW:   SendMessageW(other, TVM_SELECTITEM, TVGN_CARET, partner); return TRUE;
    }
    return FALSE;
}

// The output tree's file items ask for their names as they are shown, and so do those of the
// hidden output tree being filled. A W window's trees ask in UTF-16; a tree that asks in the
// code page gets what of the name the code page has.
BOOL on_output_text_wanted(NMHDR& header, const TreeItems& items) {
    if (header.code == TVN_GETDISPINFOW) {
        TVITEMW& wanted = reinterpret_cast<NMTVDISPINFOW&>(header).item;
        if ((wanted.mask & TVIF_TEXT) && wanted.cchTextMax > 0 &&
            !output_item_text(items, wanted.lParam, wanted.pszText, wanted.cchTextMax))
            wanted.pszText[0] = L'\0';
        return TRUE;
    }
    TVITEMA& wanted = reinterpret_cast<NMTVDISPINFOA&>(header).item;
    if (!(wanted.mask & TVIF_TEXT) || wanted.cchTextMax <= 0) return TRUE;
    wchar_t text[text_capacity] = {};
    wanted.pszText[0] = '\0';
    if (output_item_text(items, wanted.lParam, text, text_capacity) &&
        !WideCharToMultiByte(CP_ACP, 0, text, -1, wanted.pszText, wanted.cchTextMax, nullptr,
                             nullptr))
        wanted.pszText[0] = '\0';
    return TRUE;
}

BOOL on_notify(NMHDR& header) {
    if (header.code == TVN_GETDISPINFOA || header.code == TVN_GETDISPINFOW) {
        const TreeItems* items = tree_items_of(static_cast<int>(header.idFrom));
        return items ? on_output_text_wanted(header, *items) : FALSE;
    }
    if (header.code == TVN_GETINFOTIPA || header.code == TVN_GETINFOTIPW) {
        if (header.idFrom != IDC_MAIN_OUTPUT_TREE) return FALSE;
        return on_output_tip_wanted(header, shown_tree_items());
    }
    if (header.idFrom != IDC_MAIN_INPUT_TREE && header.idFrom != IDC_MAIN_OUTPUT_TREE) return FALSE;
    return on_tree_notify(reinterpret_cast<const NMTREEVIEWW&>(header));
}

// Only the log box has a menu of the window's own; other controls keep theirs.
BOOL on_context_menu(HWND window, HWND control, LPARAM at) {
    if (control != item(IDC_MAIN_LOG)) return FALSE;
    open_log_menu(window, at);
    return TRUE;
}

void on_timer(HWND window, UINT_PTR timer) {
    if (timer == log_timer_id)
        on_log_timer(window);
    else if (!on_tree_slice_timer(window, timer))
        on_scan_timer(window, timer);
}

INT_PTR CALLBACK main_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_INITDIALOG: on_init_dialog(window); return TRUE;  // TRUE: default focus
    case WM_COMMAND:    return on_command(LOWORD(wparam), HIWORD(wparam));
    case WM_NOTIFY:     return on_notify(*reinterpret_cast<NMHDR*>(lparam));
    case WM_CONTEXTMENU: return on_context_menu(window, reinterpret_cast<HWND>(wparam), lparam);
    case WM_TIMER:      on_timer(window, wparam); return TRUE;
    case WM_SIZE:       layout_controls(window); return FALSE;
    case WM_GETMINMAXINFO:
        return set_minimum_track_size(window, *reinterpret_cast<MINMAXINFO*>(lparam));
    case dpi_changed_message:
        on_dpi_changed(window, LOWORD(wparam), *reinterpret_cast<const RECT*>(lparam));
        return TRUE;
    case scan_ended_message: on_scan_ended(wparam); return TRUE;
    case tree_slice_message: on_tree_slice_message(wparam); return TRUE;
    case run_ended_message: on_run_ended(window, state.stored); return TRUE;
    case WM_CLOSE:      on_close(window); return TRUE;
    case WM_DESTROY:    on_destroy(); return FALSE;
    }
    return FALSE;
}

}  // namespace

HWND create_main_window() {
    return CreateDialogParamW(app_instance(), MAKEINTRESOURCEW(IDD_MAIN), nullptr,
                              main_window_proc, 0);
}
