// The benchmark's compact tree must hold what the tests' tree holds, or its figures mean nothing:
// the same random inserts, texts and partners go into both, and both must read back alike,
// across item and text blocks.
#include "compact_tree.h"

#include <gtest/gtest.h>

#include <random>

#include "Support/fake_file_tree.h"

namespace {

// The whole tree as seen through the interface, a line per item: depth, text and partner.
void dump(const FileTree& tree, TreeItem first, std::vector<std::string>& lines, int depth = 0) {
    for (TreeItem item = first; item != no_item; item = tree.next_sibling(item)) {
        lines.push_back(std::to_string(depth) + " " + tree.text(item) + " ~" +
                        std::to_string(tree.partner(item)));
        dump(tree, tree.first_child(item), lines, depth + 1);
    }
}

// The first line where the two trees differ, or an empty text.
std::string first_difference(const FileTree& a, const FileTree& b) {
    std::vector<std::string> a_lines, b_lines;
    dump(a, a.first_root(), a_lines);
    dump(b, b.first_root(), b_lines);
    for (std::size_t i = 0; i < a_lines.size() || i < b_lines.size(); ++i) {
        const std::string x = i < a_lines.size() ? a_lines[i] : "(none)";
        const std::string y = i < b_lines.size() ? b_lines[i] : "(none)";
        if (x != y) return "line " + std::to_string(i) + ": " + x + " | " + y;
    }
    return std::string();
}

TEST(CompactTree, ReadsBackWhatTheTestsTreeReadsBack) {
    for (bool large_pages : {true, false}) {
        BlockStore::large_pages = large_pages;
        CompactTree compact;
        test_support::FakeFileTree fake;
        std::mt19937 random(7);
        const auto any_up_to = [&](std::size_t last) {
            return std::uniform_int_distribution<std::size_t>(0, last)(random);
        };
        std::vector<TreeItem> items;                     // handles agree between the trees
        std::vector<std::vector<TreeItem>> children{1};  // [0]: the top level
        for (int i = 0; i < 100000; ++i) {
            const std::size_t parent = items.size() < 3 ? 0 : any_up_to(items.size());
            const auto& siblings = children[parent];
            TreeItem after = tree_last;
            const int how = std::uniform_int_distribution<int>(0, 3)(random);
            if (how == 0) {
                after = tree_first;
            } else if (how == 1 && !siblings.empty()) {
                after = siblings[any_up_to(siblings.size() - 1)];
            }
            // Mostly names, now and then a text longer than a tree view keeps.
            const std::size_t length = i % 97 == 0 ? 300 : 1 + i % 40;
            const std::string text(length, static_cast<char>('a' + i % 26));
            const TreeItem parent_item = parent == 0 ? no_item : items[parent - 1];
            const TreeItem made = compact.insert_item(parent_item, after, text, TreeImage::File);
            ASSERT_EQ(made, fake.insert_item(parent_item, after, text, TreeImage::File));
            items.push_back(made);
            children.emplace_back();
            children[parent].push_back(made);
            if (i % 5 == 0) {
                const TreeItem other = items[any_up_to(items.size() - 1)];
                compact.set_partner(made, other);
                fake.set_partner(made, other);
            }
            if (i % 11 == 0) {
                const std::string renamed = "renamed" + std::to_string(i);
                compact.set_text(items[i / 2], renamed);
                fake.set_text(items[i / 2], renamed);
            }
        }
        EXPECT_EQ(compact.size(), items.size());
        EXPECT_EQ(first_difference(compact, fake), "") << "large pages " << large_pages;
    }
    BlockStore::large_pages = true;
}

}  // namespace
