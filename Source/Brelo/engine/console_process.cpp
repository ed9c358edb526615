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

StopWatch::StopWatch(Event* stop, std::chrono::milliseconds grace, Event* grace_over)
    : stop_(stop), grace_(grace), grace_over_(grace_over) {
    if (!stop_) return;
    run_over_ = create_event();
    if (!run_over_) return;
    try {
        watcher_ = std::thread([this] { watch(); });
    } catch (const std::system_error&) {
    }
}

StopWatch::~StopWatch() {
    if (run_over_) set_event(*run_over_);
    if (watcher_.joinable()) watcher_.join();
    close_event(run_over_);
}

void StopWatch::enter(ChildProcess& child) {
    std::lock_guard<std::mutex> lock(mutex_);
    children_.emplace_back(&child, expired_);
    if (expired_) end_child_process_tree(child);
}

bool StopWatch::leave(ChildProcess& child) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto it = children_.begin(); it != children_.end(); ++it) {
        if (it->first != &child) continue;
        const bool ended = it->second;
        children_.erase(it);
        return ended;
    }
    return false;
}

void StopWatch::watch() {
    // The end of the run is passed first so that it wins over a Stop that comes with it.
    if (wait_for_events(*run_over_, stop_, -1) != 1) return;
    const long long grace_ms = std::clamp<long long>(grace_.count(), 0, INT_MAX);
    const int waited = grace_over_ ? wait_for_events(*run_over_, grace_over_, -1)
                                   : wait_for_events(*run_over_, nullptr, static_cast<int>(grace_ms));
    if (waited == 0) return;
    std::lock_guard<std::mutex> lock(mutex_);
    expired_ = true;
    for (auto& [child, ended] : children_) {
        end_child_process_tree(*child);
        ended = true;
    }
}

bool ConverterEnd::succeeded() const {
    return outcome == ConverterOutcome::Exited && exit.known && !exit.by_signal && exit.code == 0;
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
                                 const ConsoleSink& sink, StopWatch& watch) {
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
    const bool ended_by_stop = watch.leave(*child);
    close_child_process(child);

    end.outcome = ended_by_stop ? ConverterOutcome::EndedByStop : ConverterOutcome::Exited;
    const std::string line = ended_by_stop ? std::string(ended_by_stop_text) : exit_line(end.exit);
    if (!line.empty()) {
        if (any_text && last != '\n') sink("\r\n", 2);
        sink(line.data(), line.size());
    }
    return end;
}

ConverterEnd run_console_process(const std::string& command_line, const std::string& work_dir,
                                 ConversionLog& log, Event* stop,
                                 std::chrono::milliseconds grace) {
    StopWatch watch(stop, grace);
    return run_console_process(command_line, work_dir, log, watch);
}

ConverterEnd run_console_process(const std::string& command_line, const std::string& work_dir,
                                 ConversionLog& log, StopWatch& watch) {
    return run_console_process(
        command_line, work_dir,
        [&log](const char* text, std::size_t length) { log.append(text, length); }, watch);
}
