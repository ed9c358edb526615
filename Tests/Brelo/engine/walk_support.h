// Small helpers of the walk, scan and batch-run tests: log texts that end in a time stamp, and
// files and folders made for a walk.
#pragma once

#include <filesystem>
#include <regex>
#include <string>

#include "Support/temp_dir.h"

namespace walk_test {

using namespace test_support;

// The text without its final time stamp ("yyyy/mm/dd  hh:mm:ss"), or "<no time stamp>" when it
// does not end in one.
inline std::string without_time_stamp(const std::string& text) {
    static const std::regex stamp("[ 0-9]{3}[0-9]/[0-9]{2}/[0-9]{2}  [0-9]{2}:[0-9]{2}:[0-9]{2}$");
    std::smatch found;
    if (!std::regex_search(text, found, stamp)) return "<no time stamp>";
    return text.substr(0, static_cast<std::size_t>(found.position(0)));
}

// The notice as shown before its time stamp.
inline std::string notice_text(const std::string& section, const std::string& key,
                               const std::string& message) {
    return "[" + section + " - " + key + "]:\r\n\r\n\t" + message + "\r\n\r\n";
}

// Creates a file (and the folders on its way) below the directory; "/" separates the parts.
inline void make_file(const TempDir& root, const std::string& relative,
                      const std::string& bytes = "x") {
    std::filesystem::path path(root.path());
    path /= std::filesystem::path(relative);
    std::filesystem::create_directories(path.parent_path());
    write_file(path.string(), bytes);
}

inline void make_folder(const TempDir& root, const std::string& relative) {
    std::filesystem::create_directories(std::filesystem::path(root.path()) / relative);
}

inline bool folder_exists(const TempDir& root, const std::string& relative) {
    return std::filesystem::is_directory(std::filesystem::path(root.path()) / relative);
}

}  // namespace walk_test
