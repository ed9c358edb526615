// Everything BRELO.ini holds, as one plain value: the four histories, the switches, the
// converters in display order and the current one; and the table of its [Input] and [Output]
// keys. The settings file loads and saves it, the window keeps it while open (its controls
// show it and their edits go into it), brelo-batch builds its run from it.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/converter.h"
#include "engine/run_settings.h"
#include "engine/setting_names.h"

// A history: its values newest first, each at most 259 characters, at most history_capacity.
using History = std::vector<std::string>;
inline constexpr int history_capacity = 10;

// What a field shows while its history is empty.
inline constexpr const char* input_patterns_fallback = "*";
inline constexpr const char* output_pattern_fallback = "${prefix}.${suffix}";

// Where the main window was when it closed: its restored (not maximised) frame in screen
// pixels and whether it was maximised. known is false when the settings file held no complete
// placement; the window then opens at its default place and size.
struct WindowPlacement {
    bool known = false;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool maximized = false;
};

inline bool operator==(const WindowPlacement& a, const WindowPlacement& b) {
    return a.known == b.known && a.x == b.x && a.y == b.y && a.width == b.width &&
           a.height == b.height && a.maximized == b.maximized;
}

struct StoredSettings {
    History input_directories;
    History input_patterns;
    bool include_subfolders = true;
    bool input_auto_refresh = true;
    History output_directories;
    History output_patterns;
    bool output_auto_refresh = true;
    bool skip_up_to_date = false;       // files whose output is up to date are not converted
    bool keep_times = false;            // outputs get their inputs' modification times
    std::string job_log;                // the window's job log, as written; empty for none
    std::vector<Converter> converters;  // in display order, which is the file's numbering
    int current_converter = -1;         // index into converters, -1 for none
    WindowPlacement window;             // the main window's last place; brelo-batch ignores it
};

bool operator==(const StoredSettings& a, const StoredSettings& b);

// One key of [Input] or [Output]: a history, written as ten keys "<key> 001" to "<key> 010" of
// which the first empty one ends it; a switch, written as 1 or 0; or a text (added keys only).
// A switch or text the file lacks keeps the default StoredSettings gives it.
struct SettingField {
    // Keys added after the first files were written are written only when they differ from
    // their default or the file has them already (so that going back to the default is kept):
    // a file that never had them is saved byte for byte as before.
    enum class Written { Always, WhenSet };

    constexpr SettingField(const char* in_section, const char* named,
                           History StoredSettings::*values, const char* empty_text)
        : section(in_section), key(named), history(values), shown_while_empty(empty_text) {}
    constexpr SettingField(const char* in_section, const char* named, bool StoredSettings::*value,
                           Written when = Written::Always)
        : section(in_section), key(named), flag(value), written(when) {}
    constexpr SettingField(const char* in_section, const char* named,
                           std::string StoredSettings::*value)
        : section(in_section), key(named), text(value), written(Written::WhenSet) {}

    const char* section;
    const char* key;
    // Exactly one of the three is set.
    History StoredSettings::*history = nullptr;
    bool StoredSettings::*flag = nullptr;
    std::string StoredSettings::*text = nullptr;
    const char* shown_while_empty = "";  // what a history's field shows while it is empty
    Written written = Written::Always;
};

// The keys in the order the file holds them. A key added here is read, written and compared
// with the rest; its member of StoredSettings gives its default.
inline constexpr SettingField setting_fields[] = {
    {input_section, input_directory_key, &StoredSettings::input_directories, ""},
    {input_section, input_patterns_key, &StoredSettings::input_patterns, input_patterns_fallback},
    {input_section, include_subfolders_key, &StoredSettings::include_subfolders},
    {input_section, auto_refresh_key, &StoredSettings::input_auto_refresh},
    {output_section, output_directory_key, &StoredSettings::output_directories, ""},
    {output_section, output_pattern_key, &StoredSettings::output_patterns, output_pattern_fallback},
    {output_section, auto_refresh_key, &StoredSettings::output_auto_refresh},
    {output_section, "Skip Up To Date", &StoredSettings::skip_up_to_date,
     SettingField::Written::WhenSet},
    {output_section, "Keep Times", &StoredSettings::keep_times, SettingField::Written::WhenSet},
    {output_section, "Job Log", &StoredSettings::job_log},
};

// What the field of a history shows while the history is empty, as setting_fields has it.
const char* shown_while_empty(History StoredSettings::*history);

// A copy of the current converter, or nothing when current_converter names none. A run works on
// its copy, so later edits of the list do not reach it.
std::optional<Converter> selected_converter(const StoredSettings& stored);

// What the window shows when it opens with these settings: each field the newest value of its
// history (or its fallback when the history is empty), the switches, the current converter.
RunSettings opening_settings(const StoredSettings& stored);

// Puts the value, without surrounding white space, at the top of the history. An entry equal to
// it regardless of case is removed first; otherwise a full history loses its tenth entry.
void remember_history(History& history, const std::string& value);

// The four values a finished run leaves in the histories, as remember_history takes them.
struct RememberedValues {
    std::string input_directory;
    std::string input_patterns;
    std::string output_directory;
    std::string output_pattern;
};

// remember_history for each of the four fields.
void remember_values(StoredSettings& stored, const RememberedValues& values);
