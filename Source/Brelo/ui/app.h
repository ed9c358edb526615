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

// Creates the trees' image list with glyphs of glyph_size pixels (16, 24 or 32; any other size
// takes 16): the bitmaps of the folder (113, 117, 119) and the file (112, 116, 118). Returns 1
// on success and 0 when the list cannot be created. The caller owns the list from
// tree_images() and releases it with destroy_tree_images(); a second call replaces the list,
// and the caller releases the previous one, from take_tree_images(), once no tree uses it.
// The output tree's state images, the marks (140, 141, 142), come in a second list of the
// same size, tree_mark_images(), made and released with the first (null when it could not be
// made; the trees then show no marks).
int create_tree_images(int glyph_size = 16);
HIMAGELIST tree_images();
HIMAGELIST tree_mark_images();
HIMAGELIST take_tree_mark_images();
// Hands the list over to the caller, who destroys it with ImageList_Destroy; tree_images() is
// then null.
HIMAGELIST take_tree_images();
void destroy_tree_images();

// One message of the thread's loop, taken with GetMessageW or PeekMessageW (the windows are W
// windows, and a character typed comes in UTF-16): offered to the accelerator table (F5 reaches
// the main window as command 40001 wherever the focus is inside it), then to the dialog keyboard
// handling of the main window (Tab, arrows), and otherwise translated and dispatched.
void dispatch_message(HWND main_window, HACCEL accelerators, MSG& message);
