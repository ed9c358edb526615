// The stored settings: what the window opens with and how a run's values enter the histories.
#include "engine/stored_settings.h"

#include <locale>

#include <boost/algorithm/string/classification.hpp>
#include <boost/algorithm/string/predicate.hpp>
#include <boost/algorithm/string/trim.hpp>

#include "engine/text_limits.h"

namespace {

bool same_converter(const Converter& a, const Converter& b) {
    return a.title == b.title && a.exe_file == b.exe_file && a.arguments == b.arguments &&
           a.work_dir == b.work_dir && a.parallel == b.parallel && a.time_limit == b.time_limit;
}

bool same_converters(const std::vector<Converter>& a, const std::vector<Converter>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (!same_converter(a[i], b[i])) return false;
    return true;
}

// The newest value of the history, or what its field shows while it is empty.
std::string newest(const StoredSettings& stored, History StoredSettings::*history) {
    const History& values = stored.*history;
    return values.empty() ? std::string(shown_while_empty(history)) : values.front();
}

bool same_fields(const StoredSettings& a, const StoredSettings& b) {
    for (const SettingField& field : setting_fields) {
        if (field.history && a.*field.history != b.*field.history) return false;
        if (field.flag && a.*field.flag != b.*field.flag) return false;
        if (field.text && a.*field.text != b.*field.text) return false;
    }
    return true;
}

// The classic locale, so that a history compares the same way whatever the user's locale is.
bool equal_ignoring_case(const std::string& a, const std::string& b) {
    return boost::algorithm::iequals(a, b, std::locale::classic());
}

}  // namespace

bool operator==(const StoredSettings& a, const StoredSettings& b) {
    return same_fields(a, b) && same_converters(a.converters, b.converters) &&
           a.current_converter == b.current_converter && a.window == b.window;
}

const char* shown_while_empty(History StoredSettings::*history) {
    for (const SettingField& field : setting_fields)
        if (field.history == history) return field.shown_while_empty;
    return "";
}

std::optional<Converter> selected_converter(const StoredSettings& stored) {
    const int current = stored.current_converter;
    if (current < 0 || current >= static_cast<int>(stored.converters.size())) return std::nullopt;
    return stored.converters[static_cast<std::size_t>(current)];
}

RunSettings opening_settings(const StoredSettings& stored) {
    RunSettings typed;
    typed.input_directory = newest(stored, &StoredSettings::input_directories);
    typed.input_patterns = newest(stored, &StoredSettings::input_patterns);
    typed.include_subfolders = stored.include_subfolders;
    typed.output_directory = newest(stored, &StoredSettings::output_directories);
    typed.output_pattern = newest(stored, &StoredSettings::output_patterns);
    typed.skip_up_to_date = stored.skip_up_to_date;
    typed.keep_times = stored.keep_times;
    return capture_settings(std::move(typed));
}

void remember_history(History& history, const std::string& value) {
    const std::string text =
        boost::algorithm::trim_copy_if(value, boost::algorithm::is_any_of(" \t\n\v\f\r"));
    // The search starts at the second entry and wraps round to the first. An entry counts with
    // at most 259 characters and the text with all of its own, so a longer text matches none
    // and goes in cut.
    const int count = static_cast<int>(history.size());
    int found = -1;
    for (int step = 1; step <= count && found < 0; ++step) {
        const int index = step % count;
        if (equal_ignoring_case(fit_text(history[index]), text)) found = index;
    }
    if (found >= 0) {
        history.erase(history.begin() + found);
    } else if (count >= history_capacity) {
        history.erase(history.begin() + (history_capacity - 1));
    }
    history.insert(history.begin(), fit_text(text));
}

void remember_values(StoredSettings& stored, const RememberedValues& values) {
    remember_history(stored.input_directories, values.input_directory);
    remember_history(stored.input_patterns, values.input_patterns);
    remember_history(stored.output_directories, values.output_directory);
    remember_history(stored.output_patterns, values.output_pattern);
}
