// Starts one of the project's programs from a test and collects what it printed.
#pragma once

#include <string>
#include <vector>

namespace test_support {

struct ProgramResult {
    int exit_code = -1;
    std::string output;  // standard output exactly as the program wrote it (binary)
};

// Full path of a program built beside the running test executable ("hashmd5" -> ".../hashmd5.exe"
// on Windows). Every executable of the build lands in the same folder.
std::string program_path(const std::string& name);

// Runs the program with the arguments (each quoted for the platform's shell) and returns its
// exit code and standard output. Standard error is not captured.
ProgramResult run_program(const std::string& name, const std::vector<std::string>& args);

// Runs a whole command line (quoted by the caller, see shell_quote) through the platform's
// command processor and returns its exit code and standard output, read as binary. A command in
// UTF-8 reaches the programs whole, on Windows as UTF-16.
ProgramResult run_command(const std::string& command);

// The argument quoted for the platform's command processor (cmd.exe with the C runtime's rules,
// or a POSIX shell), so that it arrives as exactly one argument.
std::string shell_quote(const std::string& arg);

// What a "\n" written to a text-mode stream reaches a reader as.
#ifdef _WIN32
inline const std::string text_line_end = "\r\n";
#else
inline const std::string text_line_end = "\n";
#endif

// Directory of the running executable, without a trailing separator.
std::string executable_directory();

}  // namespace test_support
