// The scan that fills the input tree and the output preview, over real directories.
#include "engine/scan.h"

#include <filesystem>
#include <vector>

#include <gtest/gtest.h>

#include "engine/run_settings.h"
#include "engine/pattern_set.h"
#include "engine/walk.h"
#include "platform/platform.h"
#include "walk_support.h"

using namespace walk_test;

namespace {

// One side of the trees as indented text, folders marked with "/", as the tree views show it.
void render(const FileTrees& trees, const PreviewFolder& folder, TreeSide side, int depth,
            std::string& out) {
    const std::string indent(2 * static_cast<std::size_t>(depth), ' ');
    for (const PreviewFolder& sub : trees.sub_folders(folder)) {
        out += indent + std::string(sub.name) + "/\n";
        render(trees, sub, side, depth + 1, out);
    }
    for (const PreviewFile& file : trees.files_of(folder)) {
        out += indent + std::string(side == TreeSide::Input ? file.name : file.output_name) + "\n";
    }
}

// What the window shows after a refresh: both trees as text and the log box.
struct Shown {
    std::optional<FileTrees> trees;
    std::string in_tree;
    std::string out_tree;
    std::string log;

    void show(const InputRefresh& refresh) {
        trees = refresh.trees;
        log = refresh.log_text;
        show_trees();
    }
    void show_trees() {
        in_tree.clear();
        out_tree.clear();
        if (!trees) return;
        in_tree = trees->input_root + "/\n";
        out_tree = trees->output_root + "/\n";
        render(*trees, trees->top(), TreeSide::Input, 1, in_tree);
        render(*trees, trees->top(), TreeSide::Output, 1, out_tree);
    }
};

Shown refreshed(const RunSettings& settings) {
    Shown shown;
    shown.show(refresh_input_tree(settings));
    return shown;
}

// One side as the trees show it, found by a plain recursion over the disk: under each folder its
// sub-folders that lead to a *.txt, each followed by what it holds, then its *.txt files, both
// in the order the disk lists them; output names end in ".md5". False when nothing matched.
bool disk_lines(const std::string& dir, TreeSide side, int depth, std::string& out) {
    std::vector<std::string> folders;
    std::vector<std::string> files;
    list_directory(dir, [&](const DirEntry& entry) {
        if (entry.name == "." || entry.name == "..") return true;
        if (entry.is_directory) {
            folders.push_back(entry.name);
        } else if (entry.name.size() > 4 && entry.name.substr(entry.name.size() - 4) == ".txt") {
            files.push_back(entry.name);
        }
        return true;
    });
    const std::string indent(2 * static_cast<std::size_t>(depth), ' ');
    std::string held;
    for (const std::string& folder : folders) {
        std::string below;
        if (disk_lines(join_path(dir, folder), side, depth + 1, below))
            held += indent + folder + "\n" + below;
    }
    for (std::string file : files) {
        if (side == TreeSide::Output) file.replace(file.size() - 3, 3, "md5");
        held += indent + file + "\n";
    }
    out += held;
    return !held.empty();
}

class ScanTest : public ::testing::Test {
protected:
    TempDir in;
    TempDir out;

