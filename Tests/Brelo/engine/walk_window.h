// A whole main window in memory for the scan and batch-run tests, and small helpers for
// comparing log texts that end in a time stamp.
#pragma once

#include <filesystem>
#include <regex>
#include <string>

#include "Support/fake_file_tree.h"
#include "Support/fake_window.h"
#include "Support/temp_dir.h"
#include "engine/window_parts.h"

namespace walk_test {

using namespace test_support;

struct FakeMainWindow : MainWindow {
    FakeMainFields main_fields;
    FakeHistoryList input_directories{main_fields, HistoryField::InputDirectory};
    FakeHistoryList input_patterns{main_fields, HistoryField::InputPatterns};
    FakeHistoryList output_directories{main_fields, HistoryField::OutputDirectory};
    FakeHistoryList output_patterns{main_fields, HistoryField::OutputPattern};
    FakeConverterBox converters{main_fields};
    FakeLogBox log;
    FakeRunButton button;
    FakeFileTree in_tree;
    FakeFileTree out_tree;

    FakeMainWindow(const std::string& input_directory, const std::string& patterns,
                   const std::string& output_directory,
                   const std::string& output_pattern = "${prefix}.${suffix}",
                   bool subfolders = true) {
        main_fields.set_text(HistoryField::InputDirectory, input_directory);
        main_fields.set_text(HistoryField::InputPatterns, patterns);
        main_fields.set_text(HistoryField::OutputDirectory, output_directory);
        main_fields.set_text(HistoryField::OutputPattern, output_pattern);
        main_fields.set_checked(Switch::IncludeSubfolders, subfolders);
    }

    MainFields& fields() override { return main_fields; }
    HistoryList& history(HistoryField field) override {
        switch (field) {
        case HistoryField::InputDirectory: return input_directories;
        case HistoryField::InputPatterns: return input_patterns;
        case HistoryField::OutputDirectory: return output_directories;
        case HistoryField::OutputPattern: break;
        }
        return output_patterns;
    }
    ConverterBox& converter_box() override { return converters; }
    LogBox& log_box() override { return log; }
    RunButton& run_button() override { return button; }
    FileTree& input_tree() override { return in_tree; }
    FileTree& output_tree() override { return out_tree; }
};

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
