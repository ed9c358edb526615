// Reading and writing BRELO.ini.
#include "settings/settings_file.h"

#include <set>

#include "engine/text_limits.h"
#include "platform/profile.h"
#include "settings/profile_values.h"

namespace {

constexpr const char* settings_file_name = "BRELO.ini";

constexpr const char* input_section = "Input";
constexpr const char* output_section = "Output";
constexpr const char* converter_section = "Converter";

constexpr const char* include_subfolders_key = "Include Subfolders";
constexpr const char* auto_refresh_key = "Auto Refresh";
constexpr const char* converter_number_key = "Converter_Number";
constexpr const char* current_converter_key = "Current Converter";

constexpr const char* input_patterns_fallback = "*";
constexpr const char* output_pattern_fallback = "${prefix}.${suffix}";

constexpr int history_slots = 10;

// The fallback that tells a missing key from an empty one: no value read from the file can hold
// a line break, and no trailing blank invites Windows to trim it.
const std::string missing_mark = "\n<missing>";

struct HistoryKeys {
    const char* section;
    const char* key_start;  // followed by a blank and the three-digit slot number
};

HistoryKeys history_keys(HistoryField field) {
    switch (field) {
    case HistoryField::InputDirectory: return {input_section, "Input Directory"};
    case HistoryField::InputPatterns: return {input_section, "File Patterns"};
    case HistoryField::OutputDirectory: return {output_section, "Output Directory"};
    case HistoryField::OutputPattern: return {output_section, "File Patterns"};
    }
    return {input_section, "Input Directory"};
}

// "%03d": at least three digits with leading zeros; larger numbers simply take more.
std::string numbered(int number) {
    std::string digits = std::to_string(number);
    if (digits.size() < 3) digits.insert(0, 3 - digits.size(), '0');
    return digits;
}

std::string history_key(HistoryField field, int slot) {
    return std::string(history_keys(field).key_start) + " " + numbered(slot);
}

std::string converter_key(int number, const char* field) {
    return "Converter" + numbered(number) + "_" + field;
}

const char* const converter_fields[] = {"Title", "ExeFile", "Arguments", "WorkDir"};

// An empty path stands for no usable settings file: every key is missing.
std::string read_value(const std::string& path, const char* section, const std::string& key,
                       const std::string& fallback) {
    if (path.empty()) return fallback;
    return read_profile_string(path, section, key, fallback);
}

std::string read_text(const std::string& path, const char* section, const std::string& key,
                      const std::string& fallback) {
    return fit_text(read_value(path, section, key, fallback));
}

int read_number(const std::string& path, const char* section, const char* key,
                const char* fallback) {
    return read_integer(read_value(path, section, key, fallback));
}

bool read_flag(const std::string& path, const char* section, const char* key) {
    return read_number(path, section, key, "1") != 0;
}

ProfileEntry text_entry(const char* section, const std::string& key, const std::string& text) {
    return ProfileEntry{section, key, stored_text(fit_text(text))};
}

ProfileEntry number_entry(const char* section, const char* key, int number) {
    return ProfileEntry{section, key, std::to_string(number)};
}

void add_history_entries(std::vector<ProfileEntry>& entries, const HistoryList& list,
                         HistoryField field) {
    int rows = list.count();
    for (int slot = 1; slot <= history_slots; ++slot) {
        std::string row = slot <= rows ? list.row(slot - 1) : std::string();
        entries.push_back(text_entry(history_keys(field).section, history_key(field, slot), row));
    }
}

}  // namespace

SettingsParts settings_parts(MainWindow& window) {
    return SettingsParts{window.fields(),
                         window.history(HistoryField::InputDirectory),
                         window.history(HistoryField::InputPatterns),
                         window.history(HistoryField::OutputDirectory),
                         window.history(HistoryField::OutputPattern),
                         window.converter_box()};
}

std::string program_directory() {
    // Found once: the executable does not move while it runs. A failed attempt is not kept.
    static std::string directory;
    if (directory.empty()) directory = executable_directory();
    return directory;
}

std::string settings_path_in(const std::string& directory) {
    if (directory.empty()) return std::string();
    std::string path = directory + settings_file_name;
    if (path.size() > text_capacity - 1) return std::string();
    return path;
}

std::string settings_file_path() { return settings_path_in(program_directory()); }

void load_history(HistoryList& list, MainFields& fields, HistoryField field,
                  const std::string& path, const std::string& fallback) {
    bool loaded = false;
    for (int slot = 1; slot <= history_slots; ++slot) {
        std::string row =
            read_text(path, history_keys(field).section, history_key(field, slot), "");
        if (row.empty()) break;
        list.insert_row(list.count(), row);
        loaded = true;
    }
    if (loaded)
        list.select_row(0);
    else
        fields.set_text(field, fallback);
}

bool save_history(const HistoryList& list, HistoryField field, const std::string& path) {
    std::vector<ProfileEntry> entries;
    add_history_entries(entries, list, field);
    return write_profile_strings(path, entries);
}

