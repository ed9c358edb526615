// The main window's parts over its controls.
#include "ui/window_parts_win32.h"

#include <vector>

#include <commctrl.h>

#include "engine/text_limits.h"
#include "ui/app.h"
#include "ui/resource.h"

std::string control_text(HWND control) {
    char buffer[text_capacity] = {};
    GetWindowTextA(control, buffer, sizeof buffer);
    return buffer;
}

std::string dialog_item_text(HWND dialog, int id) {
    return control_text(GetDlgItem(dialog, id));
}

void Win32LogBox::set_text(const std::string& text) {
    SetDlgItemTextA(dialog_, IDC_MAIN_LOG, text.c_str());
}

void Win32LogBox::scroll_to_end() {
    const LRESULT lines = SendDlgItemMessageA(dialog_, IDC_MAIN_LOG, EM_GETLINECOUNT, 0, 0);
    SendDlgItemMessageA(dialog_, IDC_MAIN_LOG, EM_LINESCROLL, 0, lines);
}

std::string Win32MainFields::text(HistoryField field) const {
    return dialog_item_text(dialog_, static_cast<int>(field));
}

void Win32MainFields::set_text(HistoryField field, const std::string& text) {
    SetDlgItemTextA(dialog_, static_cast<int>(field), text.c_str());
}

bool Win32MainFields::is_checked(Switch box) const {
    return IsDlgButtonChecked(dialog_, static_cast<int>(box)) == BST_CHECKED;
}

void Win32MainFields::set_checked(Switch box, bool checked) {
    CheckDlgButton(dialog_, static_cast<int>(box), checked ? BST_CHECKED : BST_UNCHECKED);
}

int Win32MainFields::converter_row() const {
    return static_cast<int>(SendDlgItemMessageA(dialog_, IDC_MAIN_CONVERTER, CB_GETCURSEL, 0, 0));
}

LRESULT Win32HistoryList::send(UINT message, WPARAM wparam, LPARAM lparam) const {
    return SendDlgItemMessageA(dialog_, static_cast<int>(field_), message, wparam, lparam);
}

int Win32HistoryList::count() const {
    return static_cast<int>(send(CB_GETCOUNT, 0, 0));
}

std::string Win32HistoryList::row(int index) const {
    const LRESULT length = send(CB_GETLBTEXTLEN, index, 0);
    if (length == CB_ERR) return std::string();
    std::vector<char> buffer(static_cast<size_t>(length) + 1, '\0');
    send(CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(buffer.data()));
    return fit_text(buffer.data());
}

void Win32HistoryList::insert_row(int index, const std::string& text) {
    const WPARAM at = index >= count() ? static_cast<WPARAM>(-1) : index;
    send(CB_INSERTSTRING, at, reinterpret_cast<LPARAM>(text.c_str()));
}

void Win32HistoryList::delete_row(int index) {
    send(CB_DELETESTRING, index, 0);
}

void Win32HistoryList::select_row(int index) {
    send(CB_SETCURSEL, index, 0);
}

LRESULT Win32ConverterBox::send(UINT message, WPARAM wparam, LPARAM lparam) const {
    return SendMessageA(control_, message, wparam, lparam);
}

int Win32ConverterBox::count() const {
    return static_cast<int>(send(list_ ? LB_GETCOUNT : CB_GETCOUNT, 0, 0));
}

int Win32ConverterBox::key_at(int row) const {
    return static_cast<int>(send(list_ ? LB_GETITEMDATA : CB_GETITEMDATA, row, 0));
}

int Win32ConverterBox::selected_row() const {
    return static_cast<int>(send(list_ ? LB_GETCURSEL : CB_GETCURSEL, 0, 0));
}

void Win32ConverterBox::select_row(int row) {
    send(list_ ? LB_SETCURSEL : CB_SETCURSEL, static_cast<WPARAM>(row), 0);
}

void Win32ConverterBox::clear() {
    // Last row first, as the rows are removed one by one.
    for (int row = count() - 1; row >= 0; --row) delete_row(row);
}

void Win32ConverterBox::add_row(const std::string& title, int key) {
    insert_row(count(), title, key);
}

std::string Win32ConverterBox::title_at(int row) const {
    const LRESULT length = send(list_ ? LB_GETTEXTLEN : CB_GETLBTEXTLEN, row, 0);
    if (length < 0) return std::string();
    std::vector<char> buffer(static_cast<size_t>(length) + 1, '\0');
    send(list_ ? LB_GETTEXT : CB_GETLBTEXT, row, reinterpret_cast<LPARAM>(buffer.data()));
    return fit_text(buffer.data());
}

