// The main window's parts that the settings file reaches, in memory, plus small helpers.
#pragma once

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "Support/fake_window.h"
#include "engine/converter.h"
#include "engine/current_settings.h"
#include "platform/profile.h"
#include "settings/settings_file.h"

// Not copyable: the history lists and the converter box refer to the window's own fields.
struct FakeSettingsWindow {
    FakeSettingsWindow() = default;
    FakeSettingsWindow(const FakeSettingsWindow&) = delete;
    FakeSettingsWindow& operator=(const FakeSettingsWindow&) = delete;

    test_support::FakeMainFields fields;
    test_support::FakeHistoryList input_directory{fields, HistoryField::InputDirectory};
    test_support::FakeHistoryList input_patterns{fields, HistoryField::InputPatterns};
    test_support::FakeHistoryList output_directory{fields, HistoryField::OutputDirectory};
    test_support::FakeHistoryList output_pattern{fields, HistoryField::OutputPattern};
    test_support::FakeConverterBox converter_box{fields};

    SettingsParts parts() {
        return SettingsParts{fields,         input_directory, input_patterns,
                             output_directory, output_pattern, converter_box};
    }
    // What the main window does after loading: one row per converter in key order, then the
    // stored position selected.
    void fill_converter_box(const ConverterList& converters, int position) {
        converter_box.clear();
        for (const auto& entry : converters) converter_box.add_row(entry.second.title, entry.first);
        converter_box.select_row(position);
    }
};

using Rows = std::vector<std::string>;

// One start of the program as far as the settings file goes: the window, the record and the list.
struct Session {
    FakeSettingsWindow window;
    CurrentSettings settings;
    ConverterList converters;

    void load(const std::string& path) {
        load_settings(window.parts(), path, settings, converters);
        window.fill_converter_box(converters, settings.converter_position);
    }
    bool save(const std::string& path) { return save_settings(window.parts(), converters, path); }
};

inline std::map<Switch, bool> all_switches(bool checked) {
    return {{Switch::IncludeSubfolders, checked},
            {Switch::InputAutoRefresh, checked},
            {Switch::OutputAutoRefresh, checked}};
}

inline Converter make_converter(const std::string& title, const std::string& exe = "x.exe") {
    return Converter{title, exe, "${infile} ${outfile}", "${location}"};
}

#ifdef _WIN32
constexpr char separator = '\\';
#else
constexpr char separator = '/';
#endif

inline std::string fixture_path(const std::string& name) {
    return executable_directory() + "settings_fixtures" + separator + name;
}

// The file's lines without line ends, empty lines left out: the Windows functions may set
// sections apart with an empty line, which carries no meaning.
inline std::string non_empty_lines(const std::string& text) {
    std::istringstream in(text);
    std::string line, result;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) result += line + "\n";
    }
    return result;
}
