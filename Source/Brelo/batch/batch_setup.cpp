// Setting up brelo-batch's batch from the settings file and the command line.
#include "batch/batch_setup.h"

#include <locale>

#include <boost/algorithm/string/predicate.hpp>

#include "engine/text_limits.h"
#include "platform/console_platform.h"
#include "platform/platform.h"
#include "settings/settings_file.h"

namespace {

// A number from 0 to most in decimal digits only, no sign or blanks.
std::optional<int> whole_number(const std::string& text, int most) {
    if (text.empty() || text.size() > 9) return std::nullopt;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value > most) return std::nullopt;
    return value;
}

// A 1-based position in decimal digits only, as a 0-based index.
std::optional<int> position_of(const std::string& text, int count) {
    const std::optional<int> value = whole_number(text, count);
    if (!value || *value < 1) return std::nullopt;
    return *value - 1;
}

std::string too_long_message(const char* option) {
    return std::string("the value of ") + option + " is longer than " +
           std::to_string(text_capacity - 1) + " characters";
}

// A field's new text, or a usage error when the window's field could not hold it: a cut path or
// pattern would quietly name something else.
bool set_field(std::string& field, const std::string& text, const char* option,
               std::string& error) {
    if (text.size() > text_capacity - 1) {
        error = too_long_message(option);
        return false;
    }
    field = text;
    return true;
}

// Why a settings file cannot be read; nothing when it can.
const char* file_problem(FileKind kind) {
    switch (kind) {
    case FileKind::Missing: return "does not exist";
    case FileKind::Directory: return "is a directory";
    case FileKind::Other: return "is not a regular file";
    case FileKind::Unreadable: return "cannot be read";
    case FileKind::Readable: break;
    }
    return nullptr;
}

std::vector<std::string> titles_of(const std::vector<Converter>& converters) {
    std::vector<std::string> titles;
    titles.reserve(converters.size());
    for (const Converter& converter : converters) titles.push_back(converter.title);
    return titles;
}

bool apply_options(const BatchOptions& options, BatchSetup& setup) {
    RunSettings& settings = setup.settings;
    std::string& error = setup.error;
    if (options.input && !set_field(settings.input_directory, absolute_path(*options.input),
                                    "--input", error)) {
        return false;
    }
    if (options.patterns &&
        !set_field(settings.input_patterns, *options.patterns, "--patterns", error)) {
        return false;
    }
    if (options.subfolders) settings.include_subfolders = *options.subfolders;
    if (options.output && !set_field(settings.output_directory, absolute_path(*options.output),
                                     "--output", error)) {
        return false;
    }
    if (options.name && !set_field(settings.output_pattern, *options.name, "--name", error)) {
        return false;
    }
    if (options.skip_up_to_date) settings.skip_up_to_date = *options.skip_up_to_date;
    if (options.keep_times) settings.keep_times = *options.keep_times;
    if (options.jobs) {
        const std::optional<int> jobs = whole_number(*options.jobs, 1024);
        if (!jobs) {
            error = "the value of --jobs must be a number from 0 to 1024";
            return false;
        }
        setup.jobs = *jobs;
    }
    if (options.shard) {
        const std::string& text = *options.shard;
        const std::size_t slash = text.find('/');
        RunShard shard;
        if (slash != std::string::npos) {
            shard.number = whole_number(text.substr(0, slash), 999999).value_or(0);
            shard.count = whole_number(text.substr(slash + 1), 999999).value_or(0);
        }
        if (slash == std::string::npos || shard.number < 1 || shard.number > shard.count) {
            error = "the value of --shard must be K/N with 1 <= K <= N";
            return false;
        }
        setup.shard = shard;
    }
    if (options.time_limit) {
        const std::optional<int> seconds = whole_number(*options.time_limit, most_time_limit);
        if (!seconds) {
            error = "the value of --time-limit must be a number of seconds from 0 to " +
                    std::to_string(most_time_limit);
            return false;
        }
        setup.time_limit = *seconds;
    }
    if (options.converter && setup.settings_found) {
        const std::vector<std::string> titles = titles_of(setup.stored.converters);
        const std::optional<int> row = find_converter_row(titles, *options.converter);
        if (!row) {
            error = unknown_converter_message(titles, *options.converter, setup.settings_path);
            return false;
        }
        setup.stored.current_converter = *row;
    }
    return true;
}

}  // namespace

BatchSetup set_up_batch(const BatchOptions& options) {
    BatchSetup setup;
    if (options.ini) {
        setup.settings_path = absolute_path(*options.ini);
        // A file that cannot be read would pass for an empty one, and a pipe could keep the
        // program waiting for ever: either is a mistake in the command line.
        const char* problem = file_problem(
            options.ini->empty() ? FileKind::Missing : file_kind(setup.settings_path));
        if (problem) {
            setup.error = "settings file \"" + *options.ini + "\" " + problem;
            return setup;
        }
        setup.settings_found = true;
    } else {
        setup.settings_path = settings_file_path();
        setup.settings_found =
            !setup.settings_path.empty() && file_kind(setup.settings_path) == FileKind::Readable;
    }
    setup.stored = load_settings(setup.settings_path);
    setup.settings = opening_settings(setup.stored);
    if (apply_options(options, setup)) {
        // The options' texts were typed into the fields; Run captures them as it does any text.
        setup.settings = capture_settings(setup.settings);
    }
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

std::string no_settings_file_message(const std::string& settings_path) {
    std::string where = "beside the program";
    if (!settings_path.empty()) {
        const char* problem = file_problem(file_kind(settings_path));
        where = "\"" + settings_path + "\" " + (problem ? problem : "could not be read");
    }
    return "no settings file was found: " + where +
           ". Give one with --ini FILE, or put a BRELO.ini beside the program (brelo writes it "
           "when its window closes).";
}

RunRequest make_run_request(const BatchSetup& setup) {
    RunRequest request;
    request.settings = setup.settings;
    const std::vector<Converter>& converters = setup.stored.converters;
    const int row = setup.stored.current_converter;
    if (row >= 0 && row < static_cast<int>(converters.size())) request.converter = converters[row];
    request.jobs = setup.jobs;
    request.shard = setup.shard;
    request.time_limit = setup.time_limit;
    return request;
}