void Win32ConverterBox::insert_row(int row, const std::string& title, int key) {
    const WPARAM at = row >= count() ? static_cast<WPARAM>(-1) : row;
    const UINT message = list_ ? LB_INSERTSTRING : CB_INSERTSTRING;
    const LRESULT index = send(message, at, reinterpret_cast<LPARAM>(title.c_str()));
    if (index >= 0) send(list_ ? LB_SETITEMDATA : CB_SETITEMDATA, index, key);
}

void Win32ConverterBox::delete_row(int row) {
    send(list_ ? LB_DELETESTRING : CB_DELETESTRING, row, 0);
}

void Win32RunButton::set_label(const std::string& label) {
    SetDlgItemTextA(dialog_, IDC_MAIN_RUN, label.c_str());
}

namespace {

HTREEITEM handle(TreeItem item) {
    return reinterpret_cast<HTREEITEM>(item);
}

HTREEITEM insert_position(TreeItem after) {
    if (after == tree_first) return TVI_FIRST;
    if (after == tree_last) return TVI_LAST;
    return handle(after);
}

}  // namespace

void Win32FileTree::clear() {
    SendMessageA(tree_, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
}

TreeItem Win32FileTree::insert_item(TreeItem parent, TreeItem after, const std::string& text,
                                    TreeImage image) {
    TVINSERTSTRUCTA insert = {};
    insert.hParent = parent == no_item ? TVI_ROOT : handle(parent);
    insert.hInsertAfter = insert_position(after);
    insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM;
    std::string copy = fit_text(text);
    insert.item.pszText = copy.data();
    insert.item.iImage = image == TreeImage::Folder ? folder_image : file_image;
    insert.item.iSelectedImage = insert.item.iImage;
    insert.item.lParam = 0;
    return static_cast<TreeItem>(
        SendMessageA(tree_, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
}

void Win32FileTree::set_partner(TreeItem item, TreeItem partner) {
    TVITEMA data = {};
    data.mask = TVIF_HANDLE | TVIF_PARAM;
    data.hItem = handle(item);
    data.lParam = static_cast<LPARAM>(partner);
    SendMessageA(tree_, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&data));
}

TreeItem Win32FileTree::partner(TreeItem item) const {
    TVITEMA data = {};
    data.mask = TVIF_HANDLE | TVIF_PARAM;
    data.hItem = handle(item);
    if (!SendMessageA(tree_, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&data))) return no_item;
    return static_cast<TreeItem>(data.lParam);
}

void Win32FileTree::select(TreeItem item) {
    SendMessageA(tree_, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(handle(item)));
}

void Win32FileTree::expand(TreeItem item) {
    SendMessageA(tree_, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(handle(item)));
}

TreeItem Win32FileTree::next_item(TreeItem item, UINT relation) const {
    return static_cast<TreeItem>(
        SendMessageA(tree_, TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(handle(item))));
}

TreeItem Win32FileTree::first_root() const {
    return next_item(no_item, TVGN_ROOT);
}

TreeItem Win32FileTree::first_child(TreeItem item) const {
    return next_item(item, TVGN_CHILD);
}

TreeItem Win32FileTree::next_sibling(TreeItem item) const {
    return next_item(item, TVGN_NEXT);
}

std::string Win32FileTree::text(TreeItem item) const {
    char buffer[text_capacity] = {};
    TVITEMA data = {};
    data.mask = TVIF_HANDLE | TVIF_TEXT;
    data.hItem = handle(item);
    data.pszText = buffer;
    data.cchTextMax = sizeof buffer;
    SendMessageA(tree_, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&data));
    return buffer;
}

void Win32FileTree::set_text(TreeItem item, const std::string& text) {
    std::string copy = fit_text(text);
    TVITEMA data = {};
    data.mask = TVIF_HANDLE | TVIF_TEXT;
    data.hItem = handle(item);
    data.pszText = copy.data();
    SendMessageA(tree_, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&data));
}

Win32MainWindow::Win32MainWindow(HWND dialog)
    : fields_(dialog),
      input_directory_(dialog, HistoryField::InputDirectory),
      input_patterns_(dialog, HistoryField::InputPatterns),
      output_directory_(dialog, HistoryField::OutputDirectory),
      output_pattern_(dialog, HistoryField::OutputPattern),
      converter_box_(GetDlgItem(dialog, IDC_MAIN_CONVERTER), false),
      log_box_(dialog),
      run_button_(dialog),
      input_tree_(GetDlgItem(dialog, IDC_MAIN_INPUT_TREE)),
      output_tree_(GetDlgItem(dialog, IDC_MAIN_OUTPUT_TREE)) {}

HistoryList& Win32MainWindow::history(HistoryField field) {
    switch (field) {
    case HistoryField::InputDirectory: return input_directory_;
    case HistoryField::InputPatterns: return input_patterns_;
    case HistoryField::OutputDirectory: return output_directory_;
    case HistoryField::OutputPattern: break;
    }
    return output_pattern_;
}
