// What the console converters need of the system, with one implementation per platform
// (file_system_posix.cpp, file_system_win32.cpp). Paths and arguments are UTF-8: on Windows they
// go through the system's UTF-16 calls, so that any name works, not only those of the ANSI code
// page; elsewhere the bytes are the names.
#pragma once

#include <cstdio>
#include <functional>
#include <string>

#include "Common/wide_text.h"  // utf8_arguments for the programs' main on Windows

// Opens the file as std::fopen does with the same mode; the caller closes it. Null on failure.
std::FILE* open_file(const std::string& path, const char* mode);

// Removes the file as std::remove does. False when it could not be removed.
bool remove_file(const std::string& path);

// True when the open file is a regular file (not a directory or a device).
bool is_regular_file(std::FILE* file);

// True when path names the file that is open as input. Compares file identities, so other
// spellings, relative paths and links are caught as well as the same name. False when path
// names no existing file.
bool names_open_file(std::FILE* input, const std::string& path);

// The id of this process.
unsigned long process_number();

// The part of path up to and including its last separator ("" for a bare name), so that a name
// appended to it lies in the same folder and a rename from it stays on one volume.
std::string folder_prefix(const std::string& path);

// How an output is written: through a temporary file renamed over it, directly (a device, a
// FIFO, a descriptor link, a folder, which then fails to open), or not at all.
enum class Placement { Temporary, Direct, Refused };

// Where the output named path goes: target is the file to replace, links followed where the
// system has them. in_place: the output is the input itself, always written through a temporary
// file, even when read-only. Refused when an existing output may not be written (read-only) or
// its folder does not exist.
Placement place_output(const std::string& path, bool in_place, std::string& target);

// Creates the file name exclusively for writing in binary mode. Null, with collided set, when a
// file of that name exists already. removes_itself tells that the system removes the file when
// its last handle closes, however the process ends (Windows marks it for deletion), until
// keep_on_close takes the mark back.
std::FILE* create_exclusive(const std::string& name, bool& collided, bool& removes_itself);

// Keeps a file made by create_exclusive when its stream closes. False, the file then going with
// its handle, when the mark cannot be taken back.
bool keep_on_close(std::FILE* stream);

// A file without a name in the folder given as a prefix ("" for the current one), which vanishes
// with its last descriptor, however the process ends. Null where the system or the file system
// has no such files.
std::FILE* create_unnamed(const std::string& folder);

// Closes a stream of create_unnamed and, with keep, gives its file the name target: straight
// when the name is free, otherwise under a name from next_name that is then renamed over the old
// file, as a rename replaces in one step and a link never does. False, leaving the old target as
// it was, when it was not kept or anything failed.
bool close_unnamed(std::FILE* stream, bool keep, const std::string& target,
                   const std::function<std::string()>& next_name);

// Gives to's file the owner and permission bits of the existing file target, where allowed; a
// file the user could not have made keeps what the user's new files get.
void copy_permissions(const std::string& target, std::FILE* to);

// Renames from over to in one step.
bool replace_file(const std::string& from, const std::string& to);