    RunSettings window(const std::string& patterns, const std::string& output_pattern,
                           bool subfolders = true) {
        return settings_for(in.path(), patterns, out.path(), output_pattern, subfolders);
    }
    std::string root(const std::string& path) const { return path + "/\n"; }
};

TEST_F(ScanTest, NoMatchLeavesTheTwoRootsAndClearsTheLog) {
    make_file(in, "a.dat");
    make_file(in, "sub/b.dat");
    const RunSettings settings = window("*.txt", "${prefix}.${suffix}");
    Shown w;
    w.log = "previous";
    w.show(refresh_input_tree(settings));
    EXPECT_EQ(w.in_tree, root(in.path()));
    EXPECT_EQ(w.out_tree, root(out.path()));
    EXPECT_EQ(w.log, "");
}

TEST_F(ScanTest, OnlyFoldersLeadingToAMatchAppearNestedInBothTrees) {
    make_file(in, "a/b/c.txt");
    make_file(in, "a/x.dat");
    make_folder(in, "empty");
    make_file(in, "d/e.dat");
    make_file(in, "f.dat");
    const RunSettings settings = window("*.TXT", "${prefix}.out");
    Shown w = refreshed(settings);
    EXPECT_EQ(w.in_tree, root(in.path()) + "  a/\n    b/\n      c.txt\n");
    EXPECT_EQ(w.out_tree, root(out.path()) + "  a/\n    b/\n      c.out\n");
}

TEST_F(ScanTest, SubfoldersOffListsTheTopLevelFilesOnly) {
    make_file(in, "x.txt");
    make_file(in, "sub/y.txt");
    const RunSettings settings = window("*.txt", "${prefix}.${suffix}", false);
    Shown w = refreshed(settings);
    EXPECT_EQ(w.in_tree, root(in.path()) + "  x.txt\n");
    EXPECT_EQ(w.out_tree, root(out.path()) + "  x.txt\n");
}

// The disk decides the order of entries; the tree must not depend on it. Each row spells the same
// shape with other names, so that the entries come out in other orders.
TEST_F(ScanTest, ShapeDoesNotDependOnEnumerationOrder) {
    const struct {
        const char* folder;       // holds the two sub-folders and one matching file
        const char* empty_sub;    // holds a file that does not match
        const char* matched_sub;  // holds one matching file
    } rows[] = {
        {"p", "a", "b"}, {"p", "b", "a"}, {"q", "zz", "0"}, {"q", "0", "zz"},
        {"r", "m1", "m2"}, {"r", "m2", "m1"}, {"s", "x.y", "y.x"}, {"s", "y.x", "x.y"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.folder) + " " + row.empty_sub + " " + row.matched_sub);
        TempDir input;
        const std::string folder = row.folder;
        make_file(input, folder + "/" + row.empty_sub + "/n.dat");
        make_file(input, folder + "/" + row.matched_sub + "/m.txt");
        make_file(input, folder + "/f.txt");
        make_file(input, folder + "/g.dat");
        make_file(input, "late/" + std::string(row.empty_sub) + "/n.dat");
        make_file(input, "late/h.txt");
        const RunSettings settings = settings_for(input.path(), "*.txt", out.path(), "${prefix}.${suffix}");
        Shown w = refreshed(settings);
        const std::string expected = root(input.path()) + "  " + folder + "/\n    " +
                                     row.matched_sub + "/\n      m.txt\n    f.txt\n  late/\n" +
                                     "    h.txt\n";
        const std::string other_order = root(input.path()) + "  late/\n    h.txt\n  " + folder +
                                        "/\n    " + row.matched_sub + "/\n      m.txt\n" +
                                        "    f.txt\n";
        const std::string tree = w.in_tree;
        EXPECT_TRUE(tree == expected || tree == other_order) << tree;
        }
}

TEST_F(ScanTest, SubfoldersLeadFilesInEnumerationOrder) {
    for (const char* name : {"1.txt", "2.txt", "3.txt", "4.txt", "5.txt", "6.txt", "b.dat"}) {
        make_file(in, name);
    }
    make_file(in, "k/x.txt");
    make_file(in, "z/y.txt");
    std::vector<std::string> folders;
    std::string files;
    list_directory(in.path(), [&](const DirEntry& entry) {
        if (entry.is_directory && entry.name != "." && entry.name != "..") {
            folders.push_back(entry.name);
        } else if (!entry.is_directory && entry.name != "b.dat") {
            files += "  " + entry.name + "\n";
        }
        return true;
    });
    ASSERT_EQ(folders.size(), 2u);
    std::string expected = root(in.path());
    for (const auto& folder : folders) {
        expected += "  " + folder + "/\n    " + (folder == "k" ? "x.txt" : "y.txt") + "\n";
    }
    expected += files;
    const RunSettings settings = window("*.txt", "${prefix}.${suffix}");
    Shown w = refreshed(settings);
    EXPECT_EQ(w.in_tree, expected);
}

