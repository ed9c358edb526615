// Small helpers over single controls, shared by both dialogs: UTF-8 texts in and out of the W
// calls, cut to the program's 260-byte values, and the combo and list boxes whose rows carry
// converter keys.
#pragma once

#include <cstddef>
#include <string>

#include <windows.h>

#include "engine/text_limits.h"

// The text of a control in UTF-8, cut to at most 259 bytes (what a value of the program holds),
// never inside a character. Empty for a control without text or no control at all.
std::string control_text(HWND control);
// The control's whole text in UTF-8, however long (a caption, not a value).
std::string whole_control_text(HWND control);
// The same in UTF-16, as the control holds it.
std::wstring whole_control_wide_text(HWND control);
std::string dialog_item_text(HWND dialog, int id);
// The text of a combo box's row, read and cut the same way; empty for a row that does not exist.
std::string combo_row_text(HWND combo, int row);

// The UTF-16 form of text for a W call that shows it, cut to at most capacity - 1 units; a
// character beyond U+FFFF, which takes two units, is left out whole rather than halved.
std::wstring fit_wide(const std::string& text, std::size_t capacity = text_capacity);

// Sets a control's text, or a dialog item's, from UTF-8. False when the control refuses it.
bool set_control_text(HWND control, const std::string& text);
bool set_dialog_item_text(HWND dialog, int id, const std::string& text);

// The converters dialog's list box, one row per converter. Each row carries its converter's key
// as item data. The object only names the control; every call is a message to it.
class ConverterRows {
public:
    explicit ConverterRows(HWND control) : control_(control) {}
    int count() const;
    // The key of the row; -1 for a row that does not exist.
    int key_at(int row) const;
    int selected_row() const;             // -1 when none
    void select_row(int row);             // -1 clears the selection
    // Inserts the row before row (at the end when row >= count()).
    void insert_row(int row, const std::string& title, int key);
    void add_row(const std::string& title, int key);  // appended at the end
    void delete_row(int row);

private:
    LRESULT send(UINT message, WPARAM wparam, LPARAM lparam) const;
    HWND control_;
};
