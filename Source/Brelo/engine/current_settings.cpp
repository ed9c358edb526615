// Reading the main window's fields into a snapshot.
#include "engine/current_settings.h"

#include "engine/text_limits.h"
#include "engine/window_parts.h"

namespace {

// Cuts final backslashes one at a time: a root such as D:\ becomes D:, a text of backslashes
// only becomes empty, and a blank after the last backslash keeps it.
std::string without_trailing_backslashes(std::string text) {
    while (!text.empty() && text.back() == '\\') text.pop_back();
    return text;
}

}  // namespace

CurrentSettings capture_settings(const MainFields& fields) {
    CurrentSettings settings;
    settings.input_directory =
        without_trailing_backslashes(fit_text(fields.text(HistoryField::InputDirectory)));
    settings.input_patterns = fit_text(fields.text(HistoryField::InputPatterns));
    settings.include_subfolders = fields.is_checked(Switch::IncludeSubfolders);
    settings.input_auto_refresh = fields.is_checked(Switch::InputAutoRefresh);
    settings.output_directory =
        without_trailing_backslashes(fit_text(fields.text(HistoryField::OutputDirectory)));
    settings.output_pattern = fit_text(fields.text(HistoryField::OutputPattern));
    settings.output_auto_refresh = fields.is_checked(Switch::OutputAutoRefresh);
    settings.converter_position = fields.converter_row();
    return settings;
}