TEST_F(ScanTest, FolderNamesAreNeverDerived) {
    make_file(in, "x.y/a.txt");
    make_file(in, ".hidden.txt");
    const RunSettings settings = window("*.txt", "${suffix}");
    Shown w = refreshed(settings);
    EXPECT_EQ(w.in_tree, root(in.path()) + "  x.y/\n    a.txt\n  .hidden.txt\n");
    EXPECT_EQ(w.out_tree, root(out.path()) + "  x.y/\n    txt\n  txt\n");
}

TEST_F(ScanTest, OutputRefreshRenamesFilesAndRootOnly) {
    make_file(in, "x.y/a.txt");
    make_file(in, "b.txt");
    RunSettings settings = window("*.txt", "${prefix}.${suffix}");
    Shown w = refreshed(settings);
    const std::string input_before = w.in_tree;
    TempDir elsewhere;
    settings.output_directory = elsewhere.path();
    settings.output_pattern = "${prefix}-new.${suffix}";
    settings.input_patterns = "nothing";
    w.log = refresh_output_tree(&*w.trees, settings);
    w.show_trees();
    EXPECT_EQ(w.in_tree, input_before);
    EXPECT_EQ(w.out_tree, root(elsewhere.path()) + "  x.y/\n    a-new.txt\n  b-new.txt\n");
    EXPECT_EQ(w.log, "");
}

TEST_F(ScanTest, OutputRefreshOfEmptyTreesOnlyChecks) {
    RunSettings settings = window("*.txt", "${prefix}.");
    EXPECT_EQ(without_time_stamp(refresh_output_tree(nullptr, settings)),
              notice_text("Output", "File Patterns", "File Pattern can't ends with ."));
    settings.output_pattern = "${prefix}";
    EXPECT_EQ(refresh_output_tree(nullptr, settings), "");
}

TEST_F(ScanTest, FailedInputCheckEmptiesBothTrees) {
    make_file(in, "a.txt");
    RunSettings settings = window("*.txt", "${prefix}.${suffix}");
    Shown w = refreshed(settings);
    ASSERT_NE(w.in_tree.size(), 0u);
    settings.input_directory = in.file("missing");
    w.show(refresh_input_tree(settings));
    EXPECT_EQ(w.in_tree, "");
    EXPECT_EQ(w.out_tree, "");
    EXPECT_EQ(without_time_stamp(w.log),
              notice_text("Input", "Input Directory",
                          "\"" + in.file("missing") + "\" is not a valid directory."));
}

TEST_F(ScanTest, FailedOutputCheckKeepsItsNoticeAndTheTrees) {
    make_file(in, "a.txt");
    const RunSettings settings = window("*.txt", "${prefix}.");
    Shown w = refreshed(settings);
    EXPECT_EQ(w.in_tree, root(in.path()) + "  a.txt\n");
    EXPECT_EQ(w.out_tree, root(out.path()) + "  a.\n");
    EXPECT_EQ(without_time_stamp(w.log),
              notice_text("Output", "File Patterns", "File Pattern can't ends with ."));
}

// A notice for unknown placeholders comes where the check's would, after a check that passed,
// and the trees show the names with the text as typed.
TEST_F(ScanTest, UnknownPlaceholderGetsANoticeOnBothSides) {
    make_file(in, "a.txt");
    const std::string notice = notice_text(
        "Output", "File Patterns",
        "Unknown placeholder ${prefx} stays in the names as typed; the placeholders are "
        "${prefix} and ${suffix}.");
    RunSettings settings = window("*.txt", "${prefx}.${suffix}");
    Shown w = refreshed(settings);
    EXPECT_EQ(w.out_tree, root(out.path()) + "  ${prefx}.txt\n");
    EXPECT_EQ(without_time_stamp(w.log), notice);

    settings.output_pattern = "${prefix}.md5";
    w.log = refresh_output_tree(&*w.trees, settings);
    EXPECT_EQ(w.log, "");
    settings.output_pattern = "${prefx}.md5";
    w.log = refresh_output_tree(&*w.trees, settings);
    w.show_trees();
    EXPECT_EQ(w.out_tree, root(out.path()) + "  ${prefx}.md5\n");
    EXPECT_EQ(without_time_stamp(w.log), notice);
    // A failed check keeps its own notice.
    settings.output_pattern = "${prefx}.";
    EXPECT_EQ(without_time_stamp(refresh_output_tree(&*w.trees, settings)),
              notice_text("Output", "File Patterns", "File Pattern can't ends with ."));
}

