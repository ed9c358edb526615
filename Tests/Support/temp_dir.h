// A fresh temporary directory for one test, removed with everything in it afterwards.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace test_support {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // The directory's path with the platform's separator and no trailing separator.
    const std::string& path() const { return path_; }
    // path() joined with a relative name by the platform's separator.
    std::string file(const std::string& name) const;

private:
    std::string path_;
};

// The path as std::filesystem and the file streams take it: UTF-8 names any file (on Windows
// too), a text that is not UTF-8 is read in the ANSI code page, as the 8-bit calls read it.
std::filesystem::path native_path(const std::string& path);

// Whole-file helpers in binary mode, for paths in UTF-8. read_file returns "" for a missing
// file; file_exists tells.
void write_file(const std::string& path, const std::string& bytes);
std::string read_file(const std::string& path);
bool file_exists(const std::string& path);

// Everything below dir: each file with its bytes and each folder (ending in "/") with "", by
// paths relative to dir with "/" between the parts.
std::map<std::string, std::string> tree_of(const std::string& dir);
// The names in dir (not below it), in UTF-8, sorted.
std::vector<std::string> names_in(const std::string& dir);

}  // namespace test_support
