// The shell's folder picker and the open-file dialog for a converter's program.
#pragma once

#include <string>

#include <windows.h>

// Lets the user choose a file-system folder, opening at preselected when it exists. Texts are
// UTF-8. True with the folder's full path in result; false (result untouched) when the user cancelled.
bool pick_folder(HWND owner, const std::string& title, const std::string& preselected,
                 std::string& result);

// Lets the user choose an existing program file. True with its full path in result; false
// (result untouched) on cancel. The dialog may change the current directory; it is set back to
// the program directory afterwards.
bool pick_executable(HWND owner, std::string& result);
