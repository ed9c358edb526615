// Values into the main window's controls and back out of them.
#include "ui/window_values.h"

#include <set>

#include "engine/text_limits.h"
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
    const int count = static_cast<int>(SendMessageA(box, CB_GETCOUNT, 0, 0));
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
    for (int row = static_cast<int>(SendMessageA(box, CB_GETCOUNT, 0, 0)) - 1; row >= 0; --row)
        SendMessageA(box, CB_DELETESTRING, row, 0);
    for (const std::string& row : rows)
        SendMessageA(box, CB_INSERTSTRING, static_cast<WPARAM>(-1),
                     reinterpret_cast<LPARAM>(row.c_str()));
    if (rows.empty())
        SetWindowTextA(box, fallback);
    else
        SendMessageA(box, CB_SETCURSEL, 0, 0);
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

enum Side { Input = 0, Output = 1 };

struct TreeFill {
    HWND trees[2];
    OutputItems& items;

    // The item goes in last under parent: folders are filled before files, so folders lead.
    HTREEITEM insert(Side side, HTREEITEM parent, const std::string& text, int image,
                     HTREEITEM partner) const {
        TVINSERTSTRUCTA insert = {};
        insert.hParent = parent ? parent : TVI_ROOT;
        insert.hInsertAfter = TVI_LAST;
        insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM;
        std::string copy = fit_text(text);
        insert.item.pszText = copy.data();
        insert.item.iImage = image;
        insert.item.iSelectedImage = image;
        insert.item.lParam = reinterpret_cast<LPARAM>(partner);
        return reinterpret_cast<HTREEITEM>(
            SendMessageA(trees[side], TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
    }

    void set_partner(Side side, HTREEITEM item, HTREEITEM partner) const {
        TVITEMA data = {};
        data.mask = TVIF_HANDLE | TVIF_PARAM;
        data.hItem = item;
        data.lParam = reinterpret_cast<LPARAM>(partner);
        SendMessageA(trees[side], TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&data));
    }

    // The output item is made knowing its partner; the input item learns its partner after.
    HTREEITEM insert_pair(HTREEITEM input_parent, HTREEITEM output_parent,
                          const std::string& input_text, const std::string& output_text,
                          int image, HTREEITEM& output_item) const {
        HTREEITEM input_item = insert(Input, input_parent, input_text, image, nullptr);
        output_item = insert(Output, output_parent, output_text, image, input_item);
        set_partner(Input, input_item, output_item);
        return input_item;
    }

    void fill(const PreviewFolder& folder, HTREEITEM input_parent, HTREEITEM output_parent) {
        for (const PreviewFolder& sub : folder.folders) {
            HTREEITEM output_item = nullptr;
            HTREEITEM input_item = insert_pair(input_parent, output_parent, sub.name, sub.name,
                                               folder_image, output_item);
            fill(sub, input_item, output_item);
        }
        for (const PreviewFile& file : folder.files) {
            HTREEITEM output_item = nullptr;
            insert_pair(input_parent, output_parent, file.name, file.output_name, file_image,
                        output_item);
            items.files.push_back(output_item);
        }
    }
};

void select_item(HWND tree, HTREEITEM item) {
    SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
}

void expand_item(HWND tree, HTREEITEM item) {
    SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item));
}

void set_item_text(HWND tree, HTREEITEM item, const std::string& text) {
    std::string copy = fit_text(text);
    TVITEMA data = {};
    data.mask = TVIF_HANDLE | TVIF_TEXT;
    data.hItem = item;
    data.pszText = copy.data();
    SendMessageA(tree, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&data));
}

// The same order as TreeFill::fill: sub-folders first, depth first, then the folder's files.
void rename_files(HWND tree, const PreviewFolder& folder, const std::vector<HTREEITEM>& files,
                  std::size_t& next) {
    for (const PreviewFolder& sub : folder.folders) rename_files(tree, sub, files, next);
    for (const PreviewFile& file : folder.files) {
        if (next >= files.size()) return;
        set_item_text(tree, files[next++], file.output_name);
    }
}

