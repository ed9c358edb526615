// The main window (dialog 105): fields, trees, converter strip and log box.
#pragma once

#include <windows.h>

// Creates the main window modelessly; its initialisation loads the settings, fills the window,
// shows and centres it. Null when the dialog cannot be created. Closing the window destroys it,
// which saves the settings and posts the quit message with code 0.
HWND create_main_window();
