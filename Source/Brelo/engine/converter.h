// Converter definitions: the texts that describe one external console program and how a
// converter becomes the command line of one child process.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

#include "engine/windows_names.h"

struct Converter {
    std::string title;      // shown in the converter box, the dialog and the run header
    std::string exe_file;   // path of the program to start
    std::string arguments;  // template with ${location}, ${infile}, ${outfile}
    std::string work_dir;   // template with ${location}
    int parallel = 1;       // how many of it may run at once; 0 for one per processor
    int time_limit = 0;     // seconds one run of it may take before it is ended; 0 for none
};

// The longest time limit a converter can have, in seconds (eleven and a half days).
inline constexpr int most_time_limit = 999999;

// The placeholder tokens, matched byte for byte and case-sensitively. The first two belong to
// output-name patterns, the last three to converters.
inline constexpr const char* prefix_token = "${prefix}";
inline constexpr const char* suffix_token = "${suffix}";
inline constexpr const char* location_token = "${location}";
inline constexpr const char* infile_token = "${infile}";
inline constexpr const char* outfile_token = "${outfile}";
inline constexpr const char* placeholder_tokens[] = {prefix_token, suffix_token, location_token,
                                                     infile_token, outfile_token};

// What a run derives once from its converter.
// One piece of a prepared command line: text that goes in as it is, or the place of a path.
struct CommandPart {
    enum class Slot { None, Infile, Outfile };
    Slot slot = Slot::None;
    std::string text;  // with Slot::None
    // With a slot: how cmd.exe stands where the path begins, reading the line from its start.
    CmdState cmd_state;
};

struct PreparedCommand {
    // The command line with "${infile}" and "${outfile}" still open, as a person reads it.
    std::string command_template;
    // The same line in pieces: the paths go into the slots, and no text around them, nor a path,
    // is ever read for placeholders again.
    std::vector<CommandPart> parts;
    std::string work_dir;  // final; may be empty, and is then passed on empty
    std::string program;   // the program's path with the location inserted, as the line holds it
    // Windows starts the program through cmd.exe (windows_file_names and is_batch_file), which
    // reads the whole line as syntax: see file_refusal and batch_program_problem.
    bool batch_file = false;
};

// The text before the last path separator of exe_file, or the whole text when it has none.
std::string converter_location(const std::string& exe_file);

// Replaces every occurrence of token, left to right and without overlap; text inserted by this
// call is never searched again by it. An empty token leaves the text unchanged.
void replace_all_in_place(std::string& text, const std::string& token,
                          const std::string& replacement);
std::string replace_all_copy(const std::string& text, const std::string& token,
                             const std::string& replacement);

// A placeholder token and the text that takes its place.
struct Placeholder {
    const char* token;
    const std::string& value;
};

// The text with every placeholder token replaced by its value in one pass from left to right:
// what a value brings in is never read for tokens, so a path holding "${outfile}" stays as it
// is. Tokens are matched byte for byte and case-sensitively.
std::string replace_placeholders(const std::string& text,
                                 std::initializer_list<Placeholder> placeholders);

// "<exe_file> <arguments>" with both file tokens put between double quotes and the location
// inserted (unquoted); the working directory is work_dir with the location inserted. Each is
// read for placeholders once: a location holding a token inserts it as text.
PreparedCommand prepare_command(const Converter& converter);

// The command line for one file: the prepared pieces with the input path in the "${infile}"
// slots and the output path in the "${outfile}" slots. A double quote inside a path is escaped
// (with the backslashes before it, and the backslashes at the path's end, doubled) so that the
// quoted path reaches the converter as exactly one argument; a path holding neither arrives
// unchanged.
std::string expand_command(const PreparedCommand& command, const std::string& input_path,
                           const std::string& output_path);
