// Where a run puts its log entries: each comes back in the order it was put in, whether the
// converters run one at a time (JobsInTurn) or side by side (ConverterPool).
#pragma once

#include <functional>
#include <string>

#include "engine/console_process.h"
#include "engine/file_conversion.h"

// What a queued entry is, told apart when it comes back.
enum class EntryKind {
    Converter,  // a converter runs for the file
    Skipped,    // a file that needs none: its short entry
    Refused,    // a file whose converter must not start: its failed entry
    Note,       // a line of its own (a folder that could not be read)
};

// One entry of the run's log. The queue runs the job of a Converter entry and fills in its end;
// everything else it carries through unchanged.
struct QueueEntry {
    EntryKind kind = EntryKind::Note;
    std::string input_shown;
    std::string output_shown;
    std::string text;     // the entry's opening text
    std::string detail;   // Refused: the console line that says why
    FileRecord record;    // the file's record; with Converter, record.end is filled in
    FileJob job;          // Converter: what convert_file runs
    bool started = true;  // Converter: false when Stop came before its turn and nothing ran
};

// Takes the entries back, on the thread that queued them, in the order they were queued.
class EntryReceiver {
public:
    virtual ~EntryReceiver() = default;
    // A Converter entry that started: its console text follows, then entry_done.
    virtual void converter_started(const QueueEntry& entry) = 0;
    virtual void converter_text(const std::string& piece) = 0;
    virtual void entry_done(QueueEntry& entry) = 0;
};

class JobQueue {
public:
    virtual ~JobQueue() = default;
    // Queues the entry; a Converter entry's job is run by convert_file. May deliver entries
    // queued before it meanwhile.
    virtual void add(QueueEntry entry) = 0;
    // Delivers until no entry queued before writes output_path, so that the caller sees that
    // file as one converter at a time would leave it.
    virtual void await_output(const std::string& output_path) = 0;
    // Delivers every entry still queued.
    virtual void finish() = 0;
};

// One converter at a time on the caller's thread: each entry is delivered inside add, the
// console text as the converter writes it.
class JobsInTurn : public JobQueue {
public:
    JobsInTurn(ConverterWatch& watch, EntryReceiver& receiver)
        : watch_(watch), receiver_(receiver) {}
    void add(QueueEntry entry) override;
    void await_output(const std::string&) override {}
    void finish() override {}

private:
    ConverterWatch& watch_;
    EntryReceiver& receiver_;
};
