// Reading and writing BRELO.ini.
#include "settings/settings_file.h"

#include <algorithm>
#include <optional>

#include "engine/setting_names.h"
#include "engine/text_limits.h"
#include "platform/profile.h"
#include "settings/profile_document.h"
#include "settings/profile_values.h"
#include "settings/text_encoding.h"

namespace {

constexpr const char* settings_file_name = "BRELO.ini";

// "%03d": at least three digits with leading zeros; larger numbers simply take more.
std::string numbered(int number) {
    std::string digits = std::to_string(number);
    if (digits.size() < 3) digits.insert(0, 3 - digits.size(), '0');
    return digits;
}

std::string history_key(const SettingField& field, int slot) {
    return std::string(field.key) + " " + numbered(slot);
}

std::string converter_key(int number, const char* field) {
    return "Converter" + numbered(number) + "_" + field;
}

const char* const converter_fields[] = {"Title", "ExeFile", "Arguments", "WorkDir"};

// Keys added after the first files were written: see SettingField::Written.
constexpr const char* parallel_field = "Parallel";
constexpr const char* time_limit_field = "TimeLimit";
constexpr int most_converters_at_once = 1024;

std::string read_value(const ProfileDocument& file, const char* section, const std::string& key,
                       const std::string& fallback) {
    return file.find(section, key).value_or(fallback);
}

std::string read_text(const ProfileDocument& file, const char* section, const std::string& key,
                      const std::string& fallback) {
    return fit_text(read_value(file, section, key, fallback));
}

int read_number(const ProfileDocument& file, const char* section, const char* key,
                const char* fallback) {
    return read_integer(read_value(file, section, key, fallback));
}

History read_history(const ProfileDocument& file, const SettingField& field) {
    History history;
    for (int slot = 1; slot <= history_capacity; ++slot) {
        std::string value = read_text(file, field.section, history_key(field, slot), "");
        if (value.empty()) break;
        history.push_back(std::move(value));
    }
    return history;
}

// A key the file lacks leaves the field as settings holds it: at its default.
void read_field(const ProfileDocument& file, const SettingField& field, StoredSettings& settings) {
    if (field.history) {
        settings.*field.history = read_history(file, field);
    } else if (field.flag) {
        const char* fallback = settings.*field.flag ? "1" : "0";
        settings.*field.flag = read_number(file, field.section, field.key, fallback) != 0;
    } else {
        settings.*field.text = read_text(file, field.section, field.key, settings.*field.text);
    }
}

// Past converters_read_without_keys every entry read has a key in the file, so a damaged count
// costs no more lookups than the file has lines.
std::vector<Converter> read_converters(const ProfileDocument& file) {
    int count = read_number(file, converter_section, converter_number_key, "0");
    std::vector<Converter> converters;
    for (int number = 1; number <= count; ++number) {
        Converter converter;
        std::string* texts[] = {&converter.title, &converter.exe_file, &converter.arguments,
                                &converter.work_dir};
        bool any_key = false;
        for (int i = 0; i < 4; ++i) {
            std::optional<std::string> text =
                file.find(converter_section, converter_key(number, converter_fields[i]));
            any_key |= text.has_value();
            if (text) *texts[i] = fit_text(*text);
        }
        if (!any_key && number > converters_read_without_keys) break;
        if (std::optional<std::string> text =
                file.find(converter_section, converter_key(number, parallel_field))) {
            const int parallel = read_integer(*text);
            converter.parallel = parallel < 0 ? 1 : std::min(parallel, most_converters_at_once);
        }
        if (std::optional<std::string> text =
                file.find(converter_section, converter_key(number, time_limit_field))) {
            converter.time_limit = std::clamp(read_integer(*text), 0, most_time_limit);
        }
        converters.push_back(std::move(converter));
    }
    return converters;
}

ProfileEntry text_entry(const char* section, const std::string& key, const std::string& text) {
    return ProfileEntry{section, key, stored_text(fit_text(text))};
}

ProfileEntry number_entry(const char* section, const char* key, int number) {
    return ProfileEntry{section, key, std::to_string(number)};
}

// All ten slots, so that a shorter history leaves no older value behind in the file.
void add_history_entries(std::vector<ProfileEntry>& entries, const History& history,
                         const SettingField& field) {
    const int values = static_cast<int>(history.size());
    for (int slot = 1; slot <= history_capacity; ++slot) {
        std::string value = slot <= values ? history[slot - 1] : std::string();
        entries.push_back(text_entry(field.section, history_key(field, slot), value));
    }
}

// Whether an added key is written: see SettingField::Written.
bool worth_writing(const ProfileDocument& file, const char* section, const std::string& key,
                   bool is_default) {
    return !is_default || file.find(section, key).has_value();
}

void add_field_entries(std::vector<ProfileEntry>& entries, const ProfileDocument& file,
                       const SettingField& field, const StoredSettings& settings) {
    static const StoredSettings defaults;
    if (field.history) {
        add_history_entries(entries, settings.*field.history, field);
        return;
    }
    const bool is_default = field.flag ? settings.*field.flag == defaults.*field.flag
                                       : settings.*field.text == defaults.*field.text;
    if (field.written == SettingField::Written::WhenSet &&
        !worth_writing(file, field.section, field.key, is_default))
        return;
    if (field.flag)
        entries.push_back(number_entry(field.section, field.key, settings.*field.flag ? 1 : 0));
    else
        entries.push_back(text_entry(field.section, field.key, settings.*field.text));
}

void add_converter_entries(std::vector<ProfileEntry>& entries, const ProfileDocument& file,
                           const std::vector<Converter>& converters, int current) {
    const int count = static_cast<int>(converters.size());
    entries.push_back(number_entry(converter_section, converter_number_key, count));
    entries.push_back(number_entry(converter_section, current_converter_key,
                                   current >= 0 && current < count ? current : -1));
    for (int i = 0; i < count; ++i) {
        const Converter& converter = converters[i];
        const std::string* texts[] = {&converter.title, &converter.exe_file, &converter.arguments,
                                      &converter.work_dir};
        for (int f = 0; f < 4; ++f)
            entries.push_back(text_entry(converter_section,
                                         converter_key(i + 1, converter_fields[f]), *texts[f]));
    }
    // After every key the converters had before, so each section keeps its old keys first.
    for (int i = 0; i < count; ++i) {
        const std::string key = converter_key(i + 1, parallel_field);
        if (worth_writing(file, converter_section, key, converters[i].parallel == 1))
            entries.push_back(
                ProfileEntry{converter_section, key, std::to_string(converters[i].parallel)});
    }
    for (int i = 0; i < count; ++i) {
        const std::string key = converter_key(i + 1, time_limit_field);
        if (worth_writing(file, converter_section, key, converters[i].time_limit == 0))
            entries.push_back(
                ProfileEntry{converter_section, key, std::to_string(converters[i].time_limit)});
    }
}

// The main window's placement, in a section of its own after the others. Written only when
// known, so a file that never had it is saved byte for byte as before.
constexpr const char* window_section = "Window";
constexpr const char* window_keys[] = {"Left", "Top", "Width", "Height", "Maximized"};

// Any missing key leaves the placement unknown: half a placement is no place to open at.
WindowPlacement read_window_placement(const ProfileDocument& file) {
    int values[5] = {};
    for (int i = 0; i < 5; ++i) {
        std::optional<std::string> text = file.find(window_section, window_keys[i]);
        if (!text) return WindowPlacement();
        values[i] = read_integer(*text);
    }
    WindowPlacement placement{true, values[0], values[1], values[2], values[3], values[4] != 0};
    if (placement.width <= 0 || placement.height <= 0) return WindowPlacement();
    return placement;
}

void add_window_entries(std::vector<ProfileEntry>& entries, const WindowPlacement& placement) {
    if (!placement.known) return;
    const int values[] = {placement.x, placement.y, placement.width, placement.height,
                          placement.maximized ? 1 : 0};
    for (int i = 0; i < 5; ++i)
        entries.push_back(number_entry(window_section, window_keys[i], values[i]));
}

// Why a save failed, as the window shows it after "Settings could not be saved: ".
constexpr const char* unknown_path_reason = "the program's folder is unknown or its path too long";
constexpr const char* unreadable_reason = "the old file could not be read";
constexpr const char* refused_entry_reason = "a value could not be written";
constexpr const char* disk_full_reason = "the disk is full";
constexpr const char* access_denied_reason = "access is denied";
constexpr const char* read_only_reason = "the file is read-only";
constexpr const char* not_a_file_reason = "a folder or a device has its name";
constexpr const char* folder_missing_reason = "its folder does not exist";
constexpr const char* unknown_reason = "the system gave no reason";

std::string write_failure_reason(const WriteFailure& failure) {
    switch (failure.problem) {
    case WriteProblem::DiskFull: return disk_full_reason;
    case WriteProblem::AccessDenied: return access_denied_reason;
    case WriteProblem::ReadOnly: return read_only_reason;
    case WriteProblem::NotAFile: return not_a_file_reason;
    case WriteProblem::FolderMissing: return folder_missing_reason;
    case WriteProblem::None:
    case WriteProblem::Other: break;
    }
    return failure.system_message.empty() ? unknown_reason : failure.system_message;
}

}  // namespace

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

