// The converters dialog: create, copy, delete, reorder and edit converters on a working copy.
#pragma once

#include <windows.h>

#include "engine/converter.h"

// Opens the dialog modally over the main window and returns when it is closed. On "OK" the main
// list is replaced by the dialog's working copy and the main window's converter box (1016) is
// refilled in the dialog's order with the dialog's row selected; "Cancel" or the close box
// leave both untouched.
void open_converters_dialog(HWND main_window, ConverterList& main_list);
