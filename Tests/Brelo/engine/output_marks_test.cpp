// The preview's marks of what Run would do with each output, the refresh's word on them, and
// the marks a run's records give the output tree.
#include "engine/output_marks.h"

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <vector>

#include <gtest/gtest.h>

#include "Support/run_program.h"
#include "engine/batch_run.h"
#include "engine/run_plan.h"
#include "engine/scan.h"
#include "engine/walk.h"
#include "platform/platform.h"
#include "walk_support.h"

using namespace walk_test;

namespace {

// The output tree as the lines brelo-batch --preview --marks prints below the root, sorted:
// the order of files inside a folder is the file system's.
std::vector<std::string> marked_lines(const FileTrees& trees) {
    std::istringstream text(render_tree(trees, TreeSide::Output, "\n", true));
    std::vector<std::string> lines;
    std::string line;
    std::getline(text, line);  // the root
    while (std::getline(text, line)) lines.push_back(line);
    std::sort(lines.begin(), lines.end());
    return lines;
}

std::vector<std::string> sorted(std::vector<std::string> lines) {
    std::sort(lines.begin(), lines.end());
    return lines;
}

// Sets the file's time this many seconds away from the input's.
void age(const std::string& path, const std::string& input, int seconds) {
    long long time = 0;
    ASSERT_TRUE(file_modified_time(input, time));
    ASSERT_TRUE(set_file_modified_time(path, time + seconds * file_time_units_per_second));
}

class OutputMarksTest : public ::testing::Test {
protected:
    TempDir in;
    TempDir out;
};

// a has no output, b an older one, c a newer one; d.txt and d.dat share d.out, which only the
// first of them in the walk's order keeps. Up to date needs skipping on and an output not older
// than its input.
TEST_F(OutputMarksTest, EachOutputIsMarkedAsRunWouldTreatIt) {
    for (const char* name : {"a.txt", "b.txt", "c.txt", "d.txt", "d.dat", "sub/e.txt"})
        make_file(in, name);
    for (const char* name : {"b.out", "c.out", "sub/e.out"}) make_file(out, name);
    age(out.file("b.out"), in.file("b.txt"), -10);
    age(out.file("c.out"), in.file("c.txt"), 10);
    age(out.file("sub/e.out"), in.file("sub/e.txt"), 0);
    struct Row {
        const char* label;
        bool skip;
        std::vector<std::string> lines;
    } rows[] = {
        {"converting all",
         false,
         {"  a.out", "  b.out [replace]", "  c.out [replace]", "  d.out", "  d.out [shared]",
          "  sub", "    e.out [replace]"}},
        {"skipping up-to-date files",
         true,
         {"  a.out", "  b.out [replace]", "  c.out [up to date]", "  d.out", "  d.out [shared]",
          "  sub", "    e.out [up to date]"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        RunSettings settings = settings_for(in.path(), "*", out.path(), "${prefix}.out");
        settings.skip_up_to_date = row.skip;
        const InputRefresh refresh = refresh_input_tree(settings);
        ASSERT_TRUE(refresh.trees);
        EXPECT_EQ(marked_lines(*refresh.trees), sorted(row.lines));
        // Without marks the preview prints as it always did.
        EXPECT_EQ(render_tree(*refresh.trees, TreeSide::Output, "\n").find('['),
                  std::string::npos);
    }
}

// The output folder is the input folder, spelled otherwise: an output named as its input is the
// input itself, in sub-folders too; another name is an ordinary output.
TEST_F(OutputMarksTest, OutputThatIsTheInputItselfIsMarked) {
    for (const char* name : {"a.txt", "b.txt", "b.bak", "sub/c.txt"}) make_file(in, name);
    const std::string same_folder = join_path(join_path(in.path(), "sub"), "..");
    for (const bool skip : {false, true}) {
        SCOPED_TRACE(skip);
        RunSettings settings = settings_for(in.path(), "*.txt", same_folder, "${prefix}.${suffix}");
        settings.skip_up_to_date = skip;
        InputRefresh refresh = refresh_input_tree(settings);
        ASSERT_TRUE(refresh.trees);
        EXPECT_EQ(marked_lines(*refresh.trees),
                  sorted({"  a.txt [same as input]", "  b.txt [same as input]", "  sub",
                          "    c.txt [same as input]"}));
        FileTrees renamed = *refresh.trees;
        settings.output_pattern = "${prefix}.bak";
        refresh_output_tree(&renamed, settings);
        // b.bak was made with b.txt: not older than it.
        EXPECT_EQ(marked_lines(renamed),
                  sorted({"  a.bak", skip ? "  b.bak [up to date]" : "  b.bak [replace]", "  sub",
                          "    c.bak"}));
    }
}

#ifndef _WIN32
// A link to the input folder is the input folder, whatever its name says.
TEST_F(OutputMarksTest, OutputFolderReachedThroughALinkIsTheInputFolder) {
    make_file(in, "a.txt");
    const std::string link = join_path(out.path(), "link");
    std::filesystem::create_directory_symlink(in.path(), link);
    const InputRefresh refresh =
        refresh_input_tree(settings_for(in.path(), "*.txt", link, "${prefix}.${suffix}"));
    ASSERT_TRUE(refresh.trees);
    EXPECT_EQ(marked_lines(*refresh.trees), std::vector<std::string>{"  a.txt [same as input]"});
}
#endif

// The refresh's notices: the shared names' notice as before, the marks' notice after it, and
// an output-side refresh counts anew.
TEST_F(OutputMarksTest, RefreshSumsTheMarksUpAfterTheOtherNotices) {
    for (const char* name : {"a.txt", "a.dat", "b.txt", "c.txt"}) make_file(in, name);
    for (const char* name : {"a.out", "b.out", "c.out", "b.txt"}) make_file(out, name);
    RunSettings settings = settings_for(in.path(), "*", out.path(), "${prefix}.out");
    InputRefresh refresh = refresh_input_tree(settings);
    const std::string log = refresh.log_text;
    const std::string shared = notice_text("Output", "File Patterns",
                                           "1 output name is shared by more than one input.");
    const std::string marks =
        notice_text("Output", "Output Directory", "3 outputs will be replaced.");
    const std::string bare = without_time_stamp(log);
    ASSERT_GT(bare.size(), shared.size() + marks.size());
    EXPECT_EQ(bare.substr(0, shared.size()), shared) << log;
    EXPECT_EQ(bare.substr(bare.size() - marks.size()), marks) << log;

    settings.output_pattern = "${prefix}.${suffix}";
    EXPECT_EQ(without_time_stamp(refresh_output_tree(&*refresh.trees, settings)),
              notice_text("Output", "Output Directory", "1 output will be replaced."));
    // Shared names alone have their own notice and no word from the marks.
    settings.output_pattern = "${prefix}.new";
    EXPECT_EQ(without_time_stamp(refresh_output_tree(&*refresh.trees, settings)), shared);
}

TEST(OutputMarksNotice, CountsEachKindButNewAndShared) {
    OutputMarkCounts counts;
    EXPECT_EQ(output_marks_notice(counts), "");
    counts.counts[static_cast<int>(OutputMark::New)] = 5;
    counts.counts[static_cast<int>(OutputMark::Shared)] = 2;
    EXPECT_EQ(output_marks_notice(counts), "");
    counts.counts[static_cast<int>(OutputMark::SameAsInput)] = 1;
    EXPECT_EQ(without_time_stamp(output_marks_notice(counts)),
              notice_text("Output", "Output Directory", "1 output is its own input."));
    counts.counts[static_cast<int>(OutputMark::Replace)] = 12;
    counts.counts[static_cast<int>(OutputMark::UpToDate)] = 1;
    counts.counts[static_cast<int>(OutputMark::SameAsInput)] = 2;
    EXPECT_EQ(without_time_stamp(output_marks_notice(counts)),
              notice_text("Output", "Output Directory",
                          "12 outputs will be replaced, 1 output is up to date, 2 outputs are "
                          "their own input."));
}

// Every way a file of a run ends gives its mark and the reason its tip shows.
TEST(RunMarkOf, EachEndHasItsMarkAndReason) {
    const std::string dir = join_path("top", "in");
    struct Row {
        const char* label;
        FileOutcome outcome;
        ConverterOutcome converter;
        unsigned long code;
        bool no_output;
        RunMark mark;
        std::string tip;
    } rows[] = {
        {"converted", FileOutcome::Converted, ConverterOutcome::Exited, 0, false,
         RunMark::Converted, "Converted."},
        {"exit code", FileOutcome::Failed, ConverterOutcome::Exited, 3, false, RunMark::Failed,
         "Failed: Converter exited with code 3."},
        {"no output", FileOutcome::Failed, ConverterOutcome::Exited, 0, true, RunMark::Failed,
         "Failed: Converter wrote no output."},
        {"time limit", FileOutcome::Failed, ConverterOutcome::EndedByTimeLimit, 0, false,
         RunMark::Failed, "Failed: The converter ran past its time limit."},
        {"not started", FileOutcome::Failed, ConverterOutcome::NotStarted, 0, false,
         RunMark::Failed, "Failed: The converter could not be started."},
        {"stop", FileOutcome::Failed, ConverterOutcome::EndedByStop, 0, false, RunMark::Stopped,
         "Stopped: Stop ended the converter."},
        {"skipped", FileOutcome::Skipped, ConverterOutcome::NotStarted, 0, false,
         RunMark::Skipped, "Skipped: The output was up to date."},
        {"before start", FileOutcome::NotStarted, ConverterOutcome::NotStarted, 0, false,
         RunMark::NotStarted, "Not started: Stop came before it started."},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        FileRecord record;
        record.outcome = row.outcome;
        record.input_path = join_path(join_path(dir, "sub"), "a.txt");
        record.end.converter.outcome = row.converter;
        record.end.converter.exit.known = true;
        record.end.converter.exit.code = row.code;
        record.end.wrote_no_output = row.no_output;
        const FileRunMark mark = run_mark_of(record, dir);
        EXPECT_EQ(mark.relative_input, join_path(join_path("", "sub"), "a.txt"));
        EXPECT_EQ(mark.mark, row.mark);
        EXPECT_EQ(run_mark_tip(mark), row.tip);
    }
}

// The run's refusal of a shared output name reaches the second file's mark as its reason.
TEST_F(OutputMarksTest, RefusedFileOfARunCarriesTheRefusal) {
    for (const char* name : {"a.txt", "a.dat"}) make_file(in, name);
    struct Records : LogTextEvents {
        std::vector<FileRunMark> marks;
        std::string input;
        void file_record(const FileRecord& record) override {
            marks.push_back(run_mark_of(record, input));
        }
        void replace_text(const std::string&) override {}
        void append_text(const std::string&) override {}
    } events;
    events.input = in.path();
    RunRequest request;
    request.settings = settings_for(in.path(), "*", out.path(), "${prefix}.out");
    request.converter = Converter{"Touch", program_path("console_child"), "touch ${outfile}",
                                  "${location}"};
    RunControl control;
    run_batch(check_request(request), events, control);
    ASSERT_EQ(events.marks.size(), 2u);
    EXPECT_EQ(events.marks[0].mark, RunMark::Converted);
    EXPECT_EQ(events.marks[1].mark, RunMark::Failed);
    const std::string first = events.marks[0].relative_input;
    EXPECT_EQ(run_mark_tip(events.marks[1]),
              "Failed: The output name is also that of " + in.path() + first + ".");
}

}  // namespace
