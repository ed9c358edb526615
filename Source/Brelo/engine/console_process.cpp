// The read loop of one converter process, and the grace time it gets after Stop.
#include "engine/console_process.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstring>
#include <system_error>
#include <thread>

#include "platform/platform.h"

namespace {

constexpr std::size_t read_chunk = 1024;

// Watches the stop event while a converter runs. Once Stop is signalled the converter has the
// grace time to finish; after that it is ended together with every process it started.
class StopWatch {
public:
    StopWatch(ChildProcess& child, Event* stop, std::chrono::milliseconds grace)
        : child_(child), stop_(stop), grace_(grace) {
        if (!stop_) return;
        finished_ = create_event();
        // Without the event or the thread the converter simply runs to its end, as it would
        // without a stop event.
        if (!finished_) return;
        try {
            watcher_ = std::thread([this] { watch(); });
        } catch (const std::system_error&) {
        }
    }

    // Call once the converter and everything holding its output have ended. True when the
    // converter was ended by Stop.
    bool finish() {
        if (finished_) set_event(*finished_);
        if (watcher_.joinable()) watcher_.join();
        close_event(finished_);
        finished_ = nullptr;
        return ended_;
    }

    ~StopWatch() { finish(); }
    StopWatch(const StopWatch&) = delete;
    StopWatch& operator=(const StopWatch&) = delete;

private:
    void watch() {
        // finished_ is passed first so that a converter that has already ended wins over Stop.
        if (wait_for_events(*finished_, stop_, -1) != 1) return;
        const long long grace_ms = std::clamp<long long>(grace_.count(), 0, INT_MAX);
        if (wait_for_events(*finished_, nullptr, static_cast<int>(grace_ms)) == 0) return;
        end_child_process_tree(child_);
        ended_ = true;
    }

    ChildProcess& child_;
    Event* stop_;
    std::chrono::milliseconds grace_;
    Event* finished_ = nullptr;
    std::thread watcher_;
    std::atomic<bool> ended_{false};
};

}  // namespace

void run_console_process(const std::string& command_line, const std::string& work_dir,
                         ConversionLog& log, Event* stop, std::chrono::milliseconds grace) {
    char buffer[read_chunk];
    std::memset(buffer, 0, sizeof buffer);

    ChildProcess* child = nullptr;
    switch (start_child_process(command_line, work_dir, child)) {
    case StartResult::Started: break;
    case StartResult::OutputPipeFailed: log += output_pipe_failed_text; return;
    case StartResult::InputPipeFailed: log += input_pipe_failed_text; return;
    case StartResult::ProcessFailed: log += process_failed_text; return;
    }

    const std::size_t console_start = log.size();
    bool ended_by_stop = false;
    {
        StopWatch watch(*child, stop, grace);
        std::size_t count = 0;
        while (read_child_output(*child, buffer, sizeof buffer, count)) {
            // A chunk counts up to its first NUL byte: text in a wide encoding shows as far as
            // it reads as 8-bit text, and the zeroed buffer never leaks an earlier chunk.
            const void* nul = std::memchr(buffer, '\0', count);
            std::size_t length = nul ? static_cast<const char*>(nul) - buffer : count;
            log.append(buffer, length);
            std::memset(buffer, 0, sizeof buffer);
        }
        wait_child_process(*child);
        ended_by_stop = watch.finish();
    }
    close_child_process(child);

    if (ended_by_stop) {
        if (log.size() > console_start && log.back() != '\n') log += "\r\n";
        log += ended_by_stop_text;
    }
}
