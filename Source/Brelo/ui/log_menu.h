// The log box's context menu: Save Log As... (also Ctrl+S), Copy and Run Failed Again.
#pragma once

#include <string>

#include <windows.h>

// Makes the log box send its context menu requests (right click, the menu key, Shift+F10) to
// the main window as WM_CONTEXTMENU, instead of opening the edit control's own menu.
void route_log_context_menu(HWND window);

// The menu as it opens now: Run Failed Again is enabled only when can_run_failed_again holds.
// The caller destroys the menu it returns (null when the resource cannot be loaded).
HMENU create_log_menu();

// WM_CONTEXTMENU from the log box: opens the menu at the pointer, or, from the keyboard (at is
// -1, -1), at the log box's caret. Its commands come to the window as WM_COMMAND.
void open_log_menu(HWND window, LPARAM at);

// Writes the log box's whole text, as it shows it, to path in UTF-8 with CR LF line ends,
// replacing the file. False when the file cannot be written.
bool save_log_to(HWND window, const std::string& path);

// Save Log As...: a save-file dialog chooses the path, then save_log_to writes it. A file that
// cannot be written gets a notice at the end of the log box.
void on_save_log_as(HWND window);

// Copy: the log box's selection to the clipboard, or its whole text when nothing is selected.
void on_copy_log(HWND window);