void load_settings(const SettingsParts& parts, const std::string& path, CurrentSettings& settings,
                   ConverterList& converters) {
    load_history(parts.input_directory, parts.fields, HistoryField::InputDirectory, path, "");
    load_history(parts.input_patterns, parts.fields, HistoryField::InputPatterns, path,
                 input_patterns_fallback);
    settings.include_subfolders = read_flag(path, input_section, include_subfolders_key);
    parts.fields.set_checked(Switch::IncludeSubfolders, settings.include_subfolders);
    settings.input_auto_refresh = read_flag(path, input_section, auto_refresh_key);
    parts.fields.set_checked(Switch::InputAutoRefresh, settings.input_auto_refresh);

    load_history(parts.output_directory, parts.fields, HistoryField::OutputDirectory, path, "");
    load_history(parts.output_pattern, parts.fields, HistoryField::OutputPattern, path,
                 output_pattern_fallback);
    settings.output_auto_refresh = read_flag(path, output_section, auto_refresh_key);
    parts.fields.set_checked(Switch::OutputAutoRefresh, settings.output_auto_refresh);

    int count = read_number(path, converter_section, converter_number_key, "0");
    int current = read_number(path, converter_section, current_converter_key, "0");
    converters.clear();
    for (int number = 1; number <= count; ++number) {
        Converter converter;
        std::string* texts[] = {&converter.title, &converter.exe_file, &converter.arguments,
                                &converter.work_dir};
        bool any_key = false;
        for (int i = 0; i < 4; ++i) {
            std::string text = read_text(path, converter_section,
                                         converter_key(number, converter_fields[i]), missing_mark);
            any_key |= text != missing_mark;
            *texts[i] = text == missing_mark ? std::string() : text;
        }
        if (!any_key && number > converters_read_without_keys) break;
        converters.emplace(number - 1, std::move(converter));
    }
    int loaded = static_cast<int>(converters.size());
    settings.converter_position = (current >= 0 && current < loaded) ? current : -1;
}

void load_settings(MainWindow& window, CurrentSettings& settings, ConverterList& converters) {
    load_settings(settings_parts(window), settings_file_path(), settings, converters);
}

std::vector<int> converter_save_order(const ConverterBox& box, const ConverterList& converters) {
    std::vector<int> order;
    std::set<int> placed;
    for (int row = 0; row < box.count(); ++row) {
        int key = box.key_at(row);
        if (converters.count(key) != 0 && placed.insert(key).second) order.push_back(key);
    }
    for (const auto& entry : converters)
        if (placed.insert(entry.first).second) order.push_back(entry.first);
    return order;
}

bool save_settings(const SettingsParts& parts, const ConverterList& converters,
                   const std::string& path) {
    if (path.empty()) return false;
    CurrentSettings captured = capture_settings(parts.fields);
    std::vector<ProfileEntry> entries;
    add_history_entries(entries, parts.input_directory, HistoryField::InputDirectory);
    add_history_entries(entries, parts.input_patterns, HistoryField::InputPatterns);
    entries.push_back(number_entry(input_section, include_subfolders_key,
                                   captured.include_subfolders ? 1 : 0));
    entries.push_back(number_entry(input_section, auto_refresh_key,
                                   captured.input_auto_refresh ? 1 : 0));
    add_history_entries(entries, parts.output_directory, HistoryField::OutputDirectory);
    add_history_entries(entries, parts.output_pattern, HistoryField::OutputPattern);
    entries.push_back(number_entry(output_section, auto_refresh_key,
                                   captured.output_auto_refresh ? 1 : 0));

    std::vector<int> order = converter_save_order(parts.converter_box, converters);
    // The selected row's converter keeps its place in the file's numbering; a selection that
    // shows no converter of the list is none.
    int current = -1;
    const ConverterBox& box = parts.converter_box;
    if (captured.converter_position >= 0 && captured.converter_position < box.count()) {
        int selected_key = box.key_at(captured.converter_position);
        for (std::size_t i = 0; i < order.size(); ++i)
            if (order[i] == selected_key) current = static_cast<int>(i);
    }
    entries.push_back(number_entry(converter_section, converter_number_key,
                                   static_cast<int>(order.size())));
    entries.push_back(number_entry(converter_section, current_converter_key, current));
    for (std::size_t i = 0; i < order.size(); ++i) {
        const Converter& converter = converters.at(order[i]);
        const std::string* texts[] = {&converter.title, &converter.exe_file,
                                      &converter.arguments, &converter.work_dir};
        int number = static_cast<int>(i) + 1;
        for (int f = 0; f < 4; ++f)
            entries.push_back(text_entry(converter_section,
                                         converter_key(number, converter_fields[f]), *texts[f]));
    }
    return write_profile_strings(path, entries);
}

bool save_settings(MainWindow& window, const ConverterList& converters) {
    return save_settings(settings_parts(window), converters, settings_file_path());
}