TEST_F(ScanTest, OutputDirectoryInsideTheInputIsLeftOut) {
    make_file(in, "a.txt");
    make_file(in, "out/old.txt");
    make_file(in, "other/c.txt");
    const std::string spellings[] = {
        join_path(in.path(), "out"),
        join_path(join_path(in.path(), "other"), join_path("..", "out")),
        join_path(in.path(), join_path(".", "out")) + path_separator,
    };
    for (const auto& output : spellings) {
        SCOPED_TRACE(output);
        const RunSettings settings = settings_for(in.path(), "*.txt", output, "${prefix}.${suffix}");
        Shown w = refreshed(settings);
        const std::string tree = w.in_tree;
        EXPECT_EQ(tree.find("out/"), std::string::npos) << tree;
        EXPECT_NE(tree.find("other/\n    c.txt\n"), std::string::npos) << tree;
        EXPECT_NE(tree.find("  a.txt\n"), std::string::npos) << tree;
    }
}

// Patterns with many stars once made the matcher give up on long names; now every name gets its
// answer.
TEST_F(ScanTest, ManyStarsStillMatchLongNames) {
    const std::string long_name(60, 'a');
    make_file(in, long_name);
    make_file(in, long_name + "b");
    const std::string patterns = "*a*a*a*a*a*a*a*a*a*b";
    Shown w = refreshed(window(patterns, "${prefix}.${suffix}"));
    EXPECT_EQ(w.in_tree, root(in.path()) + "  " + long_name + "b\n");
    EXPECT_EQ(w.log, "");
}

TEST_F(ScanTest, FolderThatCannotBeListedBecomesANotice) {
    make_file(in, "a.txt");
    ASSERT_GT(make_too_deep_folders(in.path()), 0);
    const Shown w = refreshed(window("*.txt", "${prefix}.${suffix}"));
    remove_too_deep_folders(in.path());
    EXPECT_EQ(w.in_tree, root(in.path()) + "  a.txt\n");
    const std::string log = without_time_stamp(w.log);
    const std::string head =
        notice_text("Input", "Input Directory", "A folder could not be read: \"" + in.path());
    EXPECT_EQ(log.substr(0, head.size() - 4), head.substr(0, head.size() - 4)) << log;
}

// A tree of many names in deep folders shows what the disk holds; a copy keeps its own names
// when the original goes, and a renaming gives every file its output name anew.
TEST_F(ScanTest, BigDeepTreeShowsWhatTheDiskHolds) {
    make_big_tree(in);
    std::string in_lines = in.path() + "\n";
    std::string out_lines = out.path() + "\n";
    disk_lines(in.path(), TreeSide::Input, 1, in_lines);
    disk_lines(in.path(), TreeSide::Output, 1, out_lines);
    ASSERT_GT(in_lines.size(), 80000u);  // more than a block of names

    InputRefresh refresh = refresh_input_tree(window("*.txt", "${prefix}.md5"));
    ASSERT_TRUE(refresh.trees);
    EXPECT_EQ(render_tree(*refresh.trees, TreeSide::Input, "\n"), in_lines);
    EXPECT_EQ(render_tree(*refresh.trees, TreeSide::Output, "\n"), out_lines);
    EXPECT_EQ(refresh.trees->files.size(), 40u * 25u + 1u);

    FileTrees copy = *refresh.trees;
    EXPECT_TRUE(copy == *refresh.trees);
    refresh_output_tree(&*refresh.trees, window("*.txt", "${prefix}.${suffix}"));
    refresh.trees.reset();
    EXPECT_EQ(render_tree(copy, TreeSide::Input, "\n"), in_lines);
    EXPECT_EQ(render_tree(copy, TreeSide::Output, "\n"), out_lines);

    refresh_output_tree(&copy, window("*.txt", "${prefix}.${suffix}"));
    EXPECT_EQ(render_tree(copy, TreeSide::Output, "\n"),
              out.path() + in_lines.substr(in.path().size()));
    // One name for every file: shared in each of the 40 folders of 25 matches, not by the
    // lone match at the end of the chain.
    refresh_output_tree(&copy, window("*.txt", "same"));
    EXPECT_EQ(shared_output_names(copy), 40u);
}

