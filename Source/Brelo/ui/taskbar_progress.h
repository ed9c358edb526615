// A run's progress on the main window's taskbar button, where the system offers it (Windows 7
// and later). Elsewhere, or when the object cannot be made, every call does nothing.
#pragma once

#include <windows.h>

// The button shows a run whose end is not known yet (its files are being counted). Call on the
// window's thread, whose COM the program initialised.
void show_taskbar_busy(HWND window);

// The button shows done of total files; nothing changes for a total of 0.
void show_taskbar_progress(HWND window, int done, int total);

// The button shows no progress any more.
void clear_taskbar_progress(HWND window);

// Releases the taskbar object; the next call above makes it anew. Call before COM ends on the
// window's thread.
void release_taskbar();
