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

// How one converter ended.
enum class ConverterOutcome {
    Exited,       // it ran to its end; see exit
    NotStarted,   // one of the "Create ... failed." lines was given instead
    EndedByStop,  // it outlived the grace time after Stop and was ended
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

// Watches the stop event for the converters of one run. Once the event is set, the converter
// running then may go on for the grace time; if it is still running after that, it is ended
// with every process it started, and so is any converter started later. One thread serves the
// whole run: a converter start costs no thread of its own. Without a stop event (or when the
// thread cannot be had) converters simply run to their end.
class StopWatch {
public:
    // With grace_over the grace time ends when that event is set instead of by the clock, so
    // that a test decides the moment.
    explicit StopWatch(Event* stop, std::chrono::milliseconds grace = default_stop_grace,
                       Event* grace_over = nullptr);
    ~StopWatch();
    StopWatch(const StopWatch&) = delete;
    StopWatch& operator=(const StopWatch&) = delete;

    // A converter now running; it stays valid until leave. Several may run at once.
    void enter(ChildProcess& child);
    // Call once the converter and everything holding its output have ended, before the child is
    // closed. True when it was ended by Stop.
    bool leave(ChildProcess& child);

private:
    void watch();

    Event* stop_;
    std::chrono::milliseconds grace_;
    Event* grace_over_;
    Event* run_over_ = nullptr;
    std::thread watcher_;
    std::mutex mutex_;
    // The converters running, each with whether it was ended by Stop.
    std::vector<std::pair<ChildProcess*, bool>> children_;
    bool expired_ = false;  // the grace time after Stop is over
};

// Receives a converter's console text piece by piece, as it arrives.
using ConsoleSink = std::function<void(const char* text, std::size_t length)>;

// Starts the command line as a hidden child in the working directory (passed as it is, also
// when empty) and hands everything it writes to standard output and standard error to sink,
// read in chunks of up to 1024 bytes, each up to its first NUL byte. On Windows the text is
// passed on in UTF-8: unchanged while it is UTF-8, read in the console's code page from the
// first byte that is not (see ConsoleTextDecoder and console_code_page), so a piece may hold
// back the start of a character until the next; on POSIX the chunks pass as they are. Returns
// when the child has ended and no process holds its output any more. A start that fails hands
// on one of the "Create ... failed." lines instead.
// Under a watch: once Stop is set, the converter may go on for the grace time; if it (or
// anything holding its output) is still running then, it is ended with every process it
// started, and "Converter ended by Stop." follows on a line of its own. A converter that exits
// with a code other than 0 gets its exit_line after its text, also on a line of its own.
ConverterEnd run_console_process(const std::string& command_line, const std::string& work_dir,
                                 const ConsoleSink& sink, StopWatch& watch);

// The same with the text appended to log, under a watch of its own for the stop event (which
// may be null: the converter then runs to its end).
ConverterEnd run_console_process(const std::string& command_line, const std::string& work_dir,
                                 ConversionLog& log, Event* stop = nullptr,
                                 std::chrono::milliseconds grace = default_stop_grace);

// The same with the text appended to log, under a run's watch.
ConverterEnd run_console_process(const std::string& command_line, const std::string& work_dir,
                                 ConversionLog& log, StopWatch& watch);
