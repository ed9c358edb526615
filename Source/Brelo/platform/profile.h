// Private-profile (INI) files and the running program's own directory. profile_win32.cpp hands
// these to the Windows private-profile functions; profile_posix.cpp reads and writes the same
// file format itself, so one BRELO.ini serves both.
#pragma once

#include <string>
#include <vector>

// The directory that holds the running executable, as a full path ending in the platform's
// separator (D:\Tools\Brelo\ on Windows). Empty when the path cannot be found or does not fit
// a 260-byte buffer; a cut path would name some other directory.
std::string executable_directory();

// The value of key in [section] of file, cut to 259 characters. Section and key names compare
// without regard to case, and only the first section and the first key of a name count. Blanks
// around the value and one pair of quotes (" or ') enclosing it are dropped, as the Windows
// functions do. fallback comes back instead when the file, the section or the key is missing,
// when the key's line has no equals sign, or when the file cannot be read; keep it free of
// trailing blanks and enclosing quotes, which Windows strips from it as well.
std::string read_profile_string(const std::string& file, const std::string& section,
                                const std::string& key, const std::string& fallback);

// Sets key in [section] of file to value. An existing key keeps its place and gets the new
// value; a new key goes at the end of its section, a new section at the end of the file, and a
// missing file is created. A value ends at its first line break, which the file could not hold.
// Leading blanks of the value are not kept (see read_profile_string). False when the file could
// not be written; Windows does not always say.
bool write_profile_string(const std::string& file, const std::string& section,
                          const std::string& key, const std::string& value);

struct ProfileEntry {
    std::string section;
    std::string key;
    std::string value;
};

// write_profile_string for each entry in order. On POSIX the file is replaced once for all of
// them, so a reader finds either none or all of the changes. False when any of them failed.
bool write_profile_strings(const std::string& file, const std::vector<ProfileEntry>& entries);
