// What Windows does to the names a run hands a converter before the converter sees them: cmd.exe
// reads the command line of a batch file as syntax, and every Win32 program drops the dots and
// blanks a name ends with. The rules are pure and compiled everywhere; the run applies them
// where Windows starts the converters (windows_file_names).
#pragma once

#include <cstddef>
#include <string>

struct PreparedCommand;

// True when Windows starts the program through cmd.exe: its name ends in ".bat" or ".cmd", in
// any case, once double quotes and the dots and blanks Windows drops from its end are set aside.
bool is_batch_file(const std::string& program);

// Where cmd.exe stands while it reads a command line.
struct CmdState {
    bool quoted = false;   // inside double quotes
    bool escaped = false;  // the next character follows a caret outside quotes: taken as it is
};

// The state after cmd.exe has read text from state: a double quote that no caret escapes opens
// or closes quoting; outside quotes a caret makes the next character a plain one. Percent signs
// are not followed: what the converter's own templates expand is the user's intent.
CmdState cmd_state_after(const std::string& text, CmdState state);

// The position of the first character of path that cmd.exe would read as syntax, expand or cut
// the argument at, where the path starts in the state given; npos when the path reaches a batch
// file as it is. Everywhere: a double quote (it ends the quoting), "%" (expanded even inside
// quotes), "!" (expanded where delayed expansion is on) and control characters (a line break
// ends the command). Outside quotes also "&|<>()^" and the separators blank, tab, ",", ";", "=".
std::size_t cmd_unsafe_position(const std::string& path, CmdState state);

// The one line of a file that is refused before its converter starts, or empty when it may
// start: with windows_names, an input or output name that ends in a dot or a blank; for a batch
// file, a path cmd.exe would not pass on as it is (see cmd_unsafe_position).
std::string file_refusal(const PreparedCommand& command, const std::string& input_path,
                         const std::string& output_path, bool windows_names);

// Why the program of a batch converter cannot be handed to cmd.exe as it stands, or empty: its
// path, read from the start of the command line, holds a character cmd.exe would take as syntax
// or expand, or leaves a double quote open.
std::string batch_program_problem(const PreparedCommand& command);

// The texts of these refusals.
inline constexpr const char* input_name_ends_text =
    "Windows programs cannot open a name that ends in a dot or a space.";
inline constexpr const char* output_name_ends_text =
    "Windows programs cannot create a name that ends in a dot or a space.";
