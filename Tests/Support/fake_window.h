// In-memory stand-ins for the main window's parts, for tests that need no window.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "Support/fake_file_tree.h"
#include "engine/window_parts.h"

namespace test_support {

struct FakeLogBox : LogBox {
    std::string text;
    int updates = 0;
    int scrolls = 0;
    void set_text(const std::string& t) override {
        text = t;  // a copy every time, as an edit control makes
        ++updates;
    }
    void scroll_to_end() override { ++scrolls; }
};

struct FakeMainFields : MainFields {
    std::map<HistoryField, std::string> texts;
    std::map<Switch, bool> checks;
    int selected_converter = -1;
    std::string text(HistoryField field) const override {
        auto it = texts.find(field);
        return it == texts.end() ? std::string() : it->second.substr(0, 259);
    }
    void set_text(HistoryField field, const std::string& t) override { texts[field] = t; }
    bool is_checked(Switch box) const override {
        auto it = checks.find(box);
        return it != checks.end() && it->second;
    }
    void set_checked(Switch box, bool checked) override { checks[box] = checked; }
    int converter_row() const override { return selected_converter; }
};

// Selecting a row copies its text into the owning field, as a combo box does.
struct FakeHistoryList : HistoryList {
    FakeHistoryList(FakeMainFields& owner, HistoryField field) : owner(owner), field(field) {}
    FakeMainFields& owner;
    HistoryField field;
    std::vector<std::string> rows;
    int count() const override { return static_cast<int>(rows.size()); }
    std::string row(int index) const override { return rows.at(index).substr(0, 259); }
    void insert_row(int index, const std::string& text) override {
        rows.insert(rows.begin() + index, text);
    }
    void delete_row(int index) override { rows.erase(rows.begin() + index); }
    void select_row(int index) override { owner.set_text(field, rows.at(index)); }
};

// Shares its selection with the FakeMainFields, as the real converter box is one control.
struct FakeConverterBox : ConverterBox {
    explicit FakeConverterBox(FakeMainFields& fields) : fields(fields) {}
    FakeMainFields& fields;
    std::vector<std::pair<std::string, int>> rows;  // title, key
    int count() const override { return static_cast<int>(rows.size()); }
    int key_at(int row) const override { return rows.at(row).second; }
    int selected_row() const override { return fields.selected_converter; }
    void select_row(int row) override {
        fields.selected_converter = (row >= 0 && row < count()) ? row : -1;
    }
    void clear() override {
        rows.clear();
        fields.selected_converter = -1;
    }
    void add_row(const std::string& title, int key) override { rows.emplace_back(title, key); }
};

struct FakeRunButton : RunButton {
    std::string label = "Run";
    void set_label(const std::string& l) override { label = l; }
};

// A whole main window of the parts above, optionally with its fields filled.
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

    FakeMainWindow() = default;
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

}  // namespace test_support
