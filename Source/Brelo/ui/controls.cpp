// Control texts through the W calls, and the converter rows of the combo and list boxes.
#include "ui/controls.h"

#include <vector>

#include "Common/wide_text.h"

namespace {

// The text a row-reading message (CB_GETLBTEXT, LB_GETTEXT) writes, after its length message
// says how long it is.
std::string row_text(HWND control, UINT length_message, UINT text_message, int row) {
    const LRESULT length = SendMessageW(control, length_message, row, 0);
    if (length < 0) return std::string();
    std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1, L'\0');
    SendMessageW(control, text_message, row, reinterpret_cast<LPARAM>(buffer.data()));
    return fit_text(wide_to_utf8(buffer.data()));
}

}  // namespace

std::wstring whole_control_wide_text(HWND control) {
    const int length = GetWindowTextLengthW(control);
    if (length <= 0) return std::wstring();
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(control, &text[0], length + 1);
    text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
    return text;
}

std::string whole_control_text(HWND control) {
    return wide_to_utf8(whole_control_wide_text(control));
}

std::string control_text(HWND control) { return fit_text(whole_control_text(control)); }

std::string dialog_item_text(HWND dialog, int id) {
    return control_text(GetDlgItem(dialog, id));
}

std::string combo_row_text(HWND combo, int row) {
    return row_text(combo, CB_GETLBTEXTLEN, CB_GETLBTEXT, row);
}

std::wstring fit_wide(const std::string& text, std::size_t capacity) {
    std::wstring wide = utf8_to_wide(text);
    if (capacity == 0) return std::wstring();
    if (wide.size() > capacity - 1) {
        std::size_t cut = capacity - 1;
        // The first half of a surrogate pair alone is no character.
        if (cut > 0 && wide[cut - 1] >= 0xD800 && wide[cut - 1] <= 0xDBFF) --cut;
        wide.resize(cut);
    }
    return wide;
}

bool set_control_text(HWND control, const std::string& text) {
    return SetWindowTextW(control, utf8_to_wide(text).c_str()) != FALSE;
}

bool set_dialog_item_text(HWND dialog, int id, const std::string& text) {
    return SetDlgItemTextW(dialog, id, utf8_to_wide(text).c_str()) != FALSE;
}

LRESULT ConverterRows::send(UINT message, WPARAM wparam, LPARAM lparam) const {
    return SendMessageW(control_, message, wparam, lparam);
}

int ConverterRows::count() const {
    return static_cast<int>(send(LB_GETCOUNT, 0, 0));
}

int ConverterRows::key_at(int row) const {
    // LB_ERR is -1.
    return static_cast<int>(send(LB_GETITEMDATA, row, 0));
}

int ConverterRows::selected_row() const {
    return static_cast<int>(send(LB_GETCURSEL, 0, 0));
}

void ConverterRows::select_row(int row) {
    send(LB_SETCURSEL, static_cast<WPARAM>(row), 0);
}

void ConverterRows::insert_row(int row, const std::string& title, int key) {
    const WPARAM at = row >= count() ? static_cast<WPARAM>(-1) : row;
    const std::wstring text = utf8_to_wide(title);
    const LRESULT index = send(LB_INSERTSTRING, at, reinterpret_cast<LPARAM>(text.c_str()));
    if (index >= 0) send(LB_SETITEMDATA, index, key);
}

void ConverterRows::add_row(const std::string& title, int key) {
    insert_row(count(), title, key);
}

void ConverterRows::delete_row(int row) {
    send(LB_DELETESTRING, row, 0);
}
