// The main window's size, place and DPI: the controls follow the window as it is resized, the
// window opens where it was closed, and a change of DPI scales the layout, the font and the
// tree glyphs.
#pragma once

#include <windows.h>

#include "engine/stored_settings.h"

// Some headers know the message only for newer Windows versions.
constexpr UINT dpi_changed_message = 0x02E0;

// Records the design: every control's rectangle as the template placed it, how it follows the
// window (layout_rules), the client size, the minimum size and the DPI. Call first thing in
// WM_INITDIALOG, while the window still has the template's size. It also keeps Windows from
// scaling the dialog on a DPI change, which on_dpi_changed does instead.
void capture_design_layout(HWND window);

// Shows the window at placement, maximised if it was. An unknown placement, or one whose
// caption no screen shows any more, opens the window at the default: the design size, made to
// fit the primary screen (never below the minimum), centred as center_window does.
void show_at_placement(HWND window, const WindowPlacement& placement);

// The window's placement now, for the settings file: its restored frame in screen pixels (also
// while it is maximised or minimised) and whether it is maximised. Always known.
WindowPlacement current_placement(HWND window);

// WM_SIZE: every control to its place for the client size. At the design size every control is
// exactly where the template put it. Nothing happens before capture_design_layout or while the
// window is minimised. What the controls covered is painted anew.
void layout_controls(HWND window);

// WM_GETMINMAXINFO: the smallest size the user can give the window. False before the design is
// captured (the message comes during creation too).
bool set_minimum_track_size(HWND window, MINMAXINFO& info);

// WM_DPICHANGED: the design, the minimum and the font scaled from the old DPI to dpi, the tree
// glyphs replaced by the size for dpi, and the window moved to the suggested rectangle.
void on_dpi_changed(HWND window, int dpi, const RECT& suggested);

// The DPI of the window's screen: GetDpiForWindow where the system has it (looked up at run
// time, so the program still starts on Windows 7), else the system DPI.
int window_dpi(HWND window);

// WM_DESTROY: forgets the design and releases a font made for a DPI change.
void release_layout();

// new_control takes old_control's place in the layout: it is moved and sized as old_control was.
void replace_laid_out_control(HWND old_control, HWND new_control);
