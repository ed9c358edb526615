// The parts of brelo's main window, held in memory for a console: the engine and the settings
// file work on them exactly as on the real controls, and the program prints what they show.
#pragma once

#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "engine/window_parts.h"

// Keeps the last text it was given. Once it is shown exactly the run header it was told to
// expect, it prints every later text's new end to the stream as the log grows; anything else
// (a cleared box, a notice) is only kept, for the caller to print where it belongs.
class ConsoleLogBox : public LogBox {
public:
    explicit ConsoleLogBox(std::ostream& out) : out_(out) {}
    void expect_run_header(const std::string& header) { expected_header_ = header; }
    void set_text(const std::string& text) override;
    void scroll_to_end() override {}
    const std::string& text() const { return text_; }
    bool streaming() const { return streaming_; }

private:
    std::ostream& out_;
    std::optional<std::string> expected_header_;
    bool streaming_ = false;
    std::string text_;
};

// The fields' texts and switches; the converter box's selection lives here too, since the
// window reads it from the one control.
class ConsoleFields : public MainFields {
public:
    std::string text(HistoryField field) const override;
    void set_text(HistoryField field, const std::string& text) override;
    bool is_checked(Switch box) const override;
    void set_checked(Switch box, bool checked) override;
    int converter_row() const override { return converter_row_; }
    void set_converter_row(int row) { converter_row_ = row; }

private:
    std::map<HistoryField, std::string> texts_;
    std::map<Switch, bool> checks_;
    int converter_row_ = -1;
};

// The rows of one history box; never saved anywhere.
class ConsoleHistoryList : public HistoryList {
public:
    ConsoleHistoryList(MainFields& fields, HistoryField field) : fields_(fields), field_(field) {}
    int count() const override { return static_cast<int>(rows_.size()); }
    std::string row(int index) const override;
    void insert_row(int index, const std::string& text) override;
    void delete_row(int index) override;
    void select_row(int index) override;

private:
    MainFields& fields_;
    HistoryField field_;
    std::vector<std::string> rows_;
};

class ConsoleConverterBox : public ConverterBox {
public:
    explicit ConsoleConverterBox(ConsoleFields& fields) : fields_(fields) {}
    int count() const override { return static_cast<int>(rows_.size()); }
    int key_at(int row) const override;
    const std::string& title_at(int row) const { return rows_.at(row).title; }
    int selected_row() const override { return fields_.converter_row(); }
    void select_row(int row) override;
    void clear() override;
    void add_row(const std::string& title, int key) override;

private:
    struct Row {
        std::string title;
        int key;
    };
    ConsoleFields& fields_;
    std::vector<Row> rows_;
};

class ConsoleRunButton : public RunButton {
public:
    void set_label(const std::string& label) override { label_ = label; }
    const std::string& label() const { return label_; }

private:
    std::string label_ = "Run";
};

// A tree view in memory, printed as indented text.
class TextTree : public FileTree {
public:
    void clear() override;
    TreeItem insert_item(TreeItem parent, TreeItem after, const std::string& text,
                         TreeImage image) override;
    void set_partner(TreeItem item, TreeItem partner) override { node(item).partner = partner; }
    TreeItem partner(TreeItem item) const override { return node(item).partner; }
    void select(TreeItem) override {}
    void expand(TreeItem) override {}
    TreeItem first_root() const override;
    TreeItem first_child(TreeItem item) const override;
    TreeItem next_sibling(TreeItem item) const override;
    std::string text(TreeItem item) const override;
    void set_text(TreeItem item, const std::string& text) override { node(item).text = text; }

    // One line per item, each ended by line_end, indented by two blanks per level below the
    // top. Empty when the tree is.
    std::string render(const std::string& line_end) const;

private:
    struct Node {
        std::string text;
        TreeItem parent = no_item;
        TreeItem partner = no_item;
        std::vector<TreeItem> children;
    };
    Node& node(TreeItem item);
    const Node& node(TreeItem item) const;
    std::vector<TreeItem>& siblings_of(TreeItem parent);
    const std::vector<TreeItem>& siblings_of(TreeItem parent) const;
    void render(TreeItem item, int depth, const std::string& line_end, std::string& out) const;

    std::vector<Node> nodes_;  // item n is nodes_[n - 1]
    std::vector<TreeItem> top_;
};

// The whole window: what the engine's run, scan and the settings file reach.
class ConsoleWindow : public MainWindow {
public:
    explicit ConsoleWindow(std::ostream& out) : log_box_(out) {}
    ConsoleFields& fields() override { return fields_; }
    HistoryList& history(HistoryField field) override;
    ConsoleConverterBox& converter_box() override { return converter_box_; }
    ConsoleLogBox& log_box() override { return log_box_; }
    ConsoleRunButton& run_button() override { return run_button_; }
    TextTree& input_tree() override { return input_tree_; }
    TextTree& output_tree() override { return output_tree_; }

private:
    ConsoleFields fields_;
    ConsoleHistoryList input_directory_{fields_, HistoryField::InputDirectory};
    ConsoleHistoryList input_patterns_{fields_, HistoryField::InputPatterns};
    ConsoleHistoryList output_directory_{fields_, HistoryField::OutputDirectory};
    ConsoleHistoryList output_pattern_{fields_, HistoryField::OutputPattern};
    ConsoleConverterBox converter_box_{fields_};
    ConsoleLogBox log_box_;
    ConsoleRunButton run_button_;
    TextTree input_tree_;
    TextTree output_tree_;
};
