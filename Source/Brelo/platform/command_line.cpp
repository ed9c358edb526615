// Command-line splitting with the C runtime's rules for blanks, quotes and backslashes.
#include "platform/command_line.h"

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

std::vector<std::string> split_command_line(const std::string& line) {
    std::vector<std::string> args;
    std::size_t i = 0;
    const std::size_t n = line.size();

    // The program name: quotes only group, and a backslash is part of the path.
    std::string program;
    bool in_quotes = false;
    while (i < n && (in_quotes || !is_blank(line[i]))) {
        if (line[i] == '"') in_quotes = !in_quotes;
        else program += line[i];
        ++i;
    }
    args.push_back(program);

    for (;;) {
        while (i < n && is_blank(line[i])) ++i;
        if (i >= n) break;
        std::string arg;
        in_quotes = false;
        while (i < n) {
            std::size_t backslashes = 0;
            while (i < n && line[i] == '\\') {
                ++backslashes;
                ++i;
            }
            if (i < n && line[i] == '"') {
                arg.append(backslashes / 2, '\\');
                if (backslashes % 2 == 1) {
                    arg += '"';
                } else if (in_quotes && i + 1 < n && line[i + 1] == '"') {
                    arg += '"';
                    ++i;
                } else {
                    in_quotes = !in_quotes;
                }
                ++i;
                continue;
            }
            arg.append(backslashes, '\\');
            if (i >= n || (!in_quotes && is_blank(line[i]))) break;
            arg += line[i++];
        }
        args.push_back(arg);
    }
    return args;
}
