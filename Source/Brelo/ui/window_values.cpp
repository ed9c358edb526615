// Values into the main window's controls and back out of them.
#include "ui/window_values.h"

#include <algorithm>
#include <set>

#include "engine/text_limits.h"
#include "platform/wide_text.h"
#include "ui/app.h"
#include "ui/controls.h"
#include "ui/resource.h"

namespace {

// Each history field: its combo box, and the text the field shows while its history is empty.
struct HistoryBox {
    HistoryField field;
    int id;
    const char* fallback;
};
constexpr HistoryBox history_boxes[] = {
    {HistoryField::InputDirectory, IDC_MAIN_INPUT_DIR, ""},
    {HistoryField::InputPatterns, IDC_MAIN_INPUT_PATTERNS, input_patterns_fallback},
    {HistoryField::OutputDirectory, IDC_MAIN_OUTPUT_DIR, ""},
    {HistoryField::OutputPattern, IDC_MAIN_OUTPUT_PATTERN, output_pattern_fallback},
};

bool is_ticked(HWND window, int id) {
    return IsDlgButtonChecked(window, id) == BST_CHECKED;
}

void set_tick(HWND window, int id, bool ticked) {
    CheckDlgButton(window, id, ticked ? BST_CHECKED : BST_UNCHECKED);
}

ConverterRows converter_box(HWND window) {
    return ConverterRows(GetDlgItem(window, IDC_MAIN_CONVERTER), false);
}

History history_rows(HWND window, int id) {
    HWND box = GetDlgItem(window, id);
    const int count = static_cast<int>(SendMessageW(box, CB_GETCOUNT, 0, 0));
    History rows;
    for (int row = 0; row < count && row < history_capacity; ++row)
        rows.push_back(combo_row_text(box, row));
    return rows;
}

// Rows go one by one rather than by CB_RESETCONTENT, which would empty the field as well: the
// field shows row 0 or the fallback and nothing in between. Selecting row 0 puts its text into
// the field.
void show_history(HWND window, int id, const History& rows, const char* fallback) {
    HWND box = GetDlgItem(window, id);
    for (int row = static_cast<int>(SendMessageW(box, CB_GETCOUNT, 0, 0)) - 1; row >= 0; --row)
        SendMessageW(box, CB_DELETESTRING, row, 0);
    for (const std::string& row : rows)
        SendMessageW(box, CB_INSERTSTRING, static_cast<WPARAM>(-1),
                     reinterpret_cast<LPARAM>(utf8_to_wide(row).c_str()));
    if (rows.empty())
        set_control_text(box, fallback);
    else
        SendMessageW(box, CB_SETCURSEL, 0, 0);
}

const std::string* remembered_value(const RememberedValues& values, HistoryField field) {
    switch (field) {
    case HistoryField::InputDirectory: return &values.input_directory;
    case HistoryField::InputPatterns: return &values.input_patterns;
    case HistoryField::OutputDirectory: return &values.output_directory;
    case HistoryField::OutputPattern: break;
    }
    return &values.output_pattern;
}

// ---- Trees ------------------------------------------------------------------------------

constexpr LPARAM root_pair = 1;

HWND log_box(HWND window) {
    return GetDlgItem(window, IDC_MAIN_LOG);
}

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

std::optional<Converter> selected_converter(HWND window, const ConverterList& converters) {
    const ConverterRows box = converter_box(window);
    const int row = box.selected_row();
    if (row < 0 || row >= box.count()) return std::nullopt;
    return find_converter(converters, box.key_at(row));
}

void show_stored_settings(HWND window, const StoredSettings& stored, ConverterList& converters) {
    for (const HistoryBox& box : history_boxes)
        show_history(window, box.id, stored.history(box.field), box.fallback);
    set_tick(window, IDC_MAIN_SUBFOLDERS, stored.include_subfolders);
    set_tick(window, IDC_MAIN_INPUT_AUTO, stored.input_auto_refresh);
    set_tick(window, IDC_MAIN_OUTPUT_AUTO, stored.output_auto_refresh);
    set_tick(window, IDC_MAIN_SKIP_UP_TO_DATE, stored.skip_up_to_date);
    set_tick(window, IDC_MAIN_KEEP_TIMES, stored.keep_times);

    converters.clear();
    ConverterRows box = converter_box(window);
    box.clear();
    for (std::size_t i = 0; i < stored.converters.size(); ++i) {
        const int key = static_cast<int>(i);
        converters.emplace(key, stored.converters[i]);
        box.add_row(stored.converters[i].title, key);
    }
    box.select_row(stored.current_converter);
}

StoredSettings read_stored_settings(HWND window, const ConverterList& converters) {
    StoredSettings stored;
    for (const HistoryBox& box : history_boxes)
        stored.history(box.field) = history_rows(window, box.id);
    stored.include_subfolders = is_ticked(window, IDC_MAIN_SUBFOLDERS);
    stored.input_auto_refresh = is_ticked(window, IDC_MAIN_INPUT_AUTO);
    stored.output_auto_refresh = is_ticked(window, IDC_MAIN_OUTPUT_AUTO);
    stored.skip_up_to_date = is_ticked(window, IDC_MAIN_SKIP_UP_TO_DATE);
    stored.keep_times = is_ticked(window, IDC_MAIN_KEEP_TIMES);

    const ConverterRows box = converter_box(window);
    const int rows = box.count();
    const int selected = box.selected_row();
    const int selected_key = selected >= 0 && selected < rows ? box.key_at(selected) : -1;
    std::set<int> placed;
    auto place = [&](int key) {
        const auto it = converters.find(key);
        if (it == converters.end() || !placed.insert(key).second) return;
        // The selected row's converter keeps its place in the file's numbering; a selection
        // that shows no converter of the list is none.
        if (key == selected_key && selected >= 0)
            stored.current_converter = static_cast<int>(stored.converters.size());
        stored.converters.push_back(it->second);
    };
    for (int row = 0; row < rows; ++row) place(box.key_at(row));
    for (const auto& entry : converters) place(entry.first);
    return stored;
}

void remember_in_history_boxes(HWND window, const RememberedValues& values) {
    for (const HistoryBox& box : history_boxes) {
        History rows = history_rows(window, box.id);
        remember_history(rows, *remembered_value(values, box.field));
        show_history(window, box.id, rows, box.fallback);
    }
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
    const std::wstring name = fit_wide(
        file->output_name, std::min(text_capacity, static_cast<std::size_t>(capacity)));
    name.copy(buffer, name.size());
    buffer[name.size()] = L'\0';
    return true;
}

void show_scanning_items(HWND window) {
    for (int id : {IDC_MAIN_INPUT_TREE, IDC_MAIN_OUTPUT_TREE}) {
        HWND tree = GetDlgItem(window, id);
        // Every item the trees are filled with has its partner; only this one has none.
        HTREEITEM first = reinterpret_cast<HTREEITEM>(
            SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
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
        SendMessageW(tree, TVM_ENSUREVISIBLE, 0,
                     SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
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
