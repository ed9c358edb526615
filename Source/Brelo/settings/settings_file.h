// BRELO.ini: the stored settings carried from one start of brelo to the next.
#pragma once

#include <string>

#include "engine/stored_settings.h"

// Converter entries up to this number are read even when none of their keys is in the file,
// as four empty texts. Beyond it the list ends at the first entry with no key at all: a saved
// file holds all four keys of every entry, and a damaged count must not fill the list with
// millions of empty converters.
constexpr int converters_read_without_keys = 1000;

// The directory of brelo's executable with its trailing separator, found once per process.
// Empty while it cannot be found.
std::string program_directory();

// directory followed by "BRELO.ini". Empty when directory is empty or the joined path would not
// fit 259 characters: a cut path would name some other file, so no settings file is used then.
std::string settings_path_in(const std::string& directory);
// settings_path_in(program_directory()).
std::string settings_file_path();

// The settings in the file at path, which is read once. Each history holds its slots up to the
// first empty or missing one; the converters come in file order; the current converter is -1
// unless it names one of them. Texts are UTF-8 (an older file in the system's code page is
// converted) and at most 259 bytes, cut between characters. A missing or unreadable file,
// section or key gives its default, and an empty path gives every default. The window's
// placement is known only when [Window] holds all five of its keys and a positive size.
StoredSettings load_settings(const std::string& path);

// Writes every key of the file at path: the ten slots of each history (the values, then empty
// ones), the switches, the converter count, the current converter and the converters in order,
// then, when known, the window's placement in [Window]. Keys the program no longer uses stay as
// they are. The file is read once and, when anything changed, replaced once, in UTF-8. False
// when the path is empty, the file exists but cannot be read, or it could not be replaced; the
// file then keeps what it had.
bool save_settings(const StoredSettings& settings, const std::string& path);
// save_settings that, when it fails, sets reason to why, in a few words a user can act on and
// fit to follow "could not be saved: " ("the disk is full", "access is denied", or the system's
// own message).
bool save_settings(const StoredSettings& settings, const std::string& path, std::string& reason);
