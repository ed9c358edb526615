// The batch run: the checks, the walk that starts the converter for every matching file, the
// total.
#include "engine/batch_run.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <thread>
#include <unordered_map>
#include <vector>

#include "engine/conversion_log.h"
#include "engine/converter_pool.h"
#include "engine/file_conversion.h"
#include "engine/pattern_set.h"
#include "engine/walk.h"
#include "engine/windows_names.h"
#include "platform/platform.h"

namespace {

constexpr const char* entry_arrow = " -> ";
constexpr const char* console_label = "\r\n\tConsole:";
constexpr const char* entry_end = "\r\n";
constexpr const char* up_to_date_text = "\r\n\tSkipped: the output is up to date.\r\n";
constexpr const char* done_earlier_text = "\r\n\tSkipped: done in the earlier run.\r\n";

// The output exists and is not older than the input.
bool up_to_date(const std::string& input_path, const std::string& output_path) {
    long long input_time = 0;
    long long output_time = 0;
    return file_modified_time(output_path, output_time) &&
           file_modified_time(input_path, input_time) && output_time >= input_time;
}

std::string shared_output_text(const std::string& first_input) {
    return "The output name is also that of " + first_input + ".\r\n";
}

bool stop_requested(const RunControl& control) {
    return control.stop_event && is_event_set(*control.stop_event);
}

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
        lines += "Stopped: " +
                 counted(result.not_started, "matching file was", "matching files were") +
                 " not started.\r\n";
    }
    return lines;
}

// Starts the converter for each matching file the walk delivers and reports every piece of the
// log as it comes. After Stop it converts nothing more but goes on counting the matching files.
class Conversion : public WalkVisitor {
    // The entries that pass through the pool without a converter, told apart on delivery.
    static constexpr int skipped_entry = 1;
    static constexpr int note_entry = 2;
    // A file that fails before its converter starts; the entry's detail says why.
    static constexpr int refused_entry = 3;

public:
    Conversion(const RunSettings& typed, const RunSettings& walked,
               const PreparedCommand& command, RunEvents& events, RunControl& control,
               StopWatch& stop_watch, RunResult& result, std::optional<RunShard> shard,
               const std::vector<bool>& done_earlier)
        : settings_(walked),
          typed_(typed),
          command_(command),
          events_(events),
          control_(control),
          stop_watch_(stop_watch),
          result_(result),
          expects_output_(command_passes_output(command)),
          shard_(shard),
          done_earlier_(done_earlier) {}

    // Only one level is created, and a failure goes unreported: the converter then reports that
    // it cannot write, if it does. The walk reports outer folders first, so the parent exists.
    void folder_reached(const WalkFolder& folder) override {
        first_names_.emplace_back();
        if (result_.stopped) return;
        if (!path_exists(folder.output_path)) make_directory(folder.output_path);
    }

