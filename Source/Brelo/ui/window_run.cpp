// Run and Stop: the worker, the log pieces it leaves behind a mutex, and the window's side of
// showing them. The worker never touches a control; the window's thread shows only what is new.
#include "ui/window_run.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "batch/job_log.h"
#include "engine/batch_run.h"
#include "engine/conversion_log.h"
#include "engine/output_marks.h"
#include "engine/run_again.h"
#include "engine/run_plan.h"
#include "platform/platform.h"
#include "Common/wide_text.h"
#include "settings/settings_file.h"
#include "ui/console_text_bound.h"
#include "ui/controls.h"
#include "ui/dialog_rules.h"
#include "ui/resource.h"
#include "ui/taskbar_progress.h"
#include "ui/tree_marks.h"
#include "ui/update_pacing.h"
#include "ui/window_values.h"

namespace {

// The labels of the Run/Stop button.
constexpr const char* run_label = "Run";
constexpr const char* stop_label = "Stop";


constexpr const char* no_worker_message = "The run could not be started.";
// The notice of a run whose job log cannot be written (section "Output", key "Job Log"): the run
// does not start, as brelo-batch does not start one without its --joblog.
constexpr const char* job_log_key = "Job Log";
constexpr const char* unwritable_job_log_message = "The job log cannot be written: ";
// The timer that looks at the pending log text while files are converted; whether the box is
// brought up to date at a tick is the pacing's choice (each update costs the control a layout of
// the new text, and a run produces pieces far faster than anyone reads them).
constexpr UINT log_interval_ms = 100;
// Closing during a run waits this long beyond the stop grace for the running converter to
// finish (the engine ends a converter that outlives Stop by its grace time), so its output is
// complete.
constexpr auto close_wait_beyond_grace = std::chrono::seconds(10);

// What a worker leaves for the window's thread. Shared by both: the worker may outlive the
// window.
struct WorkerOutput {
    std::mutex mutex;
    std::string pending;   // log text not shown yet
    bool replace = false;  // pending replaces the box's text instead of following it
    bool notice = false;   // the replacing text is a notice, shown from its top
    RunResult result;      // complete once ended is set
    // The files the run left unconverted, in walk order (what Run Failed Again needs, so memory
    // follows the failures, not the run's size); the worker's alone until ended is set.
    std::vector<FileRecord> records;
    std::atomic<bool> ended{false};
    // The progress: counted before the run starts, then one file more at each file's end.
    std::atomic<int> matching{-1};     // files the run's walk will meet; -1 until counted
    std::atomic<int> done{0};          // files converted, failed or skipped so far
    std::atomic<bool> logging{false};  // the checks passed and the log has begun
    std::vector<FileRunMark> marks;    // files done, not marked in the output tree yet
};

// The run's events as the window wants them: kept, not shown, until the window's thread asks.
// Of each converter's console text only the beginning and the end are kept (ConsoleTextBound):
// a converter that writes without end must not fill the window's memory, nor the log box.
class PendingLogEvents : public LogTextEvents {
public:
    PendingLogEvents(std::shared_ptr<WorkerOutput> output, std::string input_directory)
        : output_(std::move(output)), input_directory_(std::move(input_directory)) {}
    void notice(const std::string& text) override { replace(text, true); }
    void header(const std::string& text) override {
        LogTextEvents::header(text);
        output_->logging = true;
    }
    void file_started(const std::string& input, const std::string& output,
                      const std::string& text) override {
        console_.begin();
        LogTextEvents::file_started(input, output, text);
    }
    void console_text(const std::string& text) override {
        const std::string shown = console_.take(text);
        if (!shown.empty()) append_text(shown);
    }
    void file_ended(const std::string& text) override {
        append_text(console_.end() + text);
        ++output_->done;
    }
    void file_skipped(const std::string& input, const std::string& output,
                      const std::string& text) override {
        LogTextEvents::file_skipped(input, output, text);
        ++output_->done;
    }
    void file_record(const FileRecord& record) override {
        FileRunMark mark = run_mark_of(record, input_directory_);
        std::lock_guard<std::mutex> lock(output_->mutex);
        output_->marks.push_back(std::move(mark));
        if (ended_unconverted(record.outcome)) output_->records.push_back(record);
    }

protected:
    void replace_text(const std::string& text) override { replace(text, false); }
    void append_text(const std::string& text) override {
        std::lock_guard<std::mutex> lock(output_->mutex);
        output_->pending += text;
    }

private:
    void replace(const std::string& text, bool notice) {
        std::lock_guard<std::mutex> lock(output_->mutex);
        output_->pending = text;
        output_->replace = true;
        output_->notice = notice;
    }
    std::shared_ptr<WorkerOutput> output_;
    std::string input_directory_;  // the run's, resolved: the marks' paths are below it
    ConsoleTextBound console_;  // the current file's entry
};

// The window's side of runs; touched only on the window's thread.
struct RunState {
    Event* stop = nullptr;
    std::chrono::milliseconds stop_grace = default_stop_grace;
    std::shared_ptr<WorkerOutput> worker;  // set from Run until the window handles the end
    bool running = false;                  // from Run until Stop or the end
    std::string log;                       // the run's log as far as shown
    bool box_holds_log = true;             // the log box shows log and nothing else
    std::string caption;                   // the window's own caption, given back at the end
    bool busy_shown = false;               // the taskbar shows the files being counted
    int shown_done = -1;                   // the progress the caption shows; -1 for none
    int shown_matching = -1;
    UpdatePacing pacing;                   // when the box may be updated again during the run
    std::string job_log;                   // [Output] Job Log as written; empty for none
    std::vector<FileRecord> last_records;  // the files the last run left unconverted
};

RunState run;

void set_run_label(HWND window, const char* label) {
    set_dialog_item_text(window, IDC_MAIN_RUN, label);
}

// The box gets only the new text, unless something else wrote into it since: then the whole log
// goes in again, once.
void show_pending(HWND window) {
    std::string text;
    bool replace = false;
    bool notice = false;
    std::vector<FileRunMark> marks;
    {
        std::lock_guard<std::mutex> lock(run.worker->mutex);
        marks.swap(run.worker->marks);
        text.swap(run.worker->pending);
        replace = std::exchange(run.worker->replace, false);
        notice = run.worker->notice;
    }
    if (!marks.empty()) show_run_marks(window, marks);
    if (replace) {
        run.log = std::move(text);
        set_log_text(window, run.log);
        run.box_holds_log = true;
        if (!notice) scroll_log_to_end(window);
        return;
    }
    if (text.empty()) return;
    run.log += text;
    if (run.box_holds_log && !log_edited_by_user(window)) {
        append_log_text(window, text);
    } else {
        set_log_text(window, run.log);
        run.box_holds_log = true;
    }
    scroll_log_to_end(window);
}

// The caption, whole: it is given back as it was when the run ends.
// The caption and the taskbar button follow the files done once they are counted; a run that
// ends in a notice never shows any.
void show_progress(HWND window) {
    const int matching = run.worker->matching;
    if (matching < 0) {
        if (!run.busy_shown) show_taskbar_busy(window);
        run.busy_shown = true;
        return;
    }
    if (!run.worker->logging) return;
    const int done = run.worker->done;
    if (done == run.shown_done && matching == run.shown_matching) return;
    run.shown_done = done;
    run.shown_matching = matching;
    set_control_text(window, progress_caption(run.caption, done, matching));
    show_taskbar_progress(window, done, matching);
}

void end_progress(HWND window) {
    if (run.shown_done >= 0) set_control_text(window, run.caption);
    if (run.shown_done >= 0 || run.busy_shown) clear_taskbar_progress(window);
    run.busy_shown = false;
    run.shown_done = -1;
    run.shown_matching = -1;
}

// Run stays greyed while the stopped run's converter finishes: a press would do nothing then.
// The focus leaves the button first, as a disabled window cannot hold it.
void stop_run(HWND window) {
    if (run.stop) set_event(*run.stop);
    run.running = false;
    set_run_label(window, run_label);
    HWND button = GetDlgItem(window, IDC_MAIN_RUN);
    if (GetFocus() == button) SendMessageW(window, WM_NEXTDLGCTL, 0, FALSE);
    EnableWindow(button, FALSE);
}

// The job log's path: a relative one is taken from the program's folder, as BRELO.ini is.
std::string job_log_path(const std::string& setting) {
    if (setting.empty() || is_absolute_path(setting)) return setting;
    return program_directory() + setting;
}

// The worker's part of a run, after the count: with again (the records of the run before), only
// the files that run left unconverted are converted, by the request's list of files done
// earlier, as brelo-batch --retry-failed does; with a job log, each file's line goes there too.
RunResult run_on_worker(CheckedRequest& checked, const std::vector<FileRecord>& again,
                        const std::string& job_log, PendingLogEvents& log, int matching,
                        RunControl& control) {
    if (!again.empty()) {
        checked.request.done_earlier = done_but_unconverted(matching_files(checked), again);
    }
    if (job_log.empty()) return run_batch(checked, log, control);
    std::ofstream file(std::filesystem::u8path(job_log), std::ios::binary | std::ios::trunc);
    if (!file) {
        log.notice(make_notice(output_section, job_log_key, unwritable_job_log_message + job_log));
        return RunResult();
    }
    JobLogRun run;
    run.whole_count = matching;
    JobLogEvents events(log, file, run);
    return run_batch(checked, events, control);
}

void start_run(HWND window, const std::optional<Converter>& converter,
               std::vector<FileRecord> again = std::vector<FileRecord>()) {
    RunRequest request;
    request.settings = read_run_settings(window);
    request.converter = converter;
    // Cleared here, before the worker exists, so that a Stop meant for the previous run cannot
    // stop this one.
    if (run.stop) reset_event(*run.stop);
    auto output = std::make_shared<WorkerOutput>();
    run.worker = output;
    run.running = true;
    run.log.clear();
    run.box_holds_log = true;
    run.pacing.reset();
    run.caption = whole_control_text(window);
    set_run_label(window, stop_label);
    SetTimer(window, log_timer_id, log_interval_ms, nullptr);
    RunControl control{run.stop, run.stop_grace};
    run.last_records.clear();
    start_run_marks(window, request.settings);
    const std::string job_log = request.converter ? job_log_path(run.job_log) : std::string();
    const bool started = start_detached_thread([window, output, request, control, job_log,
                                                again = std::move(again)]() mutable {
        CheckedRequest checked = check_request(request);
        PendingLogEvents events(output, checked.walked.input_directory);
        // A run without a converter ends at its checks: nothing to count for it.
        output->matching =
            request.converter ? count_matching_files(checked, control.stop).mine : 0;
        output->result =
            run_on_worker(checked, again, job_log, events, output->matching, control);
        output->ended = true;
        PostMessageW(window, run_ended_message, 0, 0);
    });
    if (!started) {
        KillTimer(window, log_timer_id);
        run.worker.reset();
        run.running = false;
        set_run_label(window, run_label);
        set_log_text(window, make_notice(converter_section, run_key, no_worker_message));
    }
}

}  // namespace

