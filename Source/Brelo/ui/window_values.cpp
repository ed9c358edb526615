// Values into the main window's controls and back out of them.
#include "ui/window_values.h"

#include <algorithm>

#include "Common/wide_text.h"
#include "engine/text_limits.h"
#include "ui/app.h"
#include "ui/controls.h"
#include "ui/resource.h"

namespace {

// The control that shows each history and switch of the stored settings.
struct HistoryBox {
    int id;
    History StoredSettings::*history;
};
constexpr HistoryBox history_boxes[] = {
    {IDC_MAIN_INPUT_DIR, &StoredSettings::input_directories},
    {IDC_MAIN_INPUT_PATTERNS, &StoredSettings::input_patterns},
    {IDC_MAIN_OUTPUT_DIR, &StoredSettings::output_directories},
    {IDC_MAIN_OUTPUT_PATTERN, &StoredSettings::output_patterns},
};

struct TickBox {
    int id;
    bool StoredSettings::*flag;
};
constexpr TickBox tick_boxes[] = {
    {IDC_MAIN_SUBFOLDERS, &StoredSettings::include_subfolders},
    {IDC_MAIN_INPUT_AUTO, &StoredSettings::input_auto_refresh},
    {IDC_MAIN_OUTPUT_AUTO, &StoredSettings::output_auto_refresh},
    {IDC_MAIN_SKIP_UP_TO_DATE, &StoredSettings::skip_up_to_date},
    {IDC_MAIN_KEEP_TIMES, &StoredSettings::keep_times},
};

bool is_ticked(HWND window, int id) { return IsDlgButtonChecked(window, id) == BST_CHECKED; }

// Rows go one by one rather than by CB_RESETCONTENT, which would empty the field as well: the
// field shows row 0 or the fallback and nothing in between. Selecting row 0 puts its text into
// the field.
void show_history(HWND window, const HistoryBox& history_box, const StoredSettings& stored) {
    const History& rows = stored.*history_box.history;
    HWND box = GetDlgItem(window, history_box.id);
    for (int row = static_cast<int>(SendMessageW(box, CB_GETCOUNT, 0, 0)) - 1; row >= 0; --row)
        SendMessageW(box, CB_DELETESTRING, row, 0);
    for (const std::string& row : rows)
        SendMessageW(box, CB_INSERTSTRING, static_cast<WPARAM>(-1),
                     reinterpret_cast<LPARAM>(utf8_to_wide(row).c_str()));
    if (rows.empty())
        set_control_text(box, shown_while_empty(history_box.history));
    else
        SendMessageW(box, CB_SETCURSEL, 0, 0);
}

// ---- Trees ------------------------------------------------------------------------------

constexpr LPARAM root_pair = 1;

HWND log_box(HWND window) { return GetDlgItem(window, IDC_MAIN_LOG); }

}  // namespace

RunSettings read_run_settings(HWND window) {
    RunSettings typed;
    typed.input_directory = dialog_item_text(window, IDC_MAIN_INPUT_DIR);
    typed.input_patterns = dialog_item_text(window, IDC_MAIN_INPUT_PATTERNS);
    typed.include_subfolders = is_ticked(window, IDC_MAIN_SUBFOLDERS);
    typed.output_directory = dialog_item_text(window, IDC_MAIN_OUTPUT_DIR);
    typed.output_pattern = dialog_item_text(window, IDC_MAIN_OUTPUT_PATTERN);
    typed.skip_up_to_date = is_ticked(window, IDC_MAIN_SKIP_UP_TO_DATE);
    typed.keep_times = is_ticked(window, IDC_MAIN_KEEP_TIMES);
    return capture_settings(std::move(typed));
}

void show_stored_settings(HWND window, const StoredSettings& stored) {
    for (const HistoryBox& box : history_boxes) show_history(window, box, stored);
    for (const TickBox& box : tick_boxes)
        CheckDlgButton(window, box.id, stored.*box.flag ? BST_CHECKED : BST_UNCHECKED);
    show_converters(window, stored);
}

void show_converters(HWND window, const StoredSettings& stored) {
    HWND box = GetDlgItem(window, IDC_MAIN_CONVERTER);
    SendMessageW(box, CB_RESETCONTENT, 0, 0);
    for (const Converter& converter : stored.converters)
        SendMessageW(box, CB_ADDSTRING, 0,
                     reinterpret_cast<LPARAM>(utf8_to_wide(converter.title).c_str()));
    SendMessageW(box, CB_SETCURSEL, static_cast<WPARAM>(stored.current_converter), 0);
}

