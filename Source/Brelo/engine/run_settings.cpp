// The settings of one run.
#include "engine/run_settings.h"

#include "engine/text_limits.h"

namespace {

// Cuts final backslashes one at a time: a root such as D:\ becomes D:, a text of backslashes
// only becomes empty, and a blank after the last backslash keeps it.
std::string without_trailing_backslashes(std::string text) {
    while (!text.empty() && text.back() == '\\') text.pop_back();
    return text;
}

}  // namespace

RunSettings capture_settings(RunSettings typed) {
    RunSettings settings = std::move(typed);
    settings.input_directory = without_trailing_backslashes(fit_text(settings.input_directory));
    settings.input_patterns = fit_text(settings.input_patterns);
    settings.output_directory = without_trailing_backslashes(fit_text(settings.output_directory));
    settings.output_pattern = fit_text(settings.output_pattern);
    return settings;
}
