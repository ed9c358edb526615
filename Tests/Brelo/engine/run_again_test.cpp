// Running again what an earlier run left unconverted: which files, and a real run of them.
#include "engine/run_again.h"
#include "engine/run_plan.h"

#include <algorithm>

#include <gtest/gtest.h>

#include "Support/run_program.h"
#include "engine/batch_run.h"
#include "walk_support.h"

using namespace walk_test;

namespace {

FileRecord record(int place, const std::string& input, FileOutcome outcome) {
    FileRecord r;
    r.place = place;
    r.input_path = input;
    r.outcome = outcome;
    return r;
}

// Every outcome, and files that moved, came new or went since the earlier run.
TEST(DoneButUnconverted, OnlyUnconvertedInputsRunAgainWhereverTheyAreNow) {
    const std::vector<FileRecord> earlier = {
        record(0, "converted", FileOutcome::Converted), record(1, "failed", FileOutcome::Failed),
        record(2, "refused", FileOutcome::Refused),     record(3, "skipped", FileOutcome::Skipped),
        record(4, "earlier", FileOutcome::DoneEarlier), record(5, "stopped", FileOutcome::NotStarted),
        record(6, "gone", FileOutcome::Failed),
    };
    EXPECT_TRUE(any_unconverted(earlier));
    const std::vector<FileRecord> now = {
        record(0, "new", FileOutcome::NotStarted),       record(1, "stopped", FileOutcome::NotStarted),
        record(2, "converted", FileOutcome::NotStarted), record(3, "failed", FileOutcome::NotStarted),
        record(4, "refused", FileOutcome::NotStarted),   record(5, "skipped", FileOutcome::NotStarted),
        record(6, "earlier", FileOutcome::NotStarted),
    };
    const std::vector<bool> expected = {true, false, true, false, false, true, true};
    EXPECT_EQ(done_but_unconverted(now, earlier), expected);

    const std::vector<FileRecord> fine = {record(0, "a", FileOutcome::Converted),
                                          record(1, "b", FileOutcome::Skipped),
                                          record(2, "c", FileOutcome::DoneEarlier)};
    EXPECT_FALSE(any_unconverted(fine));
    EXPECT_FALSE(any_unconverted({}));
}

struct Recorded : LogTextEvents {
    std::string text;
    std::vector<FileRecord> records;
    void file_record(const FileRecord& r) override { records.push_back(r); }

protected:
    void replace_text(const std::string& t) override { text = t; }
    void append_text(const std::string& t) override { text += t; }
};

// A converter that fails for some inputs; once they are mended, the second run converts exactly
// those and passes over the rest as done in the earlier run.
TEST(DoneButUnconverted, SecondRunConvertsExactlyTheFailedFiles) {
    TempDir in;
    TempDir out;
    for (const char* name : {"a.txt", "c.txt", "e.txt"}) make_file(in, name, "0");
    for (const char* name : {"b.txt", "d.txt"}) make_file(in, name, "5");
    RunRequest request;
    request.settings = settings_for(in.path(), "*.txt", out.path());
    request.converter =
        Converter{"Exit", program_path("console_child"), "exitfile ${infile}", "${location}"};
    RunControl control;
    Recorded first;
    EXPECT_EQ(run_batch(check_request(request), first, control).failed, 2);

    for (const char* name : {"b.txt", "d.txt"}) make_file(in, name, "0");
    CheckedRequest again = check_request(request);
    again.request.done_earlier = done_but_unconverted(matching_files(again), first.records);
    Recorded second;
    const RunResult result = run_batch(again, second, control);
    EXPECT_EQ(result.total, 2);
    EXPECT_EQ(result.failed, 0);
    EXPECT_EQ(result.done_earlier, 3);
    std::vector<std::string> converted;
    for (const FileRecord& r : second.records)
        if (r.outcome == FileOutcome::Converted) converted.push_back(r.input_path);
    std::sort(converted.begin(), converted.end());  // the walk goes in the disk's order
    EXPECT_EQ(converted, (std::vector<std::string>{in.file("b.txt"), in.file("d.txt")}));
    EXPECT_NE(second.text.find(in.file("a.txt") + " -> " + out.file("a.txt") +
                               "\r\n\tSkipped: done in the earlier run.\r\n"),
              std::string::npos)
        << second.text;
}

}  // namespace
