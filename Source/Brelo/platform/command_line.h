// How a Windows program's C runtime cuts its one command line into arguments. The POSIX layer
// cuts a converter's command line with the same rules, so a converter receives the same
// arguments on both platforms.
#pragma once

#include <string>
#include <vector>

// The arguments of the command line, the program's own name first. Blanks and tabs separate
// arguments outside double quotes. The program name ends at the first blank or tab outside
// quotes; its quotes are dropped and backslashes in it are plain characters. In the other
// arguments, 2n backslashes before a double quote give n backslashes and the quote opens or
// closes a quoted part; 2n+1 backslashes before a double quote give n backslashes and a literal
// quote; backslashes before anything else stand for themselves; inside a quoted part, two
// double quotes in a row give one literal quote and the quoted part goes on.
std::vector<std::string> split_command_line(const std::string& line);
