// Starts brelo-batch (or a copy of it) from a test and keeps its two output streams apart.
#pragma once

#include <string>
#include <vector>

namespace batch_test {

struct BatchResult {
    int exit_code = -1;
    std::string out;  // standard output, bytes as written
    std::string err;  // standard error, bytes as written
};

// Runs program (a full path) with the arguments, in work_dir when it is not empty, and waits
// for it to end.
BatchResult run_batch_process(const std::string& program, const std::vector<std::string>& args,
                              const std::string& work_dir = std::string());

// brelo-batch as built beside the test.
BatchResult run_brelo_batch(const std::vector<std::string>& args,
                            const std::string& work_dir = std::string());

// The text with every time stamp ("2007/05/18  21:07:05") replaced by "####/##/##  ##:##:##".
std::string mask_time_stamps(const std::string& text);

// A settings file as brelo writes it, with one history row per field (none when empty).
struct IniConverter {
    std::string title, exe_file, arguments, work_dir;
};
struct IniValues {
    std::string input_directory, input_patterns, output_directory, output_pattern;
    std::string include_subfolders = "1";
    std::string current_converter = "0";
    std::vector<IniConverter> converters;
};
std::string ini_text(const IniValues& values);

// The lines of the program's own texts end so.
#ifdef _WIN32
inline constexpr const char* eol = "\r\n";
#else
inline constexpr const char* eol = "\n";
#endif

}  // namespace batch_test
