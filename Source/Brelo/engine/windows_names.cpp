// cmd.exe's reading of a batch file's command line, and the names Win32 changes.
#include "engine/windows_names.h"

#include <cstring>

#include "engine/converter.h"

namespace {

constexpr const char* cmd_syntax = "&|<>()^";
constexpr const char* cmd_separators = " \t,;=";

bool is_control(unsigned char c) { return c < 0x20 || c == 0x7F; }

// The character as a refusal names it.
std::string described(char c) {
    if (c == ' ') return "a space";
    if (c == '\t') return "a tab";
    if (is_control(static_cast<unsigned char>(c))) return "a control character";
    return std::string(1, c);
}

std::string last_name(const std::string& path) {
    const std::size_t cut = path.find_last_of("\\/");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

bool ends_in_dot_or_space(const std::string& name) {
    return !name.empty() && (name.back() == '.' || name.back() == ' ');
}

bool ends_with_no_case(const std::string& text, const char* end) {
    const std::size_t length = std::strlen(end);
    if (text.size() < length) return false;
    for (std::size_t i = 0; i < length; ++i) {
        char c = text[text.size() - length + i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != end[i]) return false;
    }
    return true;
}

std::string path_refusal(const char* which, const std::string& path, CmdState state) {
    const std::size_t at = cmd_unsafe_position(path, state);
    if (at == std::string::npos) return {};
    std::string line = std::string("The ") + which +
                       " path cannot be passed safely to a batch file: it holds " +
                       described(path[at]);
    if (!state.quoted && !std::strchr("\"%!", path[at]) &&
        !is_control(static_cast<unsigned char>(path[at]))) {
        line += " outside double quotes";
    }
    return line + ".";
}

}  // namespace

bool is_batch_file(const std::string& program) {
    std::string name = program;
    // Windows drops trailing dots and blanks, so "conv.bat." runs conv.bat.
    while (!name.empty() && (name.back() == '"' || name.back() == '.' || name.back() == ' '))
        name.pop_back();
    return ends_with_no_case(name, ".bat") || ends_with_no_case(name, ".cmd");
}

CmdState cmd_state_after(const std::string& text, CmdState state) {
    for (char c : text) {
        if (state.escaped) {
            state.escaped = false;
        } else if (c == '"') {
            state.quoted = !state.quoted;
        } else if (c == '^' && !state.quoted) {
            state.escaped = true;
        }
    }
    return state;
}

std::size_t cmd_unsafe_position(const std::string& path, CmdState state) {
    for (std::size_t i = 0; i < path.size(); ++i) {
        const char c = path[i];
        if (c == '"' || c == '%' || c == '!' || is_control(static_cast<unsigned char>(c)))
            return i;
        // A caret before the path would make its first character plain; refusing it keeps the
        // rule simple, and the templates brelo builds never put one there.
        if (!state.quoted && (state.escaped || std::strchr(cmd_syntax, c) ||
                              std::strchr(cmd_separators, c)))
            return i;
    }
    return std::string::npos;
}

std::string file_refusal(const PreparedCommand& command, const std::string& input_path,
                         const std::string& output_path, bool windows_names) {
    if (windows_names && ends_in_dot_or_space(last_name(input_path))) return input_name_ends_text;
    if (windows_names && ends_in_dot_or_space(last_name(output_path))) return output_name_ends_text;
    if (!command.batch_file) return {};
    for (const CommandPart& part : command.parts) {
        if (part.slot == CommandPart::Slot::None) continue;
        const bool input = part.slot == CommandPart::Slot::Infile;
        std::string line = path_refusal(input ? "input" : "output", input ? input_path : output_path,
                                        part.cmd_state);
        if (!line.empty()) return line;
    }
    return {};
}

std::string batch_program_problem(const PreparedCommand& command) {
    if (!command.batch_file) return {};
    constexpr const char* opening =
        "The converter's program cannot be started safely as a batch file: its path ";
    // Its own double quotes may hold blanks and syntax; everything else must be plain text.
    bool quoted = false;
    for (char c : command.program) {
        if (c == '"') {
            quoted = !quoted;
            continue;
        }
        CmdState state;
        state.quoted = quoted;
        if (cmd_unsafe_position(std::string(1, c), state) == std::string::npos) continue;
        const bool anywhere =
            c == '%' || c == '!' || is_control(static_cast<unsigned char>(c));
        return opening + std::string("holds ") + described(c) +
               (anywhere ? "" : " outside double quotes") + ".";
    }
    if (quoted) return opening + std::string("leaves a double quote open.");
    return {};
}
