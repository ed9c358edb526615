// The one walk through the input tree, which the scan, the run and the dry run share.
#include "engine/walk.h"

#include <algorithm>
#include <filesystem>
#include <functional>
#include <vector>

#include <gtest/gtest.h>

#include "engine/run_settings.h"
#include "engine/pattern_set.h"
#include "platform/platform.h"
#include "walk_support.h"

using namespace walk_test;

namespace {

// Writes down everything the walk reports, one line each, with paths below the input root.
struct Recorder : WalkVisitor {
    std::string root;
    std::vector<std::string> lines;
    std::function<void(const WalkFolder&, const std::string&)> on_file;
    int polls = 0;
    bool stop_after_first_file = false;
    bool matched = false;

    std::string relative(const std::string& path) const {
        return path.size() > root.size() ? path.substr(root.size() + 1) : ".";
    }
    void folder_reached(const WalkFolder& folder) override {
        lines.push_back("reach " + relative(folder.input_path));
    }
    void folder_left(const WalkFolder& folder) override {
        lines.push_back("leave " + relative(folder.input_path));
    }
    void file_matched(const WalkFolder& folder, const std::string& name) override {
        lines.push_back("file " + relative(join_path(folder.input_path, name)));
        matched = true;
        if (on_file) on_file(folder, name);
    }
    void folder_unreadable(const WalkFolder& folder) override {
        lines.push_back("unreadable " + relative(folder.input_path));
    }
    bool stop_requested() override {
        ++polls;
        return stop_after_first_file && matched;
    }
};

RunSettings settings_of(const TempDir& in, const std::string& output, bool subfolders = true) {
    RunSettings settings;
    settings.input_directory = in.path();
    settings.output_directory = output;
    settings.include_subfolders = subfolders;
    settings.output_pattern = "${prefix}.out";
    return settings;
}

std::string sep(const std::string& relative) {
    std::string path = relative;
    std::replace(path.begin(), path.end(), '/', path_separator);
    return path;
}

TEST(Walk, ReachesOnlyFoldersWithMatchesOuterFirstAndLeavesThemInReverse) {
    TempDir in;
    TempDir out;
    make_file(in, "a/b/c.txt");
    make_file(in, "a/x.dat");
    make_file(in, "d/e.dat");
    make_folder(in, "empty");
    Recorder recorder;
    recorder.root = in.path();
    const RunSettings settings = settings_of(in, out.path());
    EXPECT_TRUE(walk_input(settings, compile_patterns("*.txt"), recorder));
    EXPECT_EQ(recorder.lines,
              (std::vector<std::string>{"reach .", "reach a", "reach " + sep("a/b"),
                                        "file " + sep("a/b/c.txt"), "leave " + sep("a/b"),
                                        "leave a", "leave ."}));
}

TEST(Walk, FoldersMirrorBelowTheOutputDirectory) {
    TempDir in;
    TempDir out;
    make_file(in, "a/b/c.txt");
    std::vector<std::string> outputs;
    Recorder recorder;
    recorder.root = in.path();
    recorder.on_file = [&](const WalkFolder& folder, const std::string& name) {
        outputs.push_back(folder.output_path);
        outputs.push_back(output_path_of(folder, name, "${prefix}.out"));
        outputs.push_back(folder.name + "<" + folder.parent->name);
    };
    walk_input(settings_of(in, out.path()), compile_patterns("*"), recorder);
    EXPECT_EQ(outputs, (std::vector<std::string>{out.file(sep("a/b")), out.file(sep("a/b/c.out")),
                                                 "b<a"}));
}

TEST(Walk, SubfoldersOffAndTheOutputDirectoryAreNotEntered) {
    TempDir in;
    make_file(in, "top.txt");
    make_file(in, "sub/inner.txt");
    make_file(in, "out/old.txt");
    for (bool subfolders : {true, false}) {
        SCOPED_TRACE(subfolders);
        Recorder recorder;
        recorder.root = in.path();
        walk_input(settings_of(in, in.file("out"), subfolders), compile_patterns("*.txt"),
                   recorder);
        const auto has = [&](const std::string& line) {
            return std::find(recorder.lines.begin(), recorder.lines.end(), line) !=
                   recorder.lines.end();
        };
        EXPECT_TRUE(has("file top.txt"));
        EXPECT_EQ(has("file " + sep("sub/inner.txt")), subfolders);
        EXPECT_FALSE(has("file " + sep("out/old.txt")));
    }
}

// A converter writing its output beside its input must not be handed that output again.
TEST(Walk, EachLevelIsListedWholeBeforeItsEntriesAreVisited) {
    TempDir in;
    make_file(in, "a.txt");
    make_file(in, "b.txt");
    Recorder recorder;
    recorder.root = in.path();
    int made = 0;
    recorder.on_file = [&](const WalkFolder& folder, const std::string& name) {
        write_file(join_path(folder.input_path, "new" + std::to_string(made++) + "-" + name), "x");
    };
    walk_input(settings_of(in, in.path()), compile_patterns("*.txt"), recorder);
    EXPECT_EQ(made, 2);
}

TEST(Walk, StopIsAskedBeforeEveryEntryAndEndsTheWalkLeavingEveryFolder) {
    TempDir in;
    make_file(in, "sub/a.txt");
    make_file(in, "sub/b.txt");
    make_file(in, "sub/c.txt");
    Recorder counting;
    counting.root = in.path();
    walk_input(settings_of(in, in.file("out")), compile_patterns("*.txt"), counting);
    // At least the sub-folder and its three files.
    EXPECT_GE(counting.polls, 4);

    Recorder stopping;
    stopping.root = in.path();
    stopping.stop_after_first_file = true;
    EXPECT_FALSE(walk_input(settings_of(in, in.file("out")), compile_patterns("*.txt"), stopping));
    ASSERT_EQ(stopping.lines.size(), 5u);
    EXPECT_EQ(stopping.lines[2].substr(0, 5), "file ");
    EXPECT_EQ(stopping.lines[3], "leave sub");
    EXPECT_EQ(stopping.lines[4], "leave .");
}

#ifndef _WIN32
// A link leading back up the tree would otherwise be walked again and again, each time one level
// deeper; a link to the output directory would feed the run its own outputs.
TEST(Walk, LinksNeverLeadIntoAFolderTwiceNorIntoTheOutput) {
    TempDir in;
    make_file(in, "a.txt");
    make_file(in, "sub/b.txt");
    make_file(in, "out/old.txt");
    std::filesystem::create_directory_symlink(in.path(), in.file("loop"));
    std::filesystem::create_directory_symlink(in.file("sub"), in.file("again"));
    std::filesystem::create_directory_symlink(in.file("out"), in.file("to-out"));
    Recorder recorder;
    recorder.root = in.path();
    walk_input(settings_of(in, in.file("out")), compile_patterns("*.txt"), recorder);
    std::vector<std::string> files;
    for (const std::string& line : recorder.lines) {
        if (line.rfind("file ", 0) == 0) files.push_back(line.substr(5));
    }
    std::sort(files.begin(), files.end());
    // "sub" and "again" are one folder: whichever the disk lists first is walked.
    ASSERT_EQ(files.size(), 2u) << ::testing::PrintToString(files);
    EXPECT_EQ(files[0], "a.txt");
    EXPECT_TRUE(files[1] == sep("sub/b.txt") || files[1] == sep("again/b.txt")) << files[1];
}
#endif

TEST(Walk, DirectoryThatCannotBeListedIsReportedAndGivesNothingElse) {
    TempDir in;
    Recorder recorder;
    recorder.root = in.path();
    RunSettings settings = settings_of(in, in.file("out"));
    settings.input_directory = in.file("missing");
    EXPECT_TRUE(walk_input(settings, compile_patterns("*"), recorder));
    EXPECT_EQ(recorder.lines, std::vector<std::string>{"unreadable missing"});
}

}  // namespace