    void file_matched(const WalkFolder& folder, const std::string& name) override {
        const int place = place_++;
        const bool mine = !shard_ || shard_->takes(place);
        if (result_.stopped) {
            if (!mine) return;
            ++result_.not_started;
            events_.file_record(make_record(place, folder, name, FileOutcome::NotStarted));
            return;
        }
        FileRecord record = make_record(place, folder, name, FileOutcome::Converted);
        const std::string& input_path = record.input_path;
        const std::string& output_path = record.output_path;
        const std::string refusal =
            file_refusal(command_, input_path, output_path, windows_file_names);
        // One output per input: a later input whose output name an earlier one has is not
        // converted, so that no input's result is overwritten unnoticed. Files of other parts
        // of a sharded run claim their names too, so each part refuses what the whole would.
        const auto claimed =
            refusal.empty()
                ? first_names_.back().try_emplace(
                      path_compare_key(output_path.substr(folder.output_path.size())), name)
                : std::make_pair(first_names_.back().end(), false);
        if (!mine) return;
        const std::string input_shown = shown_input(input_path);
        const std::string output_shown = shown_output(output_path);
        std::string text;
        text.reserve(input_shown.size() + output_shown.size() + 40);
        text += input_shown;
        text += entry_arrow;
        text += output_shown;
        if (place < static_cast<int>(done_earlier_.size()) && done_earlier_[place]) {
            text += done_earlier_text;
            ++result_.done_earlier;
            record.outcome = FileOutcome::DoneEarlier;
            pass_over(input_shown, output_shown, std::move(text), std::move(record));
            return;
        }
        if (!refusal.empty()) {
            refuse(input_shown, output_shown, std::move(text), refusal + entry_end,
                   std::move(record));
            return;
        }
        if (!claimed.second) {
            refuse(input_shown, output_shown, std::move(text),
                   shared_output_text(
                       shown_input(join_path(folder.input_path, claimed.first->second))),
                   std::move(record));
            return;
        }
        // Side by side, an earlier converter may still be writing this output: the file is judged
        // once it is done, as one at a time would judge it.
        if (settings_.skip_up_to_date && pool_) {
            pool_->await_output(output_path,
                                [this](ConverterPool::Finished&& finished) { deliver(finished); });
        }
        if (settings_.skip_up_to_date && up_to_date(input_path, output_path)) {
            text += up_to_date_text;
            ++result_.skipped;
            record.outcome = FileOutcome::Skipped;
            pass_over(input_shown, output_shown, std::move(text), std::move(record));
            return;
        }
        text += console_label;
        FileJob job{record.command_line, command_.work_dir, input_path, output_path,
                    expects_output_};
        if (pool_) {
            ConverterPool::Entry entry{input_shown, output_shown, std::move(text)};
            entry.record = std::move(record);
            pool_->submit({std::move(job), std::move(entry)},
                          [this](ConverterPool::Finished&& finished) { deliver(finished); });
            return;
        }
        events_.file_started(input_shown, output_shown, text);
        record.end = convert_file(
            job,
            [this](const char* piece, std::size_t length) {
                events_.console_text(std::string(piece, length));
            },
            stop_watch_);
        ended(record);
    }

    // Converters run side by side from here on: their entries come in walk order all the same.
    void run_side_by_side(ConverterPool& pool) { pool_ = &pool; }
    void finish() {
        if (pool_) pool_->finish([this](ConverterPool::Finished&& finished) { deliver(finished); });
    }

    // A notice would wipe the run's log, so the folder gets a line at its place instead.
    void folder_left(const WalkFolder&) override { first_names_.pop_back(); }

    void folder_unreadable(const WalkFolder& folder) override {
        if (result_.stopped) return;
        std::string text =
            shown_input(folder.input_path) + "\r\n\t" + unreadable_folder_text + "\r\n";
        ++result_.unreadable_folders;
        if (pool_) {
            pool_->add_entry({{}, {}, std::move(text), note_entry},
                             [this](ConverterPool::Finished&& finished) { deliver(finished); });
            return;
        }
        events_.note(text);
    }

    bool stop_requested() override {
        if (!result_.stopped && ::stop_requested(control_)) result_.stopped = true;
        return false;
    }

private:
    // A file that needs no converter: its short entry.
    void pass_over(const std::string& input_shown, const std::string& output_shown,
                   std::string text, FileRecord record) {
        if (pool_) {
            ConverterPool::Entry entry{input_shown, output_shown, std::move(text), skipped_entry};
            entry.record = std::move(record);
            pool_->add_entry(std::move(entry),
                             [this](ConverterPool::Finished&& finished) { deliver(finished); });
            return;
        }
        events_.file_skipped(input_shown, output_shown, text);
        events_.file_record(record);
    }

    // A file whose converter must not start: a failed entry whose console line says why.
    void refuse(const std::string& input_shown, const std::string& output_shown,
                std::string text, std::string line, FileRecord record) {
        text += console_label;
        record.outcome = FileOutcome::Refused;
        record.refusal = line;
        if (pool_) {
            ConverterPool::Entry entry{input_shown, output_shown, std::move(text), refused_entry,
                                       std::move(line)};
            entry.record = std::move(record);
            pool_->add_entry(std::move(entry),
                             [this](ConverterPool::Finished&& finished) { deliver(finished); });
            return;
        }
        events_.file_started(input_shown, output_shown, text);
        events_.console_text(line);
        ended(record);
    }

    // The entry's end; a record that is not Refused is judged by its converter's end.
    void ended(FileRecord& record) {
        if (record.outcome != FileOutcome::Refused) {
            record.outcome =
                record.end.succeeded() ? FileOutcome::Converted : FileOutcome::Failed;
        }
        events_.file_ended(entry_end);
        ++result_.total;
        if (record.outcome != FileOutcome::Converted) ++result_.failed;
        events_.file_record(record);
    }

