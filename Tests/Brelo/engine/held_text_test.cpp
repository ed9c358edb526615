// Console text held in memory up to a bound and in a temporary file beyond it.
#include "engine/held_text.h"

#include <vector>

#include <gtest/gtest.h>

#include "Support/temp_dir.h"
#include "platform/platform.h"

namespace {

using test_support::TempDir;

std::size_t entries_in(const std::string& dir) {
    std::size_t count = 0;
    list_directory(dir, [&](const DirEntry& entry) {
        if (entry.name != "." && entry.name != "..") ++count;
        return true;
    });
    return count;
}

std::string letters(std::size_t count, char first) {
    std::string text;
    for (std::size_t i = 0; i < count; ++i) text += static_cast<char>(first + i % 26);
    return text;
}

// Text within the bound stays in memory and comes back in one piece; beyond it, it goes to a
// file and comes back whole, in order, in pieces of at most piece_size. Nothing is left behind.
TEST(HeldText, BeyondItsBoundTheTextGoesToAFileAndComesBackWhole) {
    struct Row {
        const char* label;
        std::vector<std::size_t> appends;
        bool in_file;
    };
    const std::size_t piece = HeldText::piece_size;
    const Row rows[] = {
        {"nothing", {}, false},
        {"up to the bound", {10, 0, 6}, false},
        {"one byte beyond", {16, 1}, true},
        {"many pieces", {7, piece - 3, 1, 3 * piece + 5, 2}, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        TempDir dir;
        HeldText held(16, dir.path());
        std::string expected;
        for (std::size_t count : row.appends) {
            const std::string text = letters(count, static_cast<char>('a' + expected.size() % 7));
            held.append(text.data(), text.size());
            expected += text;
        }
        EXPECT_EQ(held.size(), expected.size());
        EXPECT_EQ(held.in_file(), row.in_file);
        // Moving it keeps the text and its file.
        HeldText moved(std::move(held));
        std::string got;
        std::size_t pieces = 0;
        moved.hand_on([&](const std::string& text) {
            EXPECT_LE(text.size(), row.in_file ? piece : std::size_t(16));
            got += text;
            ++pieces;
        });
        EXPECT_EQ(got, expected);
        EXPECT_TRUE(moved.empty());
        EXPECT_FALSE(moved.in_file());
        if (!row.in_file) {
            EXPECT_LE(pieces, 1u);
        }
        EXPECT_EQ(entries_in(dir.path()), 0u);
    }
}

// The file is gone when the text is dropped without being handed on, too.
TEST(HeldText, DroppedTextLeavesNoFile) {
    TempDir dir;
    {
        HeldText held(4, dir.path());
        held.append("0123456789", 10);
        ASSERT_TRUE(held.in_file());
    }
    EXPECT_EQ(entries_in(dir.path()), 0u);
}

// Where no file can be made, the text stays in memory: nothing is lost.
TEST(HeldText, WithoutAFileTheTextStaysInMemory) {
    TempDir dir;
    HeldText held(4, dir.file("missing"));
    held.append("0123456789", 10);
    held.append("abc", 3);
    EXPECT_FALSE(held.in_file());
    std::string got;
    held.hand_on([&](const std::string& text) { got += text; });
    EXPECT_EQ(got, "0123456789abc");
}

}  // namespace
