// The command lines of a batch converter read by a small model of cmd.exe: every path the run
// accepts (file_refusal empty) reaches the batch file as the path itself, each of its characters
// plain text (never quote, caret, syntax, separator or expansion), and a path whose token stands
// alone in the template arrives as one argument, the path between double quotes. A program path
// batch_program_problem accepts is read as one plain word. The input picks a program and a
// template from pieces, then holds the input path, a NUL byte and the output path.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include <fuzzer/FuzzedDataProvider.h>

#include "engine/converter.h"
#include "engine/windows_names.h"

namespace {

// Stops the fuzzer with what broke, so that a crash explains itself.
[[noreturn]] void fail(const char* what, const std::string& line) {
    std::fprintf(stderr, "%s: [%s]\n", what, line.c_str());
    std::abort();
}

// One character of a command line as cmd.exe takes it.
struct Reading {
    bool quoted = false;     // inside double quotes
    bool toggles = false;    // a double quote that opens or closes quoting
    bool caret = false;      // a caret outside quotes: dropped, the next character is plain
    bool escaped = false;    // the character after such a caret
    bool syntax = false;     // & | < > ( ) outside quotes: ends or shapes the command
    bool separator = false;  // blank, tab , ; = outside quotes: ends an argument
    bool expands = false;    // % anywhere, ! with delayed expansion
    bool control = false;    // a line break ends the command; other controls are unsafe
};

// The model: percent and exclamation signs expand everywhere (the first phase, before quotes
// count), a double quote toggles quoting unless a caret escapes it, a caret outside quotes
// escapes the next character, and outside quotes "&|<>()" are syntax and " \t,;=" separate
// arguments.
std::vector<Reading> read_as_cmd(const std::string& line) {
    std::vector<Reading> readings(line.size());
    bool quoted = false;
    bool escaped = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        Reading& r = readings[i];
        r.quoted = quoted;
        r.expands = c == '%' || c == '!';
        r.control = static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
        if (escaped) {
            r.escaped = true;
            escaped = false;
        } else if (c == '"') {
            r.toggles = true;
            quoted = !quoted;
        } else if (!quoted && c == '^') {
            r.caret = true;
            escaped = true;
        } else if (!quoted && std::strchr("&|<>()", c)) {
            r.syntax = true;
        } else if (!quoted && std::strchr(" \t,;=", c)) {
            r.separator = true;
        }
    }
    return readings;
}

bool plain(const Reading& r) {
    return !r.toggles && !r.caret && !r.syntax && !r.separator && !r.expands && !r.control;
}

// The batch file's argument that holds position at: from the separator before it to the one
// after it, quotes kept as %1 keeps them. Syntax outside quotes ends it as well.
std::string argument_at(const std::string& line, const std::vector<Reading>& readings,
                        std::size_t at) {
    std::size_t begin = at;
    while (begin > 0 && !readings[begin - 1].separator && !readings[begin - 1].syntax) --begin;
    std::size_t end = at;
    while (end < line.size() && !readings[end].separator && !readings[end].syntax) ++end;
    std::string argument;
    for (std::size_t i = begin; i < end; ++i)
        if (!readings[i].caret) argument += line[i];
    return argument;
}

const char* const program_pieces[] = {"C:\\t\\", "conv", ".bat", "\"", " ", "&", "^", "%", "!",
                                      "(", "x", "\\", ".CMD", "=", ","};
const char* const template_pieces[] = {"${infile}", "${outfile}", " ", "\"", "^", "-o", "&",
                                       "x", ",", "(", "\"${infile}\"", "=", "${location}"};

std::string pick(FuzzedDataProvider& data, const char* const* pieces, std::size_t count) {
    std::string text;
    const std::size_t length = data.ConsumeIntegralInRange<std::size_t>(0, 8);
    for (std::size_t i = 0; i < length; ++i)
        text += pieces[data.ConsumeIntegralInRange<std::size_t>(0, count - 1)];
    return text;
}

void check_program(const PreparedCommand& command, const std::string& line) {
    if (!batch_program_problem(command).empty()) return;
    // The program's text opens the line, and each of its characters is plain or one of its own
    // quotes: cmd.exe reads it as one word naming the program.
    const std::vector<Reading> readings = read_as_cmd(line);
    std::string word;
    for (std::size_t i = 0; i < command.program.size(); ++i) {
        const Reading& r = readings[i];
        if (r.caret || r.syntax || r.separator || r.expands || r.control)
            fail("program character not plain", line);
        if (!r.toggles) word += line[i];
    }
    if (readings.size() > command.program.size() &&
        readings[command.program.size()].quoted)
        fail("program leaves a quote open", line);
    std::string unquoted;
    for (char c : command.program)
        if (c != '"') unquoted += c;
    if (word != unquoted) fail("program word differs", line);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider provider(data, size);
    Converter converter{"T", pick(provider, program_pieces, std::size(program_pieces)) + ".bat",
                        pick(provider, template_pieces, std::size(template_pieces)), ""};
    const std::string rest = provider.ConsumeRemainingBytesAsString();
    const std::size_t split = rest.find('\0');
    if (split == std::string::npos) return 0;
    const std::string input = rest.substr(0, split);
    const std::string output = rest.substr(split + 1);
    // A NUL cannot be part of a command line; the walk's names never end in a separator.
    if (output.find('\0') != std::string::npos) return 0;
    if ((!input.empty() && input.back() == '\\') || (!output.empty() && output.back() == '\\'))
        return 0;

    PreparedCommand command = prepare_command(converter);
    command.batch_file = true;  // as on Windows, whatever this build runs on
    const std::string line = expand_command(command, input, output);
    check_program(command, line);
    // A program refused is refused for the whole run, before any file.
    if (!batch_program_problem(command).empty()) return 0;
    if (!file_refusal(command, input, output, false).empty()) return 0;

    // The line put together again, knowing where each path went.
    std::string rebuilt;
    struct Placed {
        std::size_t at;
        const std::string* path;
        CmdState state;  // where prepare_command says cmd.exe stands at the path
    };
    std::vector<Placed> placed;
    for (std::size_t i = 0; i < command.parts.size(); ++i) {
        const CommandPart& part = command.parts[i];
        if (part.slot == CommandPart::Slot::None) {
            rebuilt += part.text;
            continue;
        }
        const std::string& path = part.slot == CommandPart::Slot::Infile ? input : output;
        placed.push_back({rebuilt.size(), &path, part.cmd_state});
        rebuilt += path;
    }
    if (rebuilt != line) fail("line differs from the parts", line);

    const std::vector<Reading> readings = read_as_cmd(line);
    for (const Placed& p : placed) {
        for (std::size_t i = p.at; i < p.at + p.path->size(); ++i)
            if (!plain(readings[i])) fail("path character not plain", line);
        // At the path the model stands where prepare_command says it does.
        if (!p.path->empty() && readings[p.at].quoted != p.state.quoted)
            fail("quote state differs", line);
        // The slot's quotes opened and closed by cmd.exe, with a separator or the line's end on
        // either side: the token stood alone in the template.
        const std::size_t open = p.at - 1, close = p.at + p.path->size();
        const bool alone = p.state.quoted && (open == 0 || readings[open - 1].separator) &&
                           (close + 1 == line.size() || readings[close + 1].separator);
        if (alone && !p.path->empty() &&
            argument_at(line, readings, p.at) != "\"" + *p.path + "\"")
            fail("argument differs", line);
    }
    return 0;
}
