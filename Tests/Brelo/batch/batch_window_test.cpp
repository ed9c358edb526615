// The same batch through brelo's real main window and through brelo-batch: both read the same
// BRELO.ini beside the test, and their logs differ only in the time stamp.
#include <string>

#include <windows.h>

#include <gtest/gtest.h>

#include "Support/run_program.h"
#include "Support/temp_dir.h"
#include "batch_process.h"
#include "gui_harness.h"
#include "ui/resource.h"
#include "ui/window_run.h"

namespace {

using test_support::write_file;

class WindowAndBatch : public gui::GuiTest {
protected:
    std::string in = temp.file("in");
    std::string out = temp.file("out");

    void SetUp() override {
        GuiTest::SetUp();
        for (const std::string& d : {in, in + "\\sub", in + "\\empty", out}) {
            CreateDirectoryA(d.c_str(), nullptr);
        }
        write_file(in + "\\a.txt", "abc");
        write_file(in + "\\skip.dat", "x");
        write_file(in + "\\sub\\b.txt", "xyz");
    }

    void write_settings_for(int current_converter) {
        write_settings("[Input]\r\nInput Directory 001=" + in +
                       "\r\nFile Patterns 001=*.txt\r\nAuto Refresh=0\r\n[Output]\r\n"
                       "Output Directory 001=" + out +
                       "\r\nFile Patterns 001=${prefix}.md5\r\nAuto Refresh=0\r\n[Converter]\r\n"
                       "Converter_Number=2\r\nCurrent Converter=" +
                       std::to_string(current_converter) + "\r\n" +
                       gui::hashmd5_converter_keys(1, "MD5") +
                       "Converter002_Title=Missing\r\nConverter002_ExeFile=" + temp.file("none") +
                       "\r\nConverter002_Arguments=${infile}\r\nConverter002_WorkDir=\r\n");
    }

    // expected_exit: 0 when every file converts, 3 when some failed.
    std::string batch_log(int expected_exit) {
        const batch_test::BatchResult result =
            batch_test::run_batch_process(test_support::program_path("brelo-batch"), {});
        EXPECT_EQ(result.exit_code, expected_exit);
        EXPECT_EQ(result.err, "");
        const std::string end = batch_test::eol;
        if (result.out.size() < end.size()) return result.out;
        return result.out.substr(0, result.out.size() - end.size());
    }

    std::string window_log() {
        open_main_window();
        gui::click(IDC_MAIN_RUN);
        EXPECT_TRUE(gui::pump_until([] { return !run_in_progress(); }));
        return gui::text(IDC_MAIN_LOG);
    }
};

TEST_F(WindowAndBatch, SameLogWithAConverterThatRuns) {
    write_settings_for(0);
    const std::string batch = batch_test::mask_time_stamps(batch_log(0));
    const std::string window = batch_test::mask_time_stamps(window_log());
    EXPECT_NE(window.find("Total 2 Files are converted."), std::string::npos) << window;
    EXPECT_EQ(batch, window);
}

TEST_F(WindowAndBatch, SameLogWithAConverterThatCannotStart) {
    write_settings_for(1);
    const std::string batch = batch_test::mask_time_stamps(batch_log(3));
    const std::string window = batch_test::mask_time_stamps(window_log());
    EXPECT_NE(window.find("Create process failed."), std::string::npos) << window;
    EXPECT_NE(window.find("Total 2 Files are converted.\r\n2 of them failed.\r\n"),
              std::string::npos)
        << window;
    EXPECT_EQ(batch, window);
}

}  // namespace
