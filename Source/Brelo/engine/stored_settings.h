// Everything BRELO.ini holds, as one plain value: the four histories, the three switches, the
// converters in display order and the current one. The settings file loads and saves it, the
// window shows it in its controls and reads it back, brelo-batch builds its run from it.
#pragma once

#include <string>
#include <vector>

#include "engine/converter.h"
#include "engine/run_settings.h"

// The four history fields of the main window.
enum class HistoryField { InputDirectory, InputPatterns, OutputDirectory, OutputPattern };

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

    History& history(HistoryField field);
    const History& history(HistoryField field) const;
};

bool operator==(const StoredSettings& a, const StoredSettings& b);

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
