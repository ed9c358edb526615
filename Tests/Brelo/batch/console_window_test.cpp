#include "batch/console_window.h"

#include <sstream>

#include <gtest/gtest.h>

#include "engine/scan.h"

namespace {

TEST(ConsoleLogBox, PrintsTheRunLogAsItGrows) {
    std::ostringstream out;
    ConsoleLogBox box(out);
    box.expect_run_header("[Converter - T]:\r\n\r\n");
    box.set_text("");
    box.set_text("");
    EXPECT_EQ(out.str(), "");
    box.set_text("[Converter - T]:\r\n\r\n");
    EXPECT_EQ(out.str(), "[Converter - T]:\r\n\r\n");
    box.set_text("[Converter - T]:\r\n\r\na -> b\r\n\tConsole:ok\r\n");
    box.set_text("[Converter - T]:\r\n\r\na -> b\r\n\tConsole:ok\r\n");  // shown again
    box.set_text("[Converter - T]:\r\n\r\na -> b\r\n\tConsole:ok\r\n\r\nTotal 1");
    EXPECT_EQ(out.str(), "[Converter - T]:\r\n\r\na -> b\r\n\tConsole:ok\r\n\r\nTotal 1");
    EXPECT_TRUE(box.streaming());
}

TEST(ConsoleLogBox, KeepsNoticesForTheCaller) {
    struct Row {
        const char* label;
        std::string notice;
    };
    // The last one begins like the header: a title equal to the notice's key word.
    const Row rows[] = {
        {"input notice", "[Input - Input Directory]:\r\n\r\n\t\"x\" is not a valid directory."},
        {"header-like notice", "[Converter - Run]:\r\n\r\n\tbad pattern\r\n\r\n2026/01/01"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        std::ostringstream out;
        ConsoleLogBox box(out);
        box.expect_run_header("[Converter - Run]:\r\n\r\n");
        box.set_text("");
        box.set_text(row.notice);
        EXPECT_EQ(out.str(), "");
        EXPECT_EQ(box.text(), row.notice);
        EXPECT_FALSE(box.streaming());
    }
}

TEST(ConsoleLogBox, WithoutAnExpectedHeaderNothingIsPrinted) {
    std::ostringstream out;
    ConsoleLogBox box(out);
    box.set_text("[Converter - T]:\r\n\r\n");
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(box.text(), "[Converter - T]:\r\n\r\n");
}

TEST(ConsoleWindow, SelectingAHistoryRowSetsTheField) {
    std::ostringstream out;
    ConsoleWindow window(out);
    HistoryList& list = window.history(HistoryField::OutputPattern);
    list.insert_row(0, "second");
    list.insert_row(0, "first");
    list.select_row(1);
    EXPECT_EQ(window.fields().text(HistoryField::OutputPattern), "second");
    EXPECT_EQ(window.fields().text(HistoryField::InputPatterns), "");
    EXPECT_EQ(&window.history(HistoryField::InputDirectory),
              &window.history(HistoryField::InputDirectory));
    EXPECT_NE(&window.history(HistoryField::InputDirectory),
              &window.history(HistoryField::OutputDirectory));
}

TEST(ConsoleWindow, FieldsHoldAtMost259Characters) {
    std::ostringstream out;
    ConsoleWindow window(out);
    window.fields().set_text(HistoryField::InputDirectory, std::string(300, 'a'));
    EXPECT_EQ(window.fields().text(HistoryField::InputDirectory), std::string(259, 'a'));
}

TEST(ConsoleWindow, ConverterBoxSelectionIsTheFieldsConverterRow) {
    std::ostringstream out;
    ConsoleWindow window(out);
    ConsoleConverterBox& box = window.converter_box();
    box.add_row("A", 7);
    box.add_row("B", 3);
    box.select_row(1);
    EXPECT_EQ(window.fields().converter_row(), 1);
    EXPECT_EQ(box.key_at(1), 3);
    box.select_row(2);  // no such row
    EXPECT_EQ(window.fields().converter_row(), -1);
    box.select_row(0);
    box.clear();
    EXPECT_EQ(window.fields().converter_row(), -1);
    EXPECT_EQ(box.count(), 0);
}

// Folders go in after tree_first or after their predecessor, files at tree_last; enough items
// to make the node store grow several times on the way.
TEST(TextTree, KeepsTheInsertOrderOfTheScan) {
    TextTree tree;
    const TreeItem root = insert_folder_item(tree, no_item, tree_first, "root");
    TreeItem last_file = tree_last;
    for (int i = 0; i < 20; ++i) {
        last_file = tree.insert_item(root, last_file, "f" + std::to_string(i), TreeImage::File);
    }
    const TreeItem b = insert_folder_item(tree, root, tree_first, "b");
    const TreeItem c = insert_folder_item(tree, root, b, "c");
    tree.insert_item(c, tree_last, "c.txt", TreeImage::File);
    std::string expected = "root\n  b\n  c\n    c.txt\n";
    for (int i = 0; i < 20; ++i) expected += "  f" + std::to_string(i) + "\n";
    EXPECT_EQ(tree.render("\n"), expected);
    EXPECT_EQ(tree.first_root(), root);
    EXPECT_EQ(tree.first_child(root), b);
    EXPECT_EQ(tree.next_sibling(b), c);
    EXPECT_EQ(tree.next_sibling(root), no_item);
    tree.set_text(b, "B");
    EXPECT_EQ(tree.text(b), "B");
    tree.clear();
    EXPECT_EQ(tree.first_root(), no_item);
    EXPECT_EQ(tree.render("\n"), "");
}

}  // namespace
