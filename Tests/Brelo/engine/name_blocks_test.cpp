// Names kept in a few large blocks.
#include "engine/name_blocks.h"

#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

// Thousands of names fill many blocks and one is longer than a block; every view still reads
// its name after the others were kept and after the blocks moved, and clear() starts anew.
TEST(NameBlocks, ViewsKeepTheirNamesAcrossBlocksAndMoves) {
    std::vector<std::string> names;
    for (int i = 0; i < 20000; ++i)
        names.push_back(std::string(i % 37, static_cast<char>('a' + i % 26)) + std::to_string(i));
    names.insert(names.begin() + 5000, std::string(200 * 1024, 'x'));
    names.insert(names.begin() + 7, std::string());
    NameBlocks blocks;
    std::vector<std::string_view> views;
    for (const std::string& name : names) views.push_back(blocks.keep(name));
    NameBlocks moved = std::move(blocks);
    ASSERT_EQ(views.size(), names.size());
    for (std::size_t i = 0; i < names.size(); ++i) {
        ASSERT_EQ(views[i], names[i]) << i;
        if (!names[i].empty()) {
            EXPECT_NE(views[i].data(), names[i].data());
        }
    }
    moved.clear();
    EXPECT_EQ(moved.keep("again"), "again");
}
