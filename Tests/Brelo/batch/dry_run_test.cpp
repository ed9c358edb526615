#include "batch/dry_run.h"

#include <algorithm>

#include <gtest/gtest.h>

#include "Support/temp_dir.h"
#include "engine/scan.h"
#include "platform/platform.h"

namespace {

using test_support::TempDir;
using test_support::write_file;

std::string describe(const PlannedFile& file) {
    return file.input_path + " | " + file.output_path + " | " + file.command_line + " | " +
           file.note;
}

// The walk's order is the file system's, so plans are compared as sorted lines.
std::vector<std::string> described(const std::vector<PlannedFile>& plan) {
    std::vector<std::string> lines;
    for (const PlannedFile& file : plan) lines.push_back(describe(file));
    std::sort(lines.begin(), lines.end());
    return lines;
}

class PlanBatch : public ::testing::Test {
protected:
    TempDir dir;
    std::string in = dir.file("in");
    std::string out = dir.file("out");
    CurrentSettings settings;
    PreparedCommand command =
        prepare_command({"T", "conv", "-q ${infile} ${outfile}", "${location}"});

    void SetUp() override {
        for (const std::string& d : {in, join_path(in, "sub"), join_path(in, "empty"),
                                     join_path(in, "sub.d"), out}) {
            ASSERT_TRUE(make_directory(d));
        }
        write_file(join_path(in, "a.txt"), "a");
        write_file(join_path(in, "b.dat"), "b");
        write_file(join_path(join_path(in, "sub"), "c.TXT"), "c");
        write_file(join_path(join_path(in, "sub.d"), "d.dat"), "d");
        settings.input_directory = in;
        settings.input_patterns = "*.txt";
        settings.output_directory = out;
        settings.output_pattern = "${prefix}.md5";
        settings.include_subfolders = true;
    }

    std::string line(const std::string& input, const std::string& output) const {
        return input + " | " + output + " | conv -q \"" + input + "\" \"" + output + "\" | ";
    }
};

TEST_F(PlanBatch, ListsEveryMatchWithItsCommandAndCreatesNothing) {
    const std::vector<std::string> expected = {
        line(join_path(in, "a.txt"), join_path(out, "a.md5")),
        line(join_path(join_path(in, "sub"), "c.TXT"),
             join_path(join_path(out, "sub"), "c.md5")),
    };
    std::vector<std::string> sorted = expected;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(described(plan_batch(settings, compile_patterns("*.txt"), command)), sorted);
    EXPECT_FALSE(path_exists(join_path(out, "sub")));
}

TEST_F(PlanBatch, WithoutSubfoldersOnlyTheTopLevel) {
    settings.include_subfolders = false;
    EXPECT_EQ(described(plan_batch(settings, compile_patterns("*.txt"), command)),
              std::vector<std::string>{line(join_path(in, "a.txt"), join_path(out, "a.md5"))});
}

TEST_F(PlanBatch, LeavesOutTheOutputDirectoryInsideTheInput) {
    settings.output_directory = join_path(in, "sub");
    settings.input_patterns = "*.dat";
    const std::string sub_out = settings.output_directory;
    EXPECT_EQ(described(plan_batch(settings, compile_patterns("*.dat"), command)),
              (std::vector<std::string>{
                  line(join_path(in, "b.dat"), join_path(sub_out, "b.md5")),
                  line(join_path(join_path(in, "sub.d"), "d.dat"),
                       join_path(join_path(sub_out, "sub.d"), "d.md5")),
              }));
}

TEST_F(PlanBatch, MissingInputDirectoryPlansNothing) {
    settings.input_directory = join_path(in, "gone");
    EXPECT_TRUE(plan_batch(settings, compile_patterns("*"), command).empty());
}

TEST(FormatPlan, CommandsThenTheTotal) {
    const std::vector<PlannedFile> plan = {
        {"in/a.txt", "out/a.md5", "conv \"in/a.txt\" \"out/a.md5\"", ""},
        {"in/long", "", "", "too complex"},
        {"in/b.txt", "out/b.md5", "conv \"in/b.txt\" \"out/b.md5\"", ""},
    };
    EXPECT_EQ(format_plan(plan, "w d", "\n"),
              "in/a.txt -> out/a.md5\n"
              "\tCommand: conv \"in/a.txt\" \"out/a.md5\"\n"
              "\tDirectory: w d\n"
              "in/long\n"
              "\ttoo complex\n"
              "in/b.txt -> out/b.md5\n"
              "\tCommand: conv \"in/b.txt\" \"out/b.md5\"\n"
              "\tDirectory: w d\n"
              "\n"
              "Total 2 Files would be converted.\n");
    EXPECT_EQ(format_plan({}, "", "\r\n"), "\r\nTotal 0 Files would be converted.\r\n");
}

}  // namespace
