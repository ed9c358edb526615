// Runs one converter process to its end and collects its console text into the run's log.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "engine/conversion_log.h"
#include "platform/platform.h"

struct ChildProcess;
struct Event;

// The texts this runner leaves in the log, each as one line.
inline constexpr const char* output_pipe_failed_text = "Create STDOUT pipe failed.\r\n";
inline constexpr const char* input_pipe_failed_text = "Create STDIN pipe failed.\r\n";
inline constexpr const char* process_failed_text = "Create process failed.\r\n";
inline constexpr const char* ended_by_stop_text = "Converter ended by Stop.\r\n";
inline constexpr const char* exit_unknown_text = "The converter's exit code could not be read.\r\n";
// The line of a converter ended at its time limit.
std::string time_limit_line(int seconds);

// How one converter ended.
enum class ConverterOutcome {
    Exited,       // it ran to its end; see exit
    NotStarted,   // one of the "Create ... failed." lines was given instead
    EndedByStop,  // it outlived the grace time after Stop and was ended
    EndedByTimeLimit,  // it ran past its time limit and was ended
};

struct ConverterEnd {
    ConverterOutcome outcome = ConverterOutcome::NotStarted;
    ChildExit exit;  // meaningful when outcome is Exited

    // Exited on its own with exit code 0: the only end that counts as converted.
    bool succeeded() const;
};

// The log line for a converter that exited on its own and did not succeed ("Converter exited
// with code 1.", or ended by a signal on POSIX); empty for one that succeeded.
std::string exit_line(const ChildExit& exit);

// How long a converter may go on after Stop before it is ended.
inline constexpr std::chrono::milliseconds default_stop_grace{5000};
// How long a converter asked to end (SIGTERM, Ctrl+Break) has before it is ended by force.
inline constexpr std::chrono::milliseconds default_end_grace{2000};

// How a converter was ended by its watch, if it was.
enum class WatchEnding { None, Stop, TimeLimit };

// Watches the converters of one run: the stop event and each converter's time limit. Once the
// event is set, the converter running then may go on for the grace time; if it is still running
// after that, it is ended with every process it started, and so is any converter started later.
// A converter that runs past the time limit is ended the same way; the others go on. Ending is
// asked for first (ask_child_process_tree_to_end) and forced end_grace later if the converter
// is still there. One thread serves the whole run: a converter start costs no thread of its
// own. Without a stop event and a time limit (or when the thread cannot be had) converters
// simply run to their end.
class ConverterWatch {
public:
    // With grace_over the grace time ends when that event is set instead of by the clock, so
    // that a test decides the moment. A time limit of 0 is none.
    explicit ConverterWatch(Event* stop, std::chrono::milliseconds grace = default_stop_grace,
                       Event* grace_over = nullptr,
                       std::chrono::seconds time_limit = std::chrono::seconds(0),
                       std::chrono::milliseconds end_grace = default_end_grace);
    ~ConverterWatch();
    ConverterWatch(const ConverterWatch&) = delete;
    ConverterWatch& operator=(const ConverterWatch&) = delete;

    // A converter now running; it stays valid until leave. Several may run at once.
    void enter(ChildProcess& child);
    // Call once the converter and everything holding its output have ended, before the child is
    // closed. Says whether the watch ended it, and why.
    WatchEnding leave(ChildProcess& child);

    std::chrono::seconds time_limit() const { return time_limit_; }

private:
    using Clock = std::chrono::steady_clock;
    struct Watched {
        ChildProcess* child = nullptr;
        Clock::time_point deadline;  // of its time limit, when there is one
        WatchEnding ending = WatchEnding::None;
        Clock::time_point forced_at;  // when it is ended by force, once it was asked to end
        bool forced = false;
    };

    void watch();
    // Asks the converter to end, for the reason given; called with the lock held.
    void begin_end(Watched& watched, WatchEnding why, Clock::time_point now);

    Event* stop_;
    std::chrono::milliseconds grace_;
    Event* grace_over_;
    std::chrono::seconds time_limit_;
    std::chrono::milliseconds end_grace_;
    Event* wake_ = nullptr;  // set when the watched list changes or the run is over
    bool run_over_ = false;
    std::thread watcher_;
    std::mutex mutex_;
    std::vector<Watched> children_;  // the converters running
    bool expired_ = false;           // the grace time after Stop is over
};

// Receives a converter's console text piece by piece, as it arrives.
using ConsoleSink = std::function<void(const char* text, std::size_t length)>;

// Starts the command line as a hidden child in the working directory (passed as it is, also
// when empty) and hands everything it writes to standard output and standard error to sink,
// read in chunks of up to 1024 bytes, each up to its first NUL byte. On Windows the text is
// passed on in UTF-8: unchanged while it is UTF-8, read in the console's code page from the
// first byte that is not (see ConsoleTextDecoder and console_code_page), so a piece may hold
// back the start of a character until the next; on POSIX the chunks pass as they are. Returns
// when the child has ended and no process holds its output any more, or, when a process it left
// behind keeps the output open, once that has been quiet for a moment after the child's end (see
// read_child_output); whatever it left running is then ended. A start that fails hands on one
// of the "Create ... failed." lines instead.
// Under a watch: once Stop is set, the converter may go on for the grace time; if it (or
// anything holding its output) is still running then, it is ended with every process it
// started, and "Converter ended by Stop." follows on a line of its own; one ended at the
// watch's time limit gets its time_limit_line instead. A converter that exits
// with a code other than 0 gets its exit_line after its text, also on a line of its own.
ConverterEnd run_console_process(const std::string& command_line, const std::string& work_dir,
                                 const ConsoleSink& sink, ConverterWatch& watch);

// The same with the text appended to log, under a watch of its own for the stop event (which
// may be null: the converter then runs to its end).
ConverterEnd run_console_process(const std::string& command_line, const std::string& work_dir,
                                 ConversionLog& log, Event* stop = nullptr,
                                 std::chrono::milliseconds grace = default_stop_grace);

// The same with the text appended to log, under a run's watch.
ConverterEnd run_console_process(const std::string& command_line, const std::string& work_dir,
                                 ConversionLog& log, ConverterWatch& watch);
