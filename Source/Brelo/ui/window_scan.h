// Refreshes of the input side in the main window: the checks and the scan run on a worker
// thread, so the window's thread never waits for the file system; a newer refresh supersedes
// an older one, whose result is never shown.
#pragma once

#include <optional>

#include <windows.h>

#include "engine/run_settings.h"
#include "engine/scan.h"

// What a scan's worker posts to the main window when it has ended; the first parameter is the
// scan's number.
constexpr UINT scan_ended_message = WM_APP + 2;
// The pause after a keystroke before its refresh starts, and the time after which a scan that
// still runs shows that it does.
constexpr UINT_PTR typing_pause_timer_id = 2;
constexpr UINT_PTR scanning_timer_id = 3;
constexpr UINT typing_pause_ms = 120;
constexpr UINT scanning_shown_after_ms = 250;

// Starts a refresh of the input side now with the fields as they are: a worker runs
// refresh_input_tree on them. Whatever refresh was started before is superseded: its scan is
// told to stop and its result will never be shown, and trees still being filled are emptied
// (supersede_tree_fill). When no thread can be started, the refresh
// runs here and its result is posted all the same.
void start_input_refresh(HWND window);

// The same after the typing pause, which every call starts anew; the refresh in progress is
// superseded at once, so typing never waits for a scan of what was typed before.
void start_input_refresh_after_pause(HWND window);

// The window's timers of this file: the end of the typing pause starts the refresh; a scan
// still running when the scanning timer fires gets the "Scanning..." items in the trees.
// False for a timer that is not one of these.
bool on_scan_timer(HWND window, UINT_PTR timer);

// A scan's result as the window shows it, with the fields the scan was started with.
struct ScanResult {
    RunSettings settings;
    InputRefresh refresh;
};

// The worker's end message for the scan numbered scan: the result of the newest refresh, taken
// over by the caller to show; nothing for a superseded scan or a message already handled.
std::optional<ScanResult> take_scan_result(HWND window, WPARAM scan);

// The window closes: a pending or running refresh is abandoned.
void abandon_input_refresh(HWND window);

// True from the start of a refresh (or of its typing pause) until its result has been taken,
// the trees are filled with it and the trees it replaced are emptied and gone.
bool input_refresh_pending();

// The number of scans started since the program began; each refresh starts one.
unsigned input_scans_started();