// Output names that more than one input of the preview has are counted per folder, and the
// notice follows the output names: the input side's refresh, the output side's, and the renaming
// of a refresh whose output fields changed while it ran.
TEST_F(ScanTest, SharedOutputNamesAreNoticed) {
    for (const char* name : {"a.txt", "a.csv", "b.txt", "sub/b.csv", "sub/c.txt", "sub/c.csv"})
        make_file(in, name);
    const std::string two = "2 output names are shared by more than one input.";
    InputRefresh refresh = refresh_input_tree(window("*", "${prefix}.md5"));
    EXPECT_EQ(without_time_stamp(refresh.log_text), notice_text("Output", "File Patterns", two));
    EXPECT_EQ(refresh.scan_notice, "");
    ASSERT_TRUE(refresh.trees);
    EXPECT_EQ(shared_output_names(*refresh.trees), 2u);

    FileTrees trees = *refresh.trees;
    EXPECT_EQ(refresh_output_tree(&trees, window("*", "${prefix}.${suffix}")), "");
    EXPECT_EQ(without_time_stamp(refresh_output_tree(&trees, window("*", "same"))),
              notice_text("Output", "File Patterns", two));
    rename_refreshed_trees(refresh, window("*", "${prefix}.${suffix}"));
    EXPECT_EQ(refresh.log_text, "");
    EXPECT_EQ(shared_output_names(*refresh.trees), 0u);

    // After another notice, the word on shared names follows it.
    const std::string both = refresh_input_tree(window("*", "${prefix}.")).log_text;
    const std::size_t check = both.find("File Pattern can't ends with .");
    EXPECT_NE(check, std::string::npos) << both;
    EXPECT_NE(both.find(two, check), std::string::npos) << both;

    EXPECT_EQ(without_time_stamp(shared_output_notice(1)),
              notice_text("Output", "File Patterns",
                          "1 output name is shared by more than one input."));
}

// Names differing in case only are one name where the file system ignores case.
TEST_F(ScanTest, SharedOutputNamesFollowTheFileSystemsCase) {
    make_file(in, "A.txt");
    make_file(in, "a.csv");
    write_file(in.file("\xC3\x84.txt"), "x");  // capital A with diaeresis, in UTF-8
    write_file(in.file("\xC3\xA4.csv"), "x");  // small a with diaeresis
    const InputRefresh refresh = refresh_input_tree(window("*", "${prefix}.md5"));
    ASSERT_TRUE(refresh.trees);
#ifdef _WIN32
    EXPECT_EQ(shared_output_names(*refresh.trees), 2u);
#else
    EXPECT_EQ(shared_output_names(*refresh.trees), 0u);
    EXPECT_EQ(refresh.log_text, "");
#endif
}

TEST(SameDirectoryPath, ComparesPathsByTheirParts) {
    const std::string s(1, path_separator);
    const struct {
        std::string a;
        std::string b;
        bool same;
    } rows[] = {
        {s + "x" + s + "y", s + "x" + s + "y", true},
        {s + "x" + s + "y", s + "x" + s + s + "y" + s, true},
        {s + "x" + s + "y", s + "x" + s + "." + s + "y", true},
        {s + "x" + s + "y", s + "x" + s + "z" + s + ".." + s + "y", true},
        {s + "x" + s + "y", s + "x" + s + "yy", false},
        {s + "x" + s + "y", "x" + s + "y", false},
        {s + "x", s + "x" + s + "y", false},
#ifdef _WIN32
        {"C:\\In\\Out", "c:/in/OUT", true},
#else
        {"/in/out", "/in/OUT", false},
#endif
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.a + " | " + row.b);
        EXPECT_EQ(same_directory_path(row.a, row.b), row.same);
    }
}

}  // namespace
