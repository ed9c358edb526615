// What Run takes when it is pressed, and how it is stopped.
#include "engine/run_request.h"

#include <algorithm>
#include <thread>

#include "engine/conversion_log.h"
#include "engine/setting_names.h"
#include "engine/windows_names.h"
#include "platform/platform.h"

bool stop_requested(const RunControl& control) {
    return control.stop && is_event_set(*control.stop);
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
    const int limit = request.time_limit  ? *request.time_limit
                      : request.converter ? request.converter->time_limit
                                          : 0;
    return std::clamp(limit, 0, most_time_limit);
}

std::string shown_path(const std::string& path, const std::string& typed,
                       const std::string& resolved) {
    if (typed == resolved || path.compare(0, resolved.size(), resolved) != 0) return path;
    return typed + path.substr(resolved.size());
}
