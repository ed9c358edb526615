// What Run takes when it is pressed, and how it is stopped: the request every part of a run
// (its checks, its plan of each file, the run itself) works from.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "engine/console_process.h"
#include "engine/converter.h"
#include "engine/pattern_set.h"
#include "engine/run_settings.h"

struct Event;

// The notice of a run without a converter (section "Converter", key "Run").
inline constexpr const char* no_converter_message = "No converter is selected.";

// The notice for a command the run must not start at all (a batch converter whose own path
// cmd.exe would read as syntax; section "Converter", key "Run"), or none.
CheckResult check_prepared_command(const PreparedCommand& command);

// One of count parts of a run: the matching files whose place in the walk (counted from 0)
// leaves number - 1 when divided by count. Every part walks the whole tree in the same order,
// so the parts are disjoint and together make the whole run.
struct RunShard {
    int number = 1;  // 1 to count
    int count = 1;
    bool takes(int place) const { return place % count == number - 1; }
};

// What Run takes when it is pressed: later edits of the fields or of the converter list change
// nothing a running walk sees.
struct RunRequest {
    RunSettings settings;
    std::optional<Converter> converter;  // none when no converter is selected
    // How many converters run at once, instead of the converter's own setting; 0 for one per
    // processor.
    std::optional<int> jobs;
    // Only this part of the walk's matching files (brelo-batch --shard); the others are passed
    // over as if they did not match.
    std::optional<RunShard> shard;
    // By place in the walk: the files an earlier run of the same settings converted, which this
    // one passes over with a short entry. Places beyond its end are converted.
    std::vector<bool> done_earlier;
    // The converter's time limit in seconds instead of its own setting; 0 for none.
    std::optional<int> time_limit;
};

// The time limit of a run in seconds, 0 for none: the request's, else the converter's.
int time_limit_of(const RunRequest& request);

// How many converters a run starts at once: the request's count, else the converter's, with 0
// meaning one per processor; never less than 1.
int converters_at_once(const RunRequest& request);

// How a run is stopped.
struct RunControl {
    // Set by Stop and polled before every entry of the walk; null for a run nobody stops. The
    // run resets it when it ends, so a late Stop cannot reach the next run.
    Event* stop = nullptr;
    // How long a converter may go on after Stop before it is ended with everything it started.
    std::chrono::milliseconds stop_grace = default_stop_grace;
    // For tests: when set, the grace time ends when this event is set, not by the clock.
    Event* grace_over = nullptr;
};

// True once the run's stop event is set.
bool stop_requested(const RunControl& control);

// A path of the walk as the log shows it: the typed directory in place of the resolved one it
// starts with.
std::string shown_path(const std::string& path, const std::string& typed,
                       const std::string& resolved);
