// Files named by UTF-8 paths, and the program's arguments in UTF-8: on Windows through the
// system's UTF-16 names and command line, so that any name works, not only those of the ANSI
// code page; elsewhere the bytes are the names.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "platform/wide_text.h"  // utf8_to_wide, utf8_arguments on Windows

// Opens the file as std::fopen does with the same mode; the caller closes it. Null on failure.
std::FILE* open_file(const std::string& path, const char* mode);

// Removes the file as std::remove does. False when it could not be removed.
bool remove_file(const std::string& path);
