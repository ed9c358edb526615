// The batch run: the walk that queues an entry for every matching file, the log and the total.
#include "engine/batch_run.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <thread>

#include "engine/conversion_log.h"
#include "engine/converter_pool.h"
#include "engine/job_queue.h"
#include "engine/run_plan.h"
#include "engine/run_shard.h"
#include "engine/walk.h"
#include "platform/platform.h"

namespace {

constexpr const char* entry_arrow = " -> ";
constexpr const char* console_label = "\r\n\tConsole:";
constexpr const char* entry_end = "\r\n";
constexpr const char* up_to_date_text = "\r\n\tSkipped: the output is up to date.\r\n";
constexpr const char* done_earlier_text = "\r\n\tSkipped: done in the earlier run.\r\n";

std::string counted(int count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

// What follows the total when not everything converted, each on a line of its own.
std::string outcome_lines(const RunResult& result) {
    std::string lines;
    if (result.failed > 0 || result.unreadable_folders > 0) {
        if (result.failed > 0) lines += std::to_string(result.failed) + " of them failed";
        if (result.unreadable_folders > 0) {
            if (!lines.empty()) lines += "; ";
            lines += counted(result.unreadable_folders, "folder", "folders") + " could not be read";
        }
        lines += ".\r\n";
    }
    if (result.skipped > 0) {
        lines += counted(result.skipped, "file was", "files were") +
                 " skipped: their output was up to date.\r\n";
    }
    if (result.done_earlier > 0) {
        lines += counted(result.done_earlier, "file was", "files were") +
                 " done in the earlier run.\r\n";
    }
    if (result.stopped) {
        lines +=
            "Stopped: " + counted(result.not_started, "matching file was", "matching files were") +
            " not started.\r\n";
    }
    return lines;
}

// One converter at a time, or a pool of them side by side.
std::unique_ptr<JobQueue> make_job_queue(int at_once, ConverterWatch& watch,
                                         const RunControl& control, EntryReceiver& receiver) {
    if (at_once <= 1) return std::make_unique<JobsInTurn>(watch, receiver);
    // Finished entries may wait for a slow earlier one, but only so many.
    return std::make_unique<ConverterPool>(
        at_once, 4 * static_cast<std::size_t>(at_once), watch,
        [&control] { return stop_requested(control); }, receiver);
}

// Queues an entry for each matching file the walk plans and reports every piece of the log as
// the queue hands the entries back. After Stop it converts nothing more but goes on counting the
// matching files.
class Conversion : public PlanVisitor, public EntryReceiver {
public:
    Conversion(const CheckedRequest& checked, RunEvents& events, const RunControl& control,
               ConverterWatch& watch, RunResult& result)
        : checked_(checked),
          events_(events),
          control_(control),
          result_(result),
          expects_output_(command_passes_output(*checked.command)),
          queue_(make_job_queue(converters_at_once(checked.request), watch, control, *this)) {}

    // Only one level is created, and a failure goes unreported: the converter then reports that
    // it cannot write, if it does. The walk reports outer folders first, so the parent exists.
    void folder_reached(const WalkFolder& folder) override {
        if (result_.stopped) return;
        if (!path_exists(folder.output_path)) make_directory(folder.output_path);
    }

    void file_planned(FilePlan& plan) override {
        if (!plan.mine) return;
        if (result_.stopped) {
            ++result_.not_started;
            events_.file_record(plan.record);
            return;
        }
        QueueEntry entry;
        entry.input_shown = plan.input_shown;
        entry.output_shown = plan.output_shown;
        entry.text = plan.input_shown + entry_arrow + plan.output_shown;
        entry.record = plan.record;
        switch (plan.step) {
        case FileStep::DoneEarlier:
            pass_over(entry, done_earlier_text, FileOutcome::DoneEarlier, result_.done_earlier);
            break;
        case FileStep::Refused: refuse(entry, plan.refusal + entry_end); break;
        case FileStep::SharedOutput: refuse(entry, shared_output_note(plan) + entry_end); break;
        case FileStep::Convert:
            // Side by side, an earlier converter may still be writing this output: the file is
            // judged once it is done, as one at a time would judge it.
            if (checked_.walked.skip_up_to_date) queue_->await_output(plan.record.output_path);
            if (checked_.walked.skip_up_to_date && output_up_to_date(plan)) {
                pass_over(entry, up_to_date_text, FileOutcome::Skipped, result_.skipped);
                break;
            }
            entry.kind = EntryKind::Converter;
            entry.text += console_label;
            entry.job = FileJob{plan.record.command_line, checked_.command->work_dir,
                                plan.record.input_path, plan.record.output_path, expects_output_};
            entry.job.keep_times = checked_.walked.keep_times;
            break;
        }
        queue_->add(std::move(entry));
    }

    // A notice would wipe the run's log, so the folder gets a line at its place instead.
    void folder_unreadable(const WalkFolder& folder) override {
        if (result_.stopped) return;
        ++result_.unreadable_folders;
        QueueEntry entry;
        entry.kind = EntryKind::Note;
        entry.text = shown_path(folder.input_path, checked_.request.settings.input_directory,
                                checked_.walked.input_directory) +
                     "\r\n\t" + unreadable_folder_text + "\r\n";
        queue_->add(std::move(entry));
    }

    bool stop_requested() override {
        if (!result_.stopped && ::stop_requested(control_)) result_.stopped = true;
        return false;
    }

    // Hands back every entry still queued.
    void finish() { queue_->finish(); }

    void converter_started(const QueueEntry& entry) override {
        events_.file_started(entry.input_shown, entry.output_shown, entry.text);
    }
    void converter_text(const std::string& piece) override { events_.console_text(piece); }

    void entry_done(QueueEntry& entry) override {
        switch (entry.kind) {
        case EntryKind::Skipped:
            events_.file_skipped(entry.input_shown, entry.output_shown, entry.text);
            events_.file_record(entry.record);
            break;
        case EntryKind::Refused:
            events_.file_started(entry.input_shown, entry.output_shown, entry.text);
            events_.console_text(entry.detail);
            ended(entry.record);
            break;
        case EntryKind::Note: events_.note(entry.text); break;
        case EntryKind::Converter:
            if (entry.started) {
                entry.record.outcome =
                    entry.record.end.succeeded() ? FileOutcome::Converted : FileOutcome::Failed;
                ended(entry.record);
                break;
            }
            // Stop came after the walk was through, while queued converters waited their turn.
            result_.stopped = true;
            ++result_.not_started;
            entry.record.outcome = FileOutcome::NotStarted;
            events_.file_record(entry.record);
            break;
        }
    }

private:
    // A file that needs no converter: its short entry.
    static void pass_over(QueueEntry& entry, const char* why, FileOutcome outcome, int& count) {
        entry.kind = EntryKind::Skipped;
        entry.text += why;
        entry.record.outcome = outcome;
        ++count;
    }

    // A file whose converter must not start: a failed entry whose console line says why.
    static void refuse(QueueEntry& entry, std::string line) {
        entry.kind = EntryKind::Refused;
        entry.text += console_label;
        entry.record.refusal = line;
        entry.detail = std::move(line);
        entry.record.outcome = FileOutcome::Refused;
    }

    void ended(const FileRecord& record) {
        events_.file_ended(entry_end);
        ++result_.total;
        if (record.outcome != FileOutcome::Converted) ++result_.failed;
        events_.file_record(record);
    }

    const CheckedRequest& checked_;
    RunEvents& events_;
    const RunControl& control_;
    RunResult& result_;
    const bool expects_output_;
    const std::unique_ptr<JobQueue> queue_;
};

// Holds the lock of the output folder for one run, so that two runs never write one folder;
// the shards of one run share it.
class OutputFolderLock {
public:
    // Busy when another run holds it. A folder whose identity cannot be read, or a system
    // without such locks, runs unlocked: the lock guards against a mistake, and no run should
    // fail for want of it.
    OutputFolderLock(const std::string& folder, const std::optional<FolderShard>& shard) {
        FolderId id;
        if (!folder_identity(folder, id)) return;
        const LockResult result = shard ? lock_folder(id, *shard, lock_) : lock_folder(id, lock_);
        busy_ = result == LockResult::Busy;
    }
    ~OutputFolderLock() { unlock_folder(lock_); }
    OutputFolderLock(const OutputFolderLock&) = delete;
    OutputFolderLock& operator=(const OutputFolderLock&) = delete;
    bool busy() const { return busy_; }

private:
    FolderLock* lock_ = nullptr;
    bool busy_ = false;
};

// Every run ends so, stopped, complete or failed: the next run starts clean.
void end_run(RunControl& control) {
    if (control.stop) reset_event(*control.stop);
}

}  // namespace

std::string total_text(const RunResult& result) {
    return "\r\nTotal " + std::to_string(result.total) + " Files are converted.\r\n" +
           outcome_lines(result);
}

std::string another_run_message(const std::string& folder) {
    return "Another run is writing to " + folder + ".";
}

RunResult run_batch(const CheckedRequest& checked, RunEvents& events, RunControl& control) {
    RunResult result;
    const RunRequest& request = checked.request;
    CheckResult notice = checked.notice;
    std::optional<OutputFolderLock> output_lock;
    if (!notice) {
        output_lock.emplace(request.settings.output_directory, folder_shard_of(checked));
        if (output_lock->busy()) {
            notice = make_notice(output_section, output_directory_key,
                                 another_run_message(request.settings.output_directory));
        }
    }
    if (notice) {
        events.notice(*notice);
        end_run(control);
        return result;
    }

    events.header(format_run_header(converter_section, request.converter->title));
    {
        // The watch ends before the run does, and with it its thread.
        ConverterWatch watch(control.stop, control.stop_grace, control.grace_over,
                             std::chrono::seconds(time_limit_of(request)));
        Conversion conversion(checked, events, control, watch, result);
        walk_plans(checked, *checked.command, conversion);
        conversion.finish();
    }
    events.finished(result.total, total_text(result) + time_stamp_now());
    end_run(control);
    result.ran = true;
    const RunSettings& settings = request.settings;
    result.remembered = RememberedValues{settings.input_directory, settings.input_patterns,
                                         settings.output_directory, settings.output_pattern};
    return result;
}
