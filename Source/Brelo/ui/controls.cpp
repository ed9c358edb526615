// Control texts and the converter rows of the combo and list boxes.
#include "ui/controls.h"

#include <vector>

#include "engine/text_limits.h"

std::string control_text(HWND control) {
    char buffer[text_capacity] = {};
    GetWindowTextA(control, buffer, sizeof buffer);
    return buffer;
}

std::string dialog_item_text(HWND dialog, int id) {
    return control_text(GetDlgItem(dialog, id));
}

std::string combo_row_text(HWND combo, int row) {
    const LRESULT length = SendMessageA(combo, CB_GETLBTEXTLEN, row, 0);
    if (length < 0) return std::string();
    std::vector<char> buffer(static_cast<size_t>(length) + 1, '\0');
    SendMessageA(combo, CB_GETLBTEXT, row, reinterpret_cast<LPARAM>(buffer.data()));
    return fit_text(buffer.data());
}

LRESULT ConverterRows::send(UINT message, WPARAM wparam, LPARAM lparam) const {
    return SendMessageA(control_, message, wparam, lparam);
}

int ConverterRows::count() const {
    return static_cast<int>(send(list_ ? LB_GETCOUNT : CB_GETCOUNT, 0, 0));
}

int ConverterRows::key_at(int row) const {
    // LB_ERR and CB_ERR are both -1.
    return static_cast<int>(send(list_ ? LB_GETITEMDATA : CB_GETITEMDATA, row, 0));
}

std::string ConverterRows::title_at(int row) const {
    const LRESULT length = send(list_ ? LB_GETTEXTLEN : CB_GETLBTEXTLEN, row, 0);
    if (length < 0) return std::string();
    std::vector<char> buffer(static_cast<size_t>(length) + 1, '\0');
    send(list_ ? LB_GETTEXT : CB_GETLBTEXT, row, reinterpret_cast<LPARAM>(buffer.data()));
    return fit_text(buffer.data());
}

int ConverterRows::selected_row() const {
    return static_cast<int>(send(list_ ? LB_GETCURSEL : CB_GETCURSEL, 0, 0));
}

void ConverterRows::select_row(int row) {
    send(list_ ? LB_SETCURSEL : CB_SETCURSEL, static_cast<WPARAM>(row), 0);
}

void ConverterRows::insert_row(int row, const std::string& title, int key) {
    const WPARAM at = row >= count() ? static_cast<WPARAM>(-1) : row;
    const UINT message = list_ ? LB_INSERTSTRING : CB_INSERTSTRING;
    const LRESULT index = send(message, at, reinterpret_cast<LPARAM>(title.c_str()));
    if (index >= 0) send(list_ ? LB_SETITEMDATA : CB_SETITEMDATA, index, key);
}

void ConverterRows::add_row(const std::string& title, int key) {
    insert_row(count(), title, key);
}

void ConverterRows::delete_row(int row) {
    send(list_ ? LB_DELETESTRING : CB_DELETESTRING, row, 0);
}

void ConverterRows::clear() {
    // Last row first, as the rows are removed one by one.
    for (int row = count() - 1; row >= 0; --row) delete_row(row);
}