    FileRecord make_record(int place, const WalkFolder& folder, const std::string& name,
                           FileOutcome outcome) const {
        FileRecord record;
        record.place = place;
        record.outcome = outcome;
        record.input_path = join_path(folder.input_path, name);
        record.output_path = output_path_of(folder, name, settings_.output_pattern);
        record.command_line = expand_command(command_, record.input_path, record.output_path);
        return record;
    }

    // A whole entry of a converter that ran beside others, given once every entry before it is.
    void deliver(ConverterPool::Finished& finished) {
        ConverterPool::Entry& entry = finished.entry;
        if (!finished.converter) {
            if (entry.kind == skipped_entry) {
                events_.file_skipped(entry.input_shown, entry.output_shown, entry.text);
                events_.file_record(entry.record);
            } else if (entry.kind == refused_entry) {
                events_.file_started(entry.input_shown, entry.output_shown, entry.text);
                events_.console_text(entry.detail);
                ended(entry.record);
            } else {
                events_.note(entry.text);
            }
            return;
        }
        if (!finished.started) {
            // Stop came after the walk was through, while queued converters waited their turn.
            result_.stopped = true;
            ++result_.not_started;
            entry.record.outcome = FileOutcome::NotStarted;
            events_.file_record(entry.record);
            return;
        }
        events_.file_started(entry.input_shown, entry.output_shown, entry.text);
        finished.console.hand_on([this](const std::string& piece) { events_.console_text(piece); });
        entry.record.end = finished.end;
        ended(entry.record);
    }

    std::string shown_input(const std::string& path) const {
        return shown_path(path, typed_.input_directory, settings_.input_directory);
    }
    std::string shown_output(const std::string& path) const {
        return shown_path(path, typed_.output_directory, settings_.output_directory);
    }

    const RunSettings& settings_;
    const RunSettings& typed_;
    const PreparedCommand& command_;
    RunEvents& events_;
    RunControl& control_;
    StopWatch& stop_watch_;
    RunResult& result_;
    const bool expects_output_;
    const std::optional<RunShard> shard_;
    const std::vector<bool>& done_earlier_;
    int place_ = 0;  // matching files met so far, of every shard
    ConverterPool* pool_ = nullptr;
    // For each folder being walked, the output names its files were given so far, by the file
    // system's comparison, each with the name of the first file that had it. Only files of one
    // folder can share an output path, as output folders mirror input folders one for one, so a
    // folder's names are dropped when it is left.
    std::vector<std::unordered_map<std::string, std::string>> first_names_;
};

// Lists what a run would meet, without starting anything.
class RecordLister : public WalkVisitor {
public:
    RecordLister(const RunSettings& settings, const PreparedCommand& command)
        : settings_(settings), command_(command) {}
    void file_matched(const WalkFolder& folder, const std::string& name) override {
        FileRecord record;
        record.place = static_cast<int>(records.size());
        record.input_path = join_path(folder.input_path, name);
        record.output_path = output_path_of(folder, name, settings_.output_pattern);
        record.command_line = expand_command(command_, record.input_path, record.output_path);
        records.push_back(std::move(record));
    }
    std::vector<FileRecord> records;

private:
    const RunSettings& settings_;
    const PreparedCommand& command_;
};

class MatchCounter : public WalkVisitor {
public:
    MatchCounter(const RunControl& control, const std::optional<RunShard>& shard)
        : control_(control), shard_(shard) {}
    void file_matched(const WalkFolder&, const std::string&) override {
        if (!shard_ || shard_->takes(place_)) ++count;
        ++place_;
    }
    // A Stop during the count ends it: the run that follows stops at once anyway.
    bool stop_requested() override { return ::stop_requested(control_); }
    int count = 0;

private:
    const RunControl& control_;
    const std::optional<RunShard> shard_;
    int place_ = 0;
};

// Holds the lock of the output folder for one run, so that two runs never write one folder.
class OutputFolderLock {
public:
    // Busy when another run holds it. A folder whose identity cannot be read, or a system
    // without such locks, runs unlocked: the lock guards against a mistake, and no run should
    // fail for want of it.
    explicit OutputFolderLock(const std::string& folder) {
        FolderId id;
        if (folder_identity(folder, id)) busy_ = lock_folder(id, lock_) == LockResult::Busy;
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
    if (control.stop_event) reset_event(*control.stop_event);
}

}  // namespace