// The event has no name: Stop belongs to this window's runs alone, and no other brelo, nor any
// program that knows a name, can stop them or clear their Stop.
void open_run_control() {
    run.stop = create_event();
    // A new window starts with nothing to run again.
    run.last_records.clear();
}

void close_run_control() {
    release_taskbar();
    if (run.worker) return;
    close_event(run.stop);
    run.stop = nullptr;
}

void toggle_run(HWND window, const std::optional<Converter>& converter) {
    if (run.running) {
        stop_run(window);
        return;
    }
    if (run.worker) return;
    start_run(window, converter);
}

void on_log_timer(HWND window) {
    if (!run.worker) return;
    show_progress(window);
    const auto begun = UpdatePacing::Clock::now();
    if (!run.pacing.due(begun)) return;
    show_pending(window);
    // Painted now rather than at the next WM_PAINT, so that the update's cost includes it.
    UpdateWindow(GetDlgItem(window, IDC_MAIN_LOG));
    run.pacing.updated(begun, UpdatePacing::Clock::now());
}

void on_run_ended(HWND window, StoredSettings& stored) {
    if (!run.worker || !run.worker->ended) return;
    show_pending(window);
    KillTimer(window, log_timer_id);
    end_progress(window);
    const RunResult result = run.worker->result;
    run.last_records = std::move(run.worker->records);
    run.worker.reset();
    run.log = std::string();
    if (run.running) {
        run.running = false;
        set_run_label(window, run_label);
    }
    EnableWindow(GetDlgItem(window, IDC_MAIN_RUN), TRUE);
    if (result.ran) remember_in_history_boxes(window, stored, result.remembered);
}

void log_box_replaced() {
    if (run.worker) run.box_holds_log = false;
}

void end_run_before_close(HWND window, StoredSettings& stored) {
    if (!run.worker) return;
    if (run.running) stop_run(window);
    const auto deadline =
        std::chrono::steady_clock::now() + run.stop_grace + close_wait_beyond_grace;
    MSG message;
    while (!run.worker->ended && std::chrono::steady_clock::now() < deadline) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_SENDMESSAGE);
        PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);
    }
    on_run_ended(window, stored);
}

bool run_in_progress() {
    return run.worker != nullptr;
}

void set_run_job_log(const std::string& setting) {
    run.job_log = setting;
}

bool can_run_failed_again() {
    return !run.worker && any_unconverted(run.last_records);
}

void run_failed_again(HWND window, const std::optional<Converter>& converter) {
    if (!can_run_failed_again()) return;
    start_run(window, converter, run.last_records);
}
