// Setting up the console's window from the settings file and the command line.
#include "batch/batch_setup.h"

#include <locale>

#include <boost/algorithm/string/predicate.hpp>

#include "batch/console_platform.h"
#include "engine/current_settings.h"
#include "engine/text_limits.h"
#include "platform/platform.h"
#include "settings/settings_file.h"

namespace {

// A 1-based position in decimal digits only, no sign or blanks.
std::optional<int> position_of(const std::string& text, int count) {
    if (text.empty() || text.size() > 9) return std::nullopt;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value < 1 || value > count) return std::nullopt;
    return value - 1;
}

std::string too_long_message(const char* option) {
    return std::string("the value of ") + option + " is longer than " +
           std::to_string(text_capacity - 1) + " characters";
}

// A field's new text, or a usage error when the field could not hold it: a cut path or pattern
// would quietly name something else.
bool set_field(ConsoleWindow& window, HistoryField field, const std::string& text,
               const char* option, std::string& error) {
    if (text.size() > text_capacity - 1) {
        error = too_long_message(option);
        return false;
    }
    window.fields().set_text(field, text);
    return true;
}

std::vector<std::string> titles_of(const ConsoleConverterBox& box) {
    std::vector<std::string> titles;
    for (int row = 0; row < box.count(); ++row) titles.push_back(box.title_at(row));
    return titles;
}

void load_into(ConsoleWindow& window, BatchSetup& setup) {
    CurrentSettings loaded;
    load_settings(settings_parts(window), setup.settings_path, loaded, setup.converters);
    // The window lists the converters in the order of their keys, which is the file's order.
    ConsoleConverterBox& box = window.converter_box();
    box.clear();
    for (const auto& [key, converter] : setup.converters) box.add_row(converter.title, key);
    box.select_row(loaded.converter_position);
}

bool apply_options(ConsoleWindow& window, const BatchOptions& options, BatchSetup& setup) {
    std::string& error = setup.error;
    if (options.input && !set_field(window, HistoryField::InputDirectory,
                                    absolute_path(*options.input), "--input", error)) {
        return false;
    }
    if (options.patterns &&
        !set_field(window, HistoryField::InputPatterns, *options.patterns, "--patterns", error)) {
        return false;
    }
    if (options.subfolders) window.fields().set_checked(Switch::IncludeSubfolders, *options.subfolders);
    if (options.output && !set_field(window, HistoryField::OutputDirectory,
                                     absolute_path(*options.output), "--output", error)) {
        return false;
    }
    if (options.name &&
        !set_field(window, HistoryField::OutputPattern, *options.name, "--name", error)) {
        return false;
    }
    if (options.converter) {
        const std::vector<std::string> titles = titles_of(window.converter_box());
        const std::optional<int> row = find_converter_row(titles, *options.converter);
        if (!row) {
            error = unknown_converter_message(titles, *options.converter, setup.settings_path);
            return false;
        }
        window.converter_box().select_row(*row);
    }
    return true;
}

}  // namespace

BatchSetup set_up_window(ConsoleWindow& window, const BatchOptions& options) {
    BatchSetup setup;
    if (options.ini) {
        setup.settings_path = absolute_path(*options.ini);
        if (options.ini->empty() || !path_exists(setup.settings_path)) {
            setup.error = "settings file \"" + *options.ini + "\" does not exist";
            return setup;
        }
        if (is_directory(setup.settings_path)) {
            setup.error = "settings file \"" + *options.ini + "\" is a directory";
            return setup;
        }
    } else {
        setup.settings_path = settings_file_path();
    }
    load_into(window, setup);
    apply_options(window, options, setup);
    return setup;
}

std::optional<int> find_converter_row(const std::vector<std::string>& titles,
                                      const std::string& text) {
    const int count = static_cast<int>(titles.size());
    for (int row = 0; row < count; ++row) {
        if (titles[row] == text) return row;
    }
    if (std::optional<int> row = position_of(text, count)) return row;
    std::optional<int> found;
    for (int row = 0; row < count; ++row) {
        if (boost::algorithm::iequals(titles[row], text, std::locale::classic())) {
            if (found) return std::nullopt;  // ambiguous
            found = row;
        }
    }
    return found;
}

std::string unknown_converter_message(const std::vector<std::string>& titles,
                                      const std::string& text, const std::string& settings_path) {
    std::string message = "no converter \"" + text + "\"";
    if (titles.empty()) {
        return message + "; " +
               (settings_path.empty() ? std::string("no settings file was found")
                                      : "\"" + settings_path + "\" defines no converters");
    }
    message += "; the converters are:";
    for (std::size_t i = 0; i < titles.size(); ++i) {
        message += line_end;
        message += "  " + std::to_string(i + 1) + "  " + titles[i];
    }
    return message;
}

RunRequest make_run_request(ConsoleWindow& window, const ConverterList& converters) {
    RunRequest request;
    request.settings = capture_settings(window.fields());
    const ConsoleConverterBox& box = window.converter_box();
    const int row = request.settings.converter_position;
    if (row >= 0 && row < box.count()) request.converter = find_converter(converters, box.key_at(row));
    return request;
}
