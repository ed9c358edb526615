// Converter locations and the command lines built from a converter's templates.
#include "engine/converter.h"

#include <cstring>

#include "platform/platform.h"

std::string converter_location(const std::string& exe_file) {
    auto cut = exe_file.rfind(path_separator);
    if (cut == std::string::npos) return exe_file;
    return exe_file.substr(0, cut);
}

void replace_all_in_place(std::string& text, const std::string& token,
                          const std::string& replacement) {
    if (text.find(token) != std::string::npos) text = replace_all_copy(text, token, replacement);
}

std::string replace_all_copy(const std::string& text, const std::string& token,
                             const std::string& replacement) {
    // Called for every matched file of a scan and a run, so it allocates once and only when
    // there is something to replace. What it inserts is never searched again.
    if (token.empty()) return text;
    std::size_t found = text.find(token);
    if (found == std::string::npos) return text;
    std::string result;
    result.reserve(text.size() + replacement.size());
    std::size_t from = 0;
    for (; found != std::string::npos; found = text.find(token, from)) {
        result.append(text, from, found - from);
        result += replacement;
        from = found + token.size();
    }
    result.append(text, from, std::string::npos);
    return result;
}

std::string replace_placeholders(const std::string& text,
                                 std::initializer_list<Placeholder> placeholders) {
    std::string result;
    std::size_t from = 0;
    for (std::size_t at = text.find("${"); at != std::string::npos; at = text.find("${", at)) {
        const Placeholder* found = nullptr;
        for (const Placeholder& placeholder : placeholders) {
            if (text.compare(at, std::strlen(placeholder.token), placeholder.token) == 0) {
                found = &placeholder;
                break;
            }
        }
        if (!found) {
            at += 2;
            continue;
        }
        if (result.empty()) result.reserve(text.size() + found->value.size());
        result.append(text, from, at - from);
        result += found->value;
        at += std::strlen(found->token);
        from = at;
    }
    if (from == 0) return text;
    result.append(text, from, std::string::npos);
    return result;
}

PreparedCommand prepare_command(const Converter& converter) {
    const std::string location = converter_location(converter.exe_file);
    const std::string line = converter.exe_file + " " + converter.arguments;
    PreparedCommand prepared;
    prepared.parts.emplace_back();
    const auto add_text = [&](const std::string& text) {
        prepared.parts.back().text += text;
        prepared.command_template += text;
    };
    const auto add_slot = [&](CommandPart::Slot slot, const char* token) {
        add_text("\"");
        prepared.parts.push_back(CommandPart{slot, {}, {}});
        prepared.parts.emplace_back();
        prepared.command_template += token;
        add_text("\"");
    };
    std::size_t from = 0;
    for (std::size_t at = line.find("${"); at != std::string::npos; at = line.find("${", at)) {
        const auto starts_with = [&](const char* token) {
            return line.compare(at, std::strlen(token), token) == 0;
        };
        const char* token = starts_with(infile_token)     ? infile_token
                            : starts_with(outfile_token)  ? outfile_token
                            : starts_with(location_token) ? location_token
                                                          : nullptr;
        if (!token) {
            at += 2;
            continue;
        }
        add_text(line.substr(from, at - from));
        if (token == location_token) {
            add_text(location);
        } else {
            add_slot(token == infile_token ? CommandPart::Slot::Infile : CommandPart::Slot::Outfile,
                     token);
        }
        at += std::strlen(token);
        from = at;
    }
    add_text(line.substr(from));
    prepared.work_dir = replace_placeholders(converter.work_dir, {{location_token, location}});
    prepared.program = replace_placeholders(converter.exe_file, {{location_token, location}});
    prepared.batch_file = windows_file_names && is_batch_file(prepared.program);
    // The paths a run accepts hold no double quote and, outside quotes, no caret, so they leave
    // cmd.exe's state as it was: the state at each slot depends on the templates alone.
    CmdState state;
    for (CommandPart& part : prepared.parts) {
        if (part.slot == CommandPart::Slot::None) state = cmd_state_after(part.text, state);
        else part.cmd_state = state;
    }
    return prepared;
}

namespace {

// The path as the text between a pair of double quotes must hold it for the C runtime's argument
// splitting to give the path back as one argument: a double quote becomes \" and a run of
// backslashes before a double quote, or at the end where the closing quote follows, is doubled.
// Backslashes elsewhere stand for themselves, so Windows paths pass unchanged.
std::string quote_inside(const std::string& path) {
    std::string out;
    out.reserve(path.size());
    std::size_t backslashes = 0;
    for (char c : path) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        if (c == '"') {
            out.append(backslashes * 2 + 1, '\\');
        } else {
            out.append(backslashes, '\\');
        }
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, '\\');
    return out;
}

}  // namespace

std::string expand_command(const PreparedCommand& command, const std::string& input_path,
                           const std::string& output_path) {
    const std::string input = quote_inside(input_path);
    const std::string output = quote_inside(output_path);
    std::string line;
    for (const CommandPart& part : command.parts) {
        switch (part.slot) {
        case CommandPart::Slot::None: line += part.text; break;
        case CommandPart::Slot::Infile: line += input; break;
        case CommandPart::Slot::Outfile: line += output; break;
        }
    }
    return line;
}