std::string total_text(const RunResult& result) {
    return "\r\nTotal " + std::to_string(result.total) + " Files are converted.\r\n" +
           outcome_lines(result);
}

std::string another_run_message(const std::string& folder) {
    return "Another run is writing to " + folder + ".";
}

CheckResult check_prepared_command(const PreparedCommand& command) {
    const std::string problem = batch_program_problem(command);
    if (problem.empty()) return std::nullopt;
    return make_notice(converter_section, run_key, problem);
}

int converters_at_once(const RunRequest& request) {
    int count = request.jobs ? *request.jobs : request.converter ? request.converter->parallel : 1;
    if (count == 0) count = static_cast<int>(std::thread::hardware_concurrency());
    return count < 1 ? 1 : count;
}

int time_limit_of(const RunRequest& request) {
    const int limit = request.time_limit ? *request.time_limit
                      : request.converter ? request.converter->time_limit
                                          : 0;
    return std::clamp(limit, 0, most_time_limit);
}

RunSettings resolved_settings(const RunSettings& typed) {
    const auto resolved = [](const std::string& directory) {
        return directory.empty() || is_absolute_path(directory) ? directory
                                                                : absolute_path(directory);
    };
    RunSettings settings = typed;
    settings.input_directory = resolved(typed.input_directory);
    settings.output_directory = resolved(typed.output_directory);
    return settings;
}

std::string shown_path(const std::string& path, const std::string& typed,
                       const std::string& resolved) {
    if (typed == resolved || path.compare(0, resolved.size(), resolved) != 0) return path;
    return typed + path.substr(resolved.size());
}

int count_matching_files(const RunSettings& settings, const RunControl& control,
                         const std::optional<RunShard>& shard) {
    PatternSet patterns;
    if (check_input(settings, patterns)) return 0;
    MatchCounter counter(control, shard);
    walk_input(resolved_settings(settings), patterns, counter);
    return counter.count;
}

std::vector<FileRecord> matching_files(const RunRequest& request) {
    PatternSet patterns;
    if (check_input(request.settings, patterns) || !request.converter) return {};
    const RunSettings walked = resolved_settings(request.settings);
    const PreparedCommand command = prepare_command(*request.converter);
    RecordLister lister(walked, command);
    walk_input(walked, patterns, lister);
    return std::move(lister.records);
}

RunResult run_batch(const RunRequest& request, RunEvents& events, RunControl& control) {
    RunResult result;
    const RunSettings& settings = request.settings;
    PatternSet patterns;
    CheckResult notice = check_input(settings, patterns);
    if (!notice) notice = check_output(settings);
    if (!notice && !request.converter) {
        notice = make_notice(converter_section, run_key, no_converter_message);
    }
    std::optional<PreparedCommand> command;
    if (!notice) {
        command = prepare_command(*request.converter);
        notice = check_prepared_command(*command);
    }
    std::optional<OutputFolderLock> output_lock;
    if (!notice) {
        output_lock.emplace(settings.output_directory);
        if (output_lock->busy()) {
            notice = make_notice(output_section, output_directory_key,
                                 another_run_message(settings.output_directory));
        }
    }
    if (notice) {
        events.notice(*notice);
        end_run(control);
        return result;
    }

    events.header(format_run_header(converter_section, request.converter->title));
    const RunSettings walked = resolved_settings(settings);
    {
        // The watch ends before the run does, and with it its thread.
        StopWatch stop_watch(control.stop_event, control.stop_grace, control.grace_over,
                             std::chrono::seconds(time_limit_of(request)));
        Conversion conversion(settings, walked, *command, events, control, stop_watch, result,
                              request.shard, request.done_earlier);
        const int at_once = converters_at_once(request);
        std::unique_ptr<ConverterPool> pool;
        if (at_once > 1) {
            // Finished entries may wait for a slow earlier one, but only so many.
            pool = std::make_unique<ConverterPool>(at_once, 4 * static_cast<std::size_t>(at_once),
                                                   stop_watch,
                                                   [&control] { return stop_requested(control); });
            conversion.run_side_by_side(*pool);
        }
        walk_input(walked, patterns, conversion);
        conversion.finish();
    }
    events.finished(result.total, total_text(result) + time_stamp_now());
    end_run(control);
    result.ran = true;
    result.remembered = RememberedValues{settings.input_directory, settings.input_patterns,
                                         settings.output_directory, settings.output_pattern};
    return result;
}
