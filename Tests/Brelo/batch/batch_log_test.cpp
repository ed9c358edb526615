// The same batch through brelo-batch and through the engine's run as the window's log box follows
// it gives the same log, apart from the time stamp.
#include <gtest/gtest.h>

#include "Support/run_program.h"
#include "Support/temp_dir.h"
#include "batch_process.h"
#include "engine/batch_run.h"
#include "engine/run_plan.h"
#include "engine/walk.h"
#include "platform/platform.h"

namespace {

using namespace test_support;
using batch_test::eol;
using batch_test::mask_time_stamps;

// The log box's text as the window's run leaves it: a notice or the header replaces it, every
// other piece is appended.
class LogBoxText : public LogTextEvents {
public:
    std::string text;

protected:
    void replace_text(const std::string& t) override { text = t; }
    void append_text(const std::string& t) override { text += t; }
};

struct Batch {
    const char* label;
    batch_test::IniConverter converter;
    std::string patterns;
    std::string name;
    bool subfolders;
};

class SameLog : public ::testing::Test {
protected:
    TempDir dir;
    std::string in = dir.file("in");
    std::string out = dir.file("out");

    void SetUp() override {
        // Several files on three levels, a folder without matches and one that only holds
        // matches below it.
        for (const std::string& d :
             {in, join_path(in, "one"), join_path(join_path(in, "one"), "two"),
              join_path(in, "empty"), join_path(in, "deep"),
              join_path(join_path(in, "deep"), "er"), out}) {
            ASSERT_TRUE(make_directory(d));
        }
        write_file(join_path(in, "a.txt"), "abc");
        write_file(join_path(in, "b.TXT"), "");
        write_file(join_path(in, "skip.dat"), "x");
        write_file(join_path(join_path(in, "one"), "c.txt"), "c");
        write_file(join_path(join_path(join_path(in, "one"), "two"), "d e.txt"), "d");
        write_file(join_path(join_path(in, "deep"), "skip.bin"), "x");
        write_file(join_path(join_path(join_path(in, "deep"), "er"), "f.txt"), "f");
    }

    // The engine's run, as the window's Run button starts it, followed as the log box does.
    std::string window_log(const Batch& batch) {
        LogBoxText log_box;
        RunRequest request;
        request.settings.input_directory = in;
        request.settings.input_patterns = batch.patterns;
        request.settings.include_subfolders = batch.subfolders;
        request.settings.output_directory = out;
        request.settings.output_pattern = batch.name;
        const batch_test::IniConverter& c = batch.converter;
        request.converter = Converter{c.title, c.exe_file, c.arguments, c.work_dir};
        RunControl control;
        Event* stop = create_event();
        control.stop = stop;
        EXPECT_TRUE(run_batch(check_request(request), log_box, control).ran);
        close_event(stop);
        return log_box.text;
    }

    std::string batch_log(const Batch& batch) {
        batch_test::IniValues values;
        values.input_directory = in;
        values.input_patterns = batch.patterns;
        values.include_subfolders = batch.subfolders ? "1" : "0";
        values.output_directory = out;
        values.output_pattern = batch.name;
        values.converters = {batch.converter};
        const std::string ini = dir.file("batch.ini");
        write_file(ini, batch_test::ini_text(values));
        const batch_test::BatchResult result = batch_test::run_brelo_batch({"--ini", ini});
        // Every file converts, except where no converter can start at all.
        EXPECT_EQ(result.exit_code, batch.converter.title == "Missing" ? 3 : 0);
        // A run that met no file says so on standard error, never in the log.
        EXPECT_EQ(result.err.rfind("No file matches", 0) == 0, batch.patterns == "*.none")
            << result.err;
        const std::string end = eol;
        EXPECT_GE(result.out.size(), end.size());
        EXPECT_EQ(result.out.substr(result.out.size() - end.size()), end);
        return result.out.substr(0, result.out.size() - end.size());
    }
};

TEST_F(SameLog, ThroughTheWindowAndThroughBreloBatch) {
    std::string location = program_path("hashmd5");
    location = location.substr(0, location.rfind(path_separator));
    const Batch batches[] = {
        {"digests, sub-folders",
         {"MD5 digest", program_path("hashmd5"), "${infile} ${outfile}", "${location}"},
         "*.txt",
         "${prefix}.md5",
         true},
        {"standard error interleaved",
         {"Echo", program_path("console_child"), "stderr ${infile}", location},
         "*",
         "${prefix}",
         true},
        {"arguments as received",
         {"Args", program_path("console_child"), "echo-out ${location} ${infile} ${outfile}",
          "${location}"},
         "*.txt",
         "${prefix}.${suffix}",
         true},
        {"program missing", {"Missing", dir.file("none"), "${infile}", ""}, "*", "x", true},
        {"no match", {"MD5 digest", program_path("hashmd5"), "", ""}, "*.none", "x", true},
    };
    for (const Batch& batch : batches) {
        SCOPED_TRACE(batch.label);
        const std::string expected = mask_time_stamps(window_log(batch));
        EXPECT_NE(expected.find("Files are converted."), std::string::npos);
        EXPECT_EQ(mask_time_stamps(batch_log(batch)), expected);
    }
}

}  // namespace
