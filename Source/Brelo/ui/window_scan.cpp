// Input refreshes on worker threads: each scan is numbered, only the newest one's result is
// taken, and every older one is told to stop.
#include "ui/window_scan.h"

#include <atomic>
#include <memory>
#include <utility>

#include "platform/platform.h"
#include "ui/tree_fill.h"
#include "ui/window_values.h"

namespace {

// One scan, shared by its worker and the window's thread: the worker may outlive the window.
struct ScanJob {
    std::atomic<bool> superseded{false};
    RunSettings settings;
    InputRefresh refresh;  // complete once ended is set
    std::atomic<bool> ended{false};
};

// The window's side of the scans; touched only on the window's thread.
struct ScanState {
    // Counts over the program's life, so a late message of a closed window's scan never
    // matches a scan of the next window.
    unsigned started = 0;
    std::shared_ptr<ScanJob> newest;  // the scan whose result will be shown, until it is taken
    bool pausing = false;             // the typing pause runs; a scan starts when it ends
};

ScanState scans;

void supersede() {
    if (scans.newest) scans.newest->superseded = true;
    scans.newest.reset();
    supersede_tree_fill();
}

}  // namespace

void start_input_refresh(HWND window) {
    KillTimer(window, typing_pause_timer_id);
    scans.pausing = false;
    supersede();
    auto job = std::make_shared<ScanJob>();
    job->settings = read_run_settings(window);
    const unsigned number = ++scans.started;
    scans.newest = job;
    SetTimer(window, scanning_timer_id, scanning_shown_after_ms, nullptr);
    const auto scan = [window, job, number]() {
        job->refresh = refresh_input_tree(job->settings, &job->superseded);
        job->ended.store(true, std::memory_order_release);
        PostMessageW(window, scan_ended_message, number, 0);
    };
    if (!start_detached_thread(scan)) scan();
}

void start_input_refresh_after_pause(HWND window) {
    supersede();
    scans.pausing = true;
    SetTimer(window, typing_pause_timer_id, typing_pause_ms, nullptr);
}

bool on_scan_timer(HWND window, UINT_PTR timer) {
    if (timer == typing_pause_timer_id) {
        if (scans.pausing) start_input_refresh(window);
        KillTimer(window, typing_pause_timer_id);
        return true;
    }
    if (timer == scanning_timer_id) {
        KillTimer(window, scanning_timer_id);
        if (scans.newest) change_trees_quietly(window, [window] { show_scanning_items(window); });
        return true;
    }
    return false;
}

std::optional<ScanResult> take_scan_result(HWND window, WPARAM scan) {
    if (!scans.newest || scan != scans.started ||
        !scans.newest->ended.load(std::memory_order_acquire))
        return std::nullopt;
    std::shared_ptr<ScanJob> job = std::move(scans.newest);
    KillTimer(window, scanning_timer_id);
    return ScanResult{std::move(job->settings), std::move(job->refresh)};
}

void abandon_input_refresh(HWND window) {
    KillTimer(window, typing_pause_timer_id);
    KillTimer(window, scanning_timer_id);
    scans.pausing = false;
    supersede();
}

bool input_refresh_pending() {
    return scans.pausing || scans.newest != nullptr || tree_fill_pending();
}

unsigned input_scans_started() { return scans.started; }
