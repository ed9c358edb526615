// What both dialogs share: the program's instance, window centring and the trees' image list.
#pragma once

#include <windows.h>
#include <commctrl.h>

// The module every resource is loaded from. Set first thing at start-up (tests set it to their
// own executable, which carries the same resources).
HINSTANCE app_instance();
void set_app_instance(HINSTANCE instance);

// Moves a top-level window to the centre of the primary screen's full-screen client area,
// keeping its size, and raises it to the top of the z-order.
void center_window(HWND window);

// Image indices of the two tree glyphs in the image list, set by create_tree_images.
extern int folder_image;
extern int file_image;

// Creates the trees' image list from bitmaps 113 (folder) and 112 (file). Returns 1 on success
// and 0 when the list cannot be created. The caller owns the list from tree_images() and
// releases it with destroy_tree_images().
int create_tree_images();
HIMAGELIST tree_images();
void destroy_tree_images();

// One message of the thread's loop: offered to the accelerator table (F5 reaches the main window
// as command 40001 wherever the focus is inside it), then to the dialog keyboard handling of the
// main window (Tab, arrows), and otherwise translated and dispatched.
void dispatch_message(HWND main_window, HACCEL accelerators, MSG& message);
