// The read loop of one converter process, and the grace time it gets after Stop.
#include "engine/console_process.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <system_error>
#include <thread>

#include "engine/console_text.h"
#include "platform/platform.h"

namespace {

constexpr std::size_t read_chunk = 1024;

}  // namespace

ConverterWatch::ConverterWatch(Event* stop, std::chrono::milliseconds grace, Event* grace_over,
                     std::chrono::seconds time_limit, std::chrono::milliseconds end_grace)
    : stop_(stop),
      grace_(grace),
      grace_over_(grace_over),
      time_limit_(time_limit.count() > 0 ? time_limit : std::chrono::seconds(0)),
      end_grace_(end_grace) {
    if (!stop_ && time_limit_.count() == 0) return;
    wake_ = create_event();
    if (!wake_) return;
    try {
        watcher_ = std::thread([this] { watch(); });
    } catch (const std::system_error&) {
    }
}

ConverterWatch::~ConverterWatch() {
    if (wake_) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            run_over_ = true;
        }
        set_event(*wake_);
    }
    if (watcher_.joinable()) watcher_.join();
    close_event(wake_);
}

void ConverterWatch::enter(ChildProcess& child) {
    std::lock_guard<std::mutex> lock(mutex_);
    const Clock::time_point now = Clock::now();
    Watched watched;
    watched.child = &child;
    watched.deadline = now + time_limit_;
    children_.push_back(watched);
    if (expired_) begin_end(children_.back(), WatchEnding::Stop, now);
    if (wake_) set_event(*wake_);
}

WatchEnding ConverterWatch::leave(ChildProcess& child) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto it = children_.begin(); it != children_.end(); ++it) {
        if (it->child != &child) continue;
        const WatchEnding ending = it->ending;
        children_.erase(it);
        return ending;
    }
    return WatchEnding::None;
}

void ConverterWatch::begin_end(Watched& watched, WatchEnding why, Clock::time_point now) {
    if (watched.ending != WatchEnding::None) return;
    watched.ending = why;
    watched.forced_at = now + end_grace_;
    ask_child_process_tree_to_end(*watched.child);
    if (end_grace_.count() <= 0) {
        end_child_process_tree(*watched.child);
        watched.forced = true;
    }
}

void ConverterWatch::watch() {
    bool stop_seen = false;
    Clock::time_point grace_ends;
    for (;;) {
        // Reset before the state is read: a change made after this wakes the wait below.
        reset_event(*wake_);
        Event* second = nullptr;
        Clock::time_point next = Clock::time_point::max();
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (run_over_) return;
            const Clock::time_point now = Clock::now();
            if (!stop_seen && stop_ && is_event_set(*stop_)) {
                stop_seen = true;
                grace_ends = now + grace_;
            }
            if (stop_seen && !expired_ &&
                (grace_over_ ? is_event_set(*grace_over_) : now >= grace_ends)) {
                expired_ = true;
            }
            for (Watched& watched : children_) {
                if (expired_) begin_end(watched, WatchEnding::Stop, now);
                if (time_limit_.count() > 0 && now >= watched.deadline) {
                    begin_end(watched, WatchEnding::TimeLimit, now);
                }
                if (watched.ending != WatchEnding::None && !watched.forced &&
                    now >= watched.forced_at) {
                    end_child_process_tree(*watched.child);
                    watched.forced = true;
                }
                if (watched.ending == WatchEnding::None && time_limit_.count() > 0) {
                    next = std::min(next, watched.deadline);
                }
                if (watched.ending != WatchEnding::None && !watched.forced) {
                    next = std::min(next, watched.forced_at);
                }
            }
            if (!stop_seen) {
                second = stop_;
            } else if (!expired_) {
                if (grace_over_) second = grace_over_;
                else next = std::min(next, grace_ends);
            }
        }
        int timeout_ms = -1;
        if (next != Clock::time_point::max()) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(next - Clock::now()).count();
            // A millisecond more, so that the deadline has passed when the wait ends.
            timeout_ms = static_cast<int>(std::clamp<long long>(left + 1, 0, INT_MAX));
        }
        wait_for_events(*wake_, second, timeout_ms);
    }
}

bool ConverterEnd::succeeded() const {
    return outcome == ConverterOutcome::Exited && exit.known && !exit.by_signal && exit.code == 0;
}

