// Converter lookup, locations and the command lines built from a converter's templates.
#include "engine/converter.h"

#include "platform/platform.h"

std::optional<Converter> find_converter(const ConverterList& list, int key) {
    auto it = list.find(key);
    if (it == list.end()) return std::nullopt;
    return it->second;
}

int smallest_free_key(const ConverterList& list) {
    // The map is ordered: the first gap among the non-negative keys is the answer.
    int candidate = 0;
    for (auto it = list.lower_bound(0); it != list.end() && it->first == candidate; ++it)
        ++candidate;
    return candidate;
}

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

PreparedCommand prepare_command(const Converter& converter) {
    const std::string location = converter_location(converter.exe_file);
    PreparedCommand prepared;
    prepared.command_template = converter.exe_file + " " + converter.arguments;
    replace_all_in_place(prepared.command_template, infile_token,
                         std::string("\"") + infile_token + "\"");
    replace_all_in_place(prepared.command_template, outfile_token,
                         std::string("\"") + outfile_token + "\"");
    replace_all_in_place(prepared.command_template, location_token, location);
    prepared.work_dir = replace_all_copy(converter.work_dir, location_token, location);
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

std::string expand_command(const std::string& command_template, const std::string& input_path,
                           const std::string& output_path) {
    std::string line = replace_all_copy(command_template, infile_token, quote_inside(input_path));
    replace_all_in_place(line, outfile_token, quote_inside(output_path));
    return line;
}
