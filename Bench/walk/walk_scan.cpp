// One scan of a directory tree into the two in-memory trees, timed, as a refresh does it after
// its checks. With "--discard" the trees keep nothing, which leaves the walk, the matching and
// the output names on their own. Usage: walk_scan DIR PATTERNS [ROUNDS] [--discard]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "Support/fake_file_tree.h"
#include "engine/current_settings.h"
#include "engine/pattern_set.h"
#include "engine/scan.h"

namespace {

// A tree that hands out item handles and forgets everything else.
struct DiscardingTree : test_support::FakeFileTree {
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
    const bool discard = argc > 4 && std::string(argv[4]) == "--discard";
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
    std::vector<std::unique_ptr<test_support::FakeFileTree>> trees;
    for (int round = 0; round < rounds; ++round) {
        for (int side = 0; side < 2; ++side) {
            trees.push_back(discard ? std::make_unique<DiscardingTree>()
                                    : std::make_unique<test_support::FakeFileTree>());
        }
        test_support::FakeFileTree& input = *trees[trees.size() - 2];
        test_support::FakeFileTree& output = *trees.back();
        const auto start = std::chrono::steady_clock::now();
        const PatternSet patterns = compile_patterns(settings.input_patterns);
        scan_directory(input, output, settings, patterns);
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        times.push_back(took.count());
        items = discard ? static_cast<DiscardingTree&>(input).next : input.size();
    }
    std::sort(times.begin(), times.end());
    std::printf("walk_scan %zu items per tree, median %.4f s of %d\n", items,
                times[times.size() / 2], rounds);
    std::fflush(stdout);
    std::_Exit(0);  // the system takes the trees down faster than their destructors
}