std::string time_limit_line(int seconds) {
    return "Converter ended after " + std::to_string(seconds) + " seconds (time limit).\r\n";
}

std::string exit_line(const ChildExit& exit) {
    if (!exit.known) return exit_unknown_text;
    if (exit.by_signal) return "Converter ended by signal " + std::to_string(exit.code) + ".\r\n";
    if (exit.code == 0) return std::string();
    std::string line = "Converter exited with code " + std::to_string(exit.code);
    // Windows reports crashes as large status codes, which are known by their hexadecimal form.
    if (exit.code > 0xFFFF) {
        char hex[24];
        std::snprintf(hex, sizeof hex, "%08lX", exit.code);
        line += std::string(" (0x") + hex + ")";
    }
    return line + ".\r\n";
}

ConverterEnd run_console_process(const std::string& command_line, const std::string& work_dir,
                                 const ConsoleSink& sink, ConverterWatch& watch) {
    ConverterEnd end;
    char buffer[read_chunk];
    std::memset(buffer, 0, sizeof buffer);

    ChildProcess* child = nullptr;
    const char* failure = nullptr;
    switch (start_child_process(command_line, work_dir, child)) {
    case StartResult::Started: break;
    case StartResult::OutputPipeFailed: failure = output_pipe_failed_text; break;
    case StartResult::InputPipeFailed: failure = input_pipe_failed_text; break;
    case StartResult::ProcessFailed: failure = process_failed_text; break;
    }
    if (failure) {
        sink(failure, std::strlen(failure));
        return end;
    }

    // The log is UTF-8: a converter's text passes as it is while it is UTF-8, and is read in the
    // code page of its console from where it is not. Where there is no such code page (POSIX)
    // the bytes pass as they came.
    const unsigned code_page_number = console_code_page();
    const SystemCodePage code_page(code_page_number);
    ConsoleTextDecoder decoder(code_page);
    std::string decoded;
    const auto pass_on = [&](std::string_view text, bool last_piece) {
        if (code_page_number == 0) {
            if (!text.empty()) sink(text.data(), text.size());
            return;
        }
        decoded.clear();
        if (last_piece) decoder.finish(decoded);
        else decoder.decode(text, decoded);
        if (!decoded.empty()) sink(decoded.data(), decoded.size());
    };

    bool any_text = false;
    char last = '\0';
    watch.enter(*child);
    std::size_t count = 0;
    while (read_child_output(*child, buffer, sizeof buffer, count)) {
        // A chunk counts up to its first NUL byte: text in a wide encoding shows as far as it
        // reads as 8-bit text, and the zeroed buffer never leaks an earlier chunk.
        const void* nul = std::memchr(buffer, '\0', count);
        const std::size_t length = nul ? static_cast<const char*>(nul) - buffer : count;
        if (length > 0) {
            pass_on(std::string_view(buffer, length), false);
            any_text = true;
            last = buffer[length - 1];
        }
        std::memset(buffer, 0, sizeof buffer);
    }
    pass_on(std::string_view(), true);
    end.exit = wait_child_process(*child);
    const WatchEnding ending = watch.leave(*child);
    close_child_process(child);

    std::string line;
    switch (ending) {
    case WatchEnding::None:
        end.outcome = ConverterOutcome::Exited;
        line = exit_line(end.exit);
        break;
    case WatchEnding::Stop:
        end.outcome = ConverterOutcome::EndedByStop;
        line = ended_by_stop_text;
        break;
    case WatchEnding::TimeLimit:
        end.outcome = ConverterOutcome::EndedByTimeLimit;
        line = time_limit_line(static_cast<int>(watch.time_limit().count()));
        break;
    }
    if (!line.empty()) {
        if (any_text && last != '\n') sink("\r\n", 2);
        sink(line.data(), line.size());
    }
    return end;
}

ConverterEnd run_console_process(const std::string& command_line, const std::string& work_dir,
                                 ConversionLog& log, Event* stop,
                                 std::chrono::milliseconds grace) {
    ConverterWatch watch(stop, grace);
    return run_console_process(command_line, work_dir, log, watch);
}

ConverterEnd run_console_process(const std::string& command_line, const std::string& work_dir,
                                 ConversionLog& log, ConverterWatch& watch) {
    return run_console_process(
        command_line, work_dir,
        [&log](const char* text, std::size_t length) { log.append(text, length); }, watch);
}
