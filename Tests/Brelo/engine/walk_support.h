// Small helpers of the walk, scan and batch-run tests: log texts that end in a time stamp, and
// files and folders made for a walk.
#pragma once

#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "Support/temp_dir.h"
#include "engine/run_settings.h"

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

// The fields of a walk as the window captures them.
inline RunSettings settings_for(const std::string& input, const std::string& patterns,
                                    const std::string& output,
                                    const std::string& output_pattern = "${prefix}.${suffix}",
                                    bool subfolders = true) {
    RunSettings settings;
    settings.input_directory = input;
    settings.input_patterns = patterns;
    settings.output_directory = output;
    settings.output_pattern = output_pattern;
    settings.include_subfolders = subfolders;
    return settings;
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

// Forty folders, three in each down to the fourth level, each with 30 files of names some 85
// characters long (every sixth not matching *.txt): more names than one block holds. Besides
// them a folder without matches and a chain of twelve folders down to one match.
inline void make_big_tree(const TempDir& root, const std::string& folder = "", int level = 0) {
    const std::string pad(80, 'n');
    for (int i = 0; i < 30; ++i) {
        make_file(root, folder + pad + std::to_string(level) + "-" + std::to_string(i) +
                            (i % 6 == 5 ? ".dat" : ".txt"));
    }
    if (level == 3) return;
    for (const char* sub : {"a", "b", "c"}) {
        make_big_tree(root, folder + sub + std::to_string(level) + "/", level + 1);
    }
    if (level > 0) return;
    make_file(root, "none/x.dat");
    std::string chain;
    for (int i = 0; i < 12; ++i) chain += "z" + std::to_string(i) + "/";
    make_file(root, chain + "last.txt");
}

inline bool folder_exists(const TempDir& root, const std::string& relative) {
    return std::filesystem::is_directory(std::filesystem::path(root.path()) / relative);
}

// Makes a chain of folders below root, each named by 200 'd's, until the path of the deepest
// one is longer than the system lets a directory be listed by (4096 bytes on Linux, 259
// characters for the 8-bit Windows calls), and puts a file "deep.txt" into the deepest. Every
// folder is made relative to the one before, so the limit never stands in the way. Returns the
// number of folders made.
inline int make_too_deep_folders(const std::string& root) {
    const std::string name(200, 'd');
#ifdef _WIN32
    constexpr std::size_t limit = 259;
    std::wstring path = L"\\\\?\\" + std::filesystem::absolute(root).wstring();
    int made = 0;
    std::size_t length = root.size();
    while (length <= limit) {
        path += L"\\" + std::wstring(name.begin(), name.end());
        std::filesystem::create_directory(path);
        length += 1 + name.size();
        ++made;
    }
    std::filesystem::path file(path + L"\\deep.txt");
    std::FILE* out = _wfopen(file.c_str(), L"wb");
    if (out) std::fclose(out);
    return made;
#else
    constexpr std::size_t limit = 4096;
    int folder = open(root.c_str(), O_RDONLY | O_DIRECTORY);
    int made = 0;
    std::size_t length = root.size();
    while (folder >= 0 && length <= limit) {
        mkdirat(folder, name.c_str(), 0755);
        const int next = openat(folder, name.c_str(), O_RDONLY | O_DIRECTORY);
        close(folder);
        folder = next;
        length += 1 + name.size();
        ++made;
    }
    if (folder >= 0) {
        const int file = openat(folder, "deep.txt", O_WRONLY | O_CREAT, 0644);
        if (file >= 0) close(file);
        close(folder);
    }
    return made;
#endif
}

// Removes what make_too_deep_folders made, innermost first, for the same reason it made them
// one by one: a temporary folder's own clean-up cannot reach that deep.
inline void remove_too_deep_folders(const std::string& root) {
    const std::string name(200, 'd');
#ifdef _WIN32
    std::vector<std::wstring> chain{L"\\\\?\\" + std::filesystem::absolute(root).wstring()};
    for (;;) {
        const std::wstring next = chain.back() + L"\\" + std::wstring(name.begin(), name.end());
        if (GetFileAttributesW(next.c_str()) == INVALID_FILE_ATTRIBUTES) break;
        chain.push_back(next);
    }
    DeleteFileW((chain.back() + L"\\deep.txt").c_str());
    for (std::size_t i = chain.size(); i-- > 1;) RemoveDirectoryW(chain[i].c_str());
#else
    std::vector<int> chain{open(root.c_str(), O_RDONLY | O_DIRECTORY)};
    while (chain.back() >= 0) chain.push_back(openat(chain.back(), name.c_str(), O_RDONLY | O_DIRECTORY));
    chain.pop_back();
    if (!chain.empty()) unlinkat(chain.back(), "deep.txt", 0);
    for (std::size_t i = chain.size(); i-- > 1;) {
        close(chain[i]);
        unlinkat(chain[i - 1], name.c_str(), AT_REMOVEDIR);
    }
    close(chain[0]);
#endif
}

}  // namespace walk_test
