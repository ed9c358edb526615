// The scan that fills the input tree and the output preview, over real directories.
#include "engine/scan.h"

#include <vector>

#include <gtest/gtest.h>

#include "engine/current_settings.h"
#include "engine/pattern_set.h"
#include "platform/platform.h"
#include "walk_window.h"

using namespace walk_test;

namespace {

class ScanTest : public ::testing::Test {
protected:
    TempDir in;
    TempDir out;

    FakeMainWindow window(const std::string& patterns, const std::string& output_pattern,
                          bool subfolders = true) {
        return FakeMainWindow(in.path(), patterns, out.path(), output_pattern, subfolders);
    }
    std::string root(const std::string& path) const {
        return path + "/ [selected] [expanded]\n";
    }
};

TEST_F(ScanTest, NoMatchLeavesTheTwoRootsSelectedAndExpanded) {
    make_file(in, "a.dat");
    make_file(in, "sub/b.dat");
    FakeMainWindow w = window("*.txt", "${prefix}.${suffix}");
    w.log.text = "previous";
    refresh_input_tree(w);
    EXPECT_EQ(w.in_tree.render(), root(in.path()));
    EXPECT_EQ(w.out_tree.render(), root(out.path()));
    EXPECT_TRUE(trees_linked(w.in_tree, w.out_tree));
    EXPECT_EQ(w.log.text, "");
}

TEST_F(ScanTest, OnlyFoldersLeadingToAMatchAppearNestedInBothTrees) {
    make_file(in, "a/b/c.txt");
    make_file(in, "a/x.dat");
    make_folder(in, "empty");
    make_file(in, "d/e.dat");
    make_file(in, "f.dat");
    FakeMainWindow w = window("*.TXT", "${prefix}.out");
    refresh_input_tree(w);
    EXPECT_EQ(w.in_tree.render(), root(in.path()) + "  a/\n    b/\n      c.txt\n");
    EXPECT_EQ(w.out_tree.render(), root(out.path()) + "  a/\n    b/\n      c.out\n");
    EXPECT_TRUE(trees_linked(w.in_tree, w.out_tree));
}

TEST_F(ScanTest, SubfoldersOffListsTheTopLevelFilesOnly) {
    make_file(in, "x.txt");
    make_file(in, "sub/y.txt");
    FakeMainWindow w = window("*.txt", "${prefix}.${suffix}", false);
    refresh_input_tree(w);
    EXPECT_EQ(w.in_tree.render(), root(in.path()) + "  x.txt\n");
    EXPECT_EQ(w.out_tree.render(), root(out.path()) + "  x.txt\n");
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
        FakeMainWindow w(input.path(), "*.txt", out.path(), "${prefix}.${suffix}");
        refresh_input_tree(w);
        const std::string expected = root(input.path()) + "  " + folder + "/\n    " +
                                     row.matched_sub + "/\n      m.txt\n    f.txt\n  late/\n" +
                                     "    h.txt\n";
        const std::string other_order = root(input.path()) + "  late/\n    h.txt\n  " + folder +
                                        "/\n    " + row.matched_sub + "/\n      m.txt\n" +
                                        "    f.txt\n";
        const std::string tree = w.in_tree.render();
        EXPECT_TRUE(tree == expected || tree == other_order) << tree;
        EXPECT_TRUE(trees_linked(w.in_tree, w.out_tree));
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
    FakeMainWindow w = window("*.txt", "${prefix}.${suffix}");
    refresh_input_tree(w);
    EXPECT_EQ(w.in_tree.render(), expected);
}

TEST_F(ScanTest, FolderNamesAreNeverDerived) {
    make_file(in, "x.y/a.txt");
    make_file(in, ".hidden.txt");
    FakeMainWindow w = window("*.txt", "${suffix}");
    refresh_input_tree(w);
    EXPECT_EQ(w.in_tree.render(), root(in.path()) + "  x.y/\n    a.txt\n  .hidden.txt\n");
    EXPECT_EQ(w.out_tree.render(), root(out.path()) + "  x.y/\n    txt\n  txt\n");
}

TEST_F(ScanTest, OutputRefreshRenamesFilesAndRootOnly) {
    make_file(in, "x.y/a.txt");
    make_file(in, "b.txt");
    FakeMainWindow w = window("*.txt", "${prefix}.${suffix}");
    refresh_input_tree(w);
    const std::string input_before = w.in_tree.render();
    TempDir elsewhere;
    w.main_fields.set_text(HistoryField::OutputDirectory, elsewhere.path());
    w.main_fields.set_text(HistoryField::OutputPattern, "${prefix}-new.${suffix}");
    w.main_fields.set_text(HistoryField::InputPatterns, "nothing");
    refresh_output_tree(w);
    EXPECT_EQ(w.in_tree.render(), input_before);
    EXPECT_EQ(w.out_tree.render(), root(elsewhere.path()) + "  x.y/\n    a-new.txt\n  b-new.txt\n");
    EXPECT_TRUE(trees_linked(w.in_tree, w.out_tree));
}

TEST_F(ScanTest, FailedInputCheckEmptiesBothTrees) {
    make_file(in, "a.txt");
    FakeMainWindow w = window("*.txt", "${prefix}.${suffix}");
    refresh_input_tree(w);
    ASSERT_NE(w.in_tree.size(), 0u);
    w.main_fields.set_text(HistoryField::InputDirectory, in.file("missing"));
    refresh_input_tree(w);
    EXPECT_EQ(w.in_tree.render(), "");
    EXPECT_EQ(w.out_tree.render(), "");
    EXPECT_EQ(without_time_stamp(w.log.text),
              notice_text("Input", "Input Directory",
                          "\"" + in.file("missing") + "\" is not a valid directory."));
}

TEST_F(ScanTest, FailedOutputCheckKeepsItsNoticeAndTheTrees) {
    make_file(in, "a.txt");
    FakeMainWindow w = window("*.txt", "${prefix}.");
    refresh_input_tree(w);
    EXPECT_EQ(w.in_tree.render(), root(in.path()) + "  a.txt\n");
    EXPECT_EQ(w.out_tree.render(), root(out.path()) + "  a.\n");
    EXPECT_EQ(without_time_stamp(w.log.text),
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
        FakeMainWindow w(in.path(), "*.txt", output, "${prefix}.${suffix}");
        refresh_input_tree(w);
        const std::string tree = w.in_tree.render();
        EXPECT_EQ(tree.find("out/"), std::string::npos) << tree;
        EXPECT_NE(tree.find("other/\n    c.txt\n"), std::string::npos) << tree;
        EXPECT_NE(tree.find("  a.txt\n"), std::string::npos) << tree;
    }
}

TEST_F(ScanTest, NameTooComplexForThePatternsBecomesANotice) {
    const std::string long_name(60, 'a');
    make_file(in, long_name);
    make_file(in, "x.b");
    const std::string patterns = "*a*a*a*a*a*a*a*a*a*b";
    FakeMainWindow w = window(patterns, "${prefix}.${suffix}");
    refresh_input_tree(w);
    EXPECT_EQ(w.in_tree.render(), root(in.path()));
    EXPECT_EQ(without_time_stamp(w.log.text),
              notice_text("Input", "File Patterns",
                          too_complex_message(patterns, join_path(in.path(), long_name))));
}

TEST_F(ScanTest, ContainsMatchAgreesWithTheTree) {
    make_file(in, "a/b/c.txt");
    make_file(in, "a/b2/n.dat");
    make_file(in, "d/e/f/g.dat");
    make_file(in, "h/i.txt");
    CurrentSettings settings;
    settings.input_directory = in.path();
    settings.output_directory = out.path();
    settings.include_subfolders = true;
    const PatternSet patterns = compile_patterns("*.txt");
    const struct {
        const char* folder;
        bool with_subfolders;
        bool without;
    } rows[] = {
        {"a", true, false}, {"a/b", true, true}, {"a/b2", false, false},
        {"d", false, false}, {"h", true, true},  {"missing", false, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.folder);
        const std::string path = (std::filesystem::path(in.path()) / row.folder).string();
        settings.include_subfolders = true;
        EXPECT_EQ(contains_match(path, patterns, settings), row.with_subfolders);
        settings.include_subfolders = false;
        EXPECT_EQ(contains_match(path, patterns, settings), row.without);
    }
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
