// Small helpers of the settings tests: building and printing stored settings, the shared INI
// fixtures, a file's lines and values.
#pragma once

#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "engine/converter.h"
#include "engine/stored_settings.h"
#include "platform/platform.h"
#include "platform/profile.h"
#include "settings/profile_document.h"
#include "settings/settings_file.h"

inline Converter make_converter(const std::string& title, const std::string& exe = "x.exe") {
    return Converter{title, exe, "${infile} ${outfile}", "${location}"};
}

// Lets a failed comparison show the whole value. Found by GoogleTest next to StoredSettings.
inline void PrintTo(const StoredSettings& s, std::ostream* out) {
    auto history = [out](const char* name, const History& values) {
        *out << "\n  " << name << ":";
        for (const std::string& value : values) *out << " [" << value << "]";
    };
    history("input directories", s.input_directories);
    history("input patterns", s.input_patterns);
    history("output directories", s.output_directories);
    history("output patterns", s.output_patterns);
    *out << "\n  switches: " << s.include_subfolders << s.input_auto_refresh
         << s.output_auto_refresh << "\n  current converter: " << s.current_converter;
    for (const Converter& c : s.converters)
        *out << "\n  converter: [" << c.title << "|" << c.exe_file << "|" << c.arguments << "|"
             << c.work_dir << "]";
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

// The value of key in [section] of the file, or fallback.
inline std::string profile_value(const std::string& path, const char* section, const char* key,
                                 const std::string& fallback) {
    ProfileDocument document;
    document.load(path);
    return document.find(section, key).value_or(fallback);
}

// True where the system's code page is Windows-1252 (always on POSIX; Wine's default), which
// the tests spelling out converted texts expect.
inline bool western_code_page() { return ansi_to_utf8("\xe9") == "\xc3\xa9"; }