void read_tick(HWND window, int id, StoredSettings& stored) {
    for (const TickBox& box : tick_boxes)
        if (box.id == id) stored.*box.flag = is_ticked(window, id);
}

void remember_in_history_boxes(HWND window, StoredSettings& stored,
                               const RememberedValues& values) {
    remember_values(stored, values);
    for (const HistoryBox& box : history_boxes) show_history(window, box, stored);
}

void set_item_text(HWND tree, HTREEITEM item, const std::string& text) {
    std::wstring copy = fit_wide(text);
    TVITEMW data = {};
    data.mask = TVIF_HANDLE | TVIF_TEXT;
    data.hItem = item;
    data.pszText = &copy[0];
    SendMessageW(tree, TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&data));
}

HTREEITEM partner_item(const TreeItems& items, int tree_id, LPARAM pair) {
    const std::vector<HTREEITEM>& other =
        tree_id == IDC_MAIN_INPUT_TREE ? items.output : items.input;
    if (pair <= 0 || static_cast<std::size_t>(pair) >= other.size()) return nullptr;
    return other[static_cast<std::size_t>(pair)];
}

bool output_item_text(const TreeItems& items, LPARAM pair, wchar_t* buffer, int capacity) {
    if (pair <= 0 || static_cast<std::size_t>(pair) >= items.files.size() || capacity <= 0)
        return false;
    const PreviewFile* file = items.files[static_cast<std::size_t>(pair)];
    if (!file) return false;
    const std::wstring name = fit_wide(std::string(file->output_name),
                                       std::min(text_capacity, static_cast<std::size_t>(capacity)));
    name.copy(buffer, name.size());
    buffer[name.size()] = L'\0';
    return true;
}

void show_scanning_items(HWND window) {
    for (int id : {IDC_MAIN_INPUT_TREE, IDC_MAIN_OUTPUT_TREE}) {
        HWND tree = GetDlgItem(window, id);
        // Every item the trees are filled with has its partner; only this one has none.
        HTREEITEM first =
            reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
        TVITEMW data = {};
        data.mask = TVIF_HANDLE | TVIF_PARAM;
        data.hItem = first;
        if (first && SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&data)) &&
            data.lParam == 0)
            continue;
        TVINSERTSTRUCTW insert = {};
        insert.hParent = TVI_ROOT;
        insert.hInsertAfter = TVI_FIRST;
        insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM;
        std::wstring text = utf8_to_wide(scanning_text);
        insert.item.pszText = &text[0];
        // No glyph: the item is neither a folder nor a file.
        insert.item.iImage = -1;
        insert.item.iSelectedImage = -1;
        insert.item.lParam = 0;
        SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert));
        SendMessageW(tree, TVM_ENSUREVISIBLE, 0, SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
    }
}

void repaint_trees_and_log(HWND window) {
    for (int id : {IDC_MAIN_INPUT_TREE, IDC_MAIN_OUTPUT_TREE, IDC_MAIN_LOG}) {
        HWND control = GetDlgItem(window, id);
        RECT area;
        GetWindowRect(control, &area);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&area), 2);
        RedrawWindow(window, &area, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
        RedrawWindow(control, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
    }
}

void show_output_names(HWND window, const FileTrees& trees, const TreeItems& items) {
    if (items.output.size() <= static_cast<std::size_t>(root_pair)) return;
    HWND tree = GetDlgItem(window, IDC_MAIN_OUTPUT_TREE);
    set_item_text(tree, items.output[root_pair], trees.output_root);
    InvalidateRect(tree, nullptr, TRUE);
}

void raise_log_limit(HWND window) {
    // Zero asks for the largest limit the control has.
    SendMessageW(log_box(window), EM_SETLIMITTEXT, 0, 0);
}

void set_log_text(HWND window, const std::string& text) {
    set_control_text(log_box(window), text);
    SendMessageW(log_box(window), EM_SETMODIFY, FALSE, 0);
}

// The box counts its text in UTF-16 units, so its end is found by the W length.
void append_log_text(HWND window, const std::string& text) {
    HWND box = log_box(window);
    const int end = GetWindowTextLengthW(box);
    SendMessageW(box, EM_SETSEL, end, end);
    SendMessageW(box, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(utf8_to_wide(text).c_str()));
    SendMessageW(box, EM_SETMODIFY, FALSE, 0);
}

void scroll_log_to_end(HWND window) {
    const LRESULT lines = SendMessageW(log_box(window), EM_GETLINECOUNT, 0, 0);
    SendMessageW(log_box(window), EM_LINESCROLL, 0, lines);
}

bool log_edited_by_user(HWND window) {
    return SendMessageW(log_box(window), EM_GETMODIFY, 0, 0) != 0;
}