StoredSettings load_settings(const std::string& path) {
    // An empty path stands for no usable settings file: every key is missing.
    ProfileDocument file;
    if (!path.empty()) file.load(path);
    StoredSettings settings;
    for (const SettingField& field : setting_fields) read_field(file, field, settings);
    int current = read_number(file, converter_section, current_converter_key, "0");
    settings.converters = read_converters(file);
    int loaded = static_cast<int>(settings.converters.size());
    settings.current_converter = current >= 0 && current < loaded ? current : -1;
    settings.window = read_window_placement(file);
    return settings;
}

bool save_settings(const StoredSettings& settings, const std::string& path) {
    std::string reason;
    return save_settings(settings, path, reason);
}

bool save_settings(const StoredSettings& settings, const std::string& path, std::string& reason) {
    reason.clear();
    if (path.empty()) {
        reason = unknown_path_reason;
        return false;
    }
    // The file is read once and written once, whatever the number of entries.
    ProfileDocument file;
    if (file.load(path) == ProfileLoad::Failed) {
        reason = unreadable_reason;
        return false;
    }
    std::vector<ProfileEntry> entries;
    for (const SettingField& field : setting_fields)
        add_field_entries(entries, file, field, settings);
    add_converter_entries(entries, file, settings.converters, settings.current_converter);
    add_window_entries(entries, settings.window);
    const bool all_set = file.apply(entries);
    WriteFailure failure;
    if (!file.save(path, &failure)) {
        reason = write_failure_reason(failure);
        return false;
    }
    // A refused entry holds a name the file cannot carry; the program's own names never are.
    if (!all_set) reason = refused_entry_reason;
    return all_set;
}