HWND log_box(HWND window) {
    return GetDlgItem(window, IDC_MAIN_LOG);
}

}  // namespace

CurrentSettings read_current_settings(HWND window) {
    CurrentSettings typed;
    typed.input_directory = dialog_item_text(window, IDC_MAIN_INPUT_DIR);
    typed.input_patterns = dialog_item_text(window, IDC_MAIN_INPUT_PATTERNS);
    typed.include_subfolders = is_ticked(window, IDC_MAIN_SUBFOLDERS);
    typed.input_auto_refresh = is_ticked(window, IDC_MAIN_INPUT_AUTO);
    typed.output_directory = dialog_item_text(window, IDC_MAIN_OUTPUT_DIR);
    typed.output_pattern = dialog_item_text(window, IDC_MAIN_OUTPUT_PATTERN);
    typed.output_auto_refresh = is_ticked(window, IDC_MAIN_OUTPUT_AUTO);
    typed.current_converter = converter_box(window).selected_row();
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

OutputItems show_file_trees(HWND window, const FileTrees* trees) {
    OutputItems items;
    TreeFill fill{
        {GetDlgItem(window, IDC_MAIN_INPUT_TREE), GetDlgItem(window, IDC_MAIN_OUTPUT_TREE)}, items};
    for (HWND tree : fill.trees) {
        SendMessageA(tree, WM_SETREDRAW, FALSE, 0);
        SendMessageA(tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
    }
    if (trees) {
        // The roots are selected before they are linked, as the items below them are filled
        // in: the selection notes carry no partner yet, so nothing is mirrored.
        HTREEITEM input_root = fill.insert(Input, nullptr, trees->input_root, folder_image,
                                           nullptr);
        items.root = fill.insert(Output, nullptr, trees->output_root, folder_image, nullptr);
        select_item(fill.trees[Input], input_root);
        select_item(fill.trees[Output], items.root);
        fill.set_partner(Input, input_root, items.root);
        fill.set_partner(Output, items.root, input_root);
        fill.fill(trees->top, input_root, items.root);
        expand_item(fill.trees[Input], input_root);
        expand_item(fill.trees[Output], items.root);
    }
    for (HWND tree : fill.trees) {
        SendMessageA(tree, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(tree, nullptr, TRUE);
    }
    return items;
}

void show_output_names(HWND window, const FileTrees& trees, const OutputItems& items) {
    if (!items.root) return;
    HWND tree = GetDlgItem(window, IDC_MAIN_OUTPUT_TREE);
    set_item_text(tree, items.root, trees.output_root);
    std::size_t next = 0;
    rename_files(tree, trees.top, items.files, next);
}

void raise_log_limit(HWND window) {
    // Zero asks for the largest limit the control has.
    SendMessageA(log_box(window), EM_SETLIMITTEXT, 0, 0);
}

void set_log_text(HWND window, const std::string& text) {
    SetWindowTextA(log_box(window), text.c_str());
    SendMessageA(log_box(window), EM_SETMODIFY, FALSE, 0);
}

void append_log_text(HWND window, const std::string& text) {
    HWND box = log_box(window);
    const int end = GetWindowTextLengthA(box);
    SendMessageA(box, EM_SETSEL, end, end);
    SendMessageA(box, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
    SendMessageA(box, EM_SETMODIFY, FALSE, 0);
}

void scroll_log_to_end(HWND window) {
    const LRESULT lines = SendMessageA(log_box(window), EM_GETLINECOUNT, 0, 0);
    SendMessageA(log_box(window), EM_LINESCROLL, 0, lines);
}

bool log_edited_by_user(HWND window) {
    return SendMessageA(log_box(window), EM_GETMODIFY, 0, 0) != 0;
}
