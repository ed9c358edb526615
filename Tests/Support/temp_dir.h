// A fresh temporary directory for one test, removed with everything in it afterwards.
#pragma once

#include <string>

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

// Whole-file helpers in binary mode. read_file returns "" for a missing file; file_exists tells.
void write_file(const std::string& path, const std::string& bytes);
std::string read_file(const std::string& path);
bool file_exists(const std::string& path);

}  // namespace test_support
