// One scan of a directory tree into two in-memory trees, timed, as a refresh does it after its
// checks. The trees are compact ones by default; "--test-tree" uses the tests' tree, which keeps
// a vector and a string per item, "--discard" trees that keep nothing, which leaves the walk,
// the matching and the output names on their own, and "--small-pages" the compact trees without
// large pages.
// Usage: walk_scan DIR PATTERNS [ROUNDS] [--discard | --test-tree | --small-pages]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "Support/fake_file_tree.h"
#include "compact_tree.h"
#include "engine/current_settings.h"
#include "engine/pattern_set.h"
#include "engine/scan.h"

namespace {

// A tree that hands out item handles and forgets everything else.
struct DiscardingTree : CompactTree {
    TreeItem next = 0;
    TreeItem insert_item(TreeItem, TreeItem, const std::string&, TreeImage) override {
        return ++next;
    }
    void set_partner(TreeItem, TreeItem) override {}
    void select(TreeItem) override {}
    void expand(TreeItem) override {}
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: walk_scan DIR PATTERNS [ROUNDS]\n");
        return 2;
    }
    const int rounds = argc > 3 ? std::atoi(argv[3]) : 1;
    const std::string kind = argc > 4 ? argv[4] : "";
    const bool discard = kind == "--discard";
    const bool test_tree = kind == "--test-tree";
    BlockStore::large_pages = kind != "--small-pages";
    CurrentSettings settings;
    settings.input_directory = argv[1];
    settings.input_patterns = argv[2];
    settings.include_subfolders = true;
    settings.output_directory = "out";
    settings.output_pattern = "${prefix}.${suffix}";
    std::vector<double> times;
    std::size_t items = 0;
    // The trees stay alive after their round: a refresh leaves its items in the tree views, and
    // taking them down is the next refresh's business, not this one's.
    std::vector<std::unique_ptr<FileTree>> trees;
    for (int round = 0; round < rounds; ++round) {
        for (int side = 0; side < 2; ++side) {
            if (discard) {
                trees.push_back(std::make_unique<DiscardingTree>());
            } else if (test_tree) {
                trees.push_back(std::make_unique<test_support::FakeFileTree>());
            } else {
                trees.push_back(std::make_unique<CompactTree>());
            }
        }
        FileTree& input = *trees[trees.size() - 2];
        FileTree& output = *trees.back();
        const auto start = std::chrono::steady_clock::now();
        const PatternSet patterns = compile_patterns(settings.input_patterns);
        scan_directory(input, output, settings, patterns);
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        times.push_back(took.count());
        if (discard) {
            items = static_cast<DiscardingTree&>(input).next;
        } else if (test_tree) {
            items = static_cast<test_support::FakeFileTree&>(input).size();
        } else {
            items = static_cast<CompactTree&>(input).size();
        }
    }
    std::sort(times.begin(), times.end());
    std::printf("walk_scan %zu items per tree, median %.4f s of %d\n", items,
                times[times.size() / 2], rounds);
    std::fflush(stdout);
    std::_Exit(0);  // the system takes the trees down faster than their destructors
}
