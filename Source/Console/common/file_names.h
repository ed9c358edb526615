// Files named by UTF-8 paths, and the program's arguments in UTF-8: on Windows through the
// system's UTF-16 names and command line, so that any name works, not only those of the ANSI
// code page; elsewhere the bytes are the names.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

// Opens the file as std::fopen does with the same mode; the caller closes it. Null on failure.
std::FILE* open_file(const std::string& path, const char* mode);

// Removes the file as std::remove does. False when it could not be removed.
bool remove_file(const std::string& path);

#ifdef _WIN32
// The UTF-16 name for a W call. A path that is not UTF-8 is read in the ANSI code page, as the
// 8-bit calls read it.
std::wstring wide_name(const std::string& path);

// The arguments wmain received, the program's name first, in UTF-8.
std::vector<std::string> utf8_arguments(int argc, wchar_t* argv[]);
#endif
