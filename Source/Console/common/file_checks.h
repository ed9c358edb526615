// Checks on an input file that both console converters make before they open their output.
#pragma once

#include <cstdio>
#include <string>

// True when the open file is a regular file (not a directory or a device).
bool is_regular_file(std::FILE* file);

// True when path names the file that is open as input. Compares file identities, so other
// spellings, relative paths and links are caught as well as the same name. False when path
// names no existing file.
bool names_open_file(std::FILE* input, const std::string& path);
