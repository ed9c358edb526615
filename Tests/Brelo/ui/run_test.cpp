// Runs started from the main window with the real hashmd5 converter, Stop, closing during a run,
// and the settings file across a close and a new start.
#include <string>
#include <vector>

#include <windows.h>

#include <gtest/gtest.h>

#include "gui_harness.h"
#include "Support/temp_dir.h"
#include "ui/main_window.h"
#include "ui/resource.h"

namespace {

using namespace gui;
using test_support::file_exists;
using test_support::read_file;
using test_support::write_file;

std::string history_row(int box, int row) {
    char buffer[260] = {};
    if (SendMessageA(control(box), CB_GETLBTEXTLEN, row, 0) >= 260) return "<too long>";
    SendMessageA(control(box), CB_GETLBTEXT, row, reinterpret_cast<LPARAM>(buffer));
    return buffer;
}

int count_of(const std::string& text, const std::string& part) {
    int n = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

class RunTest : public GuiTest {
protected:
    void SetUp() override {
        GuiTest::SetUp();
        input = temp.file("in");
        output = temp.file("out");
        CreateDirectoryA(input.c_str(), nullptr);
        CreateDirectoryA(output.c_str(), nullptr);
    }
    // Settings with both directories, "*.txt" as input pattern and "${prefix}.md5" as output
    // pattern, Auto Refresh off, and the hashmd5 converter (plus others) selected.
    void start(const std::string& extra_converters = "", int converters = 1, int current = 0) {
        write_settings("[Input]\r\nInput Directory 001=" + input +
                       "\r\nFile Patterns 001=*.txt\r\nAuto Refresh=0\r\n[Output]\r\n"
                       "Output Directory 001=" + output +
                       "\r\nFile Patterns 001=${prefix}.md5\r\nAuto Refresh=0\r\n[Converter]\r\n"
                       "Converter_Number=" + std::to_string(converters) +
                       "\r\nCurrent Converter=" + std::to_string(current) + "\r\n" +
                       hashmd5_converter_keys(1, "MD5") + extra_converters);
        open_main_window();
    }
    void write_inputs(int count) {
        for (int i = 0; i < count; ++i)
            write_file(input + "\\f" + std::to_string(100 + i) + ".txt", std::to_string(i));
    }
    int outputs() const {
        int n = 0;
        WIN32_FIND_DATAA entry;
        HANDLE find = FindFirstFileA((output + "\\*.md5").c_str(), &entry);
        if (find == INVALID_HANDLE_VALUE) return 0;
        do ++n; while (FindNextFileA(find, &entry));
        FindClose(find);
        return n;
    }
    std::string input, output;
};

TEST_F(RunTest, RunConvertsEveryMatchAndRemembersTheFields) {
    CreateDirectoryA((input + "\\a").c_str(), nullptr);
    CreateDirectoryA((input + "\\a\\b").c_str(), nullptr);
    CreateDirectoryA((input + "\\empty").c_str(), nullptr);
    write_file(input + "\\a\\b\\c.txt", "c");
    write_file(input + "\\top.txt", "t");
    write_file(input + "\\skip.dat", "s");
    start();
    SetDlgItemTextA(main_window(), IDC_MAIN_INPUT_DIR, (input + "\\\\").c_str());
    SendMessageA(control(IDC_MAIN_RUN), BM_CLICK, 0, 0);
    EXPECT_EQ(text(IDC_MAIN_RUN), "Stop");
    pump_until([] { return !run_in_progress(); });
    EXPECT_EQ(text(IDC_MAIN_RUN), "Run");

    EXPECT_EQ(read_file(output + "\\top.md5"), "E358EFA489F58062F10DD7316B65649E");
    EXPECT_EQ(read_file(output + "\\a\\b\\c.md5"), "4A8A08F09D37B73795649038408B5F33");
    EXPECT_FALSE(file_exists(output + "\\skip.md5"));
    EXPECT_FALSE(file_exists(output + "\\empty"));
    const std::string log = text(IDC_MAIN_LOG);
    EXPECT_EQ(log.rfind("[Converter - MD5]:\r\n\r\n", 0), 0u) << log;
    for (const std::string& name : {std::string("top"), std::string("a\\b\\c")}) {
        const std::string entry = input + "\\" + name + ".txt -> " + output + "\\" + name + ".md5";
        EXPECT_NE(log.find(entry + "\r\n\tConsole:"), std::string::npos) << log;
    }
    EXPECT_NE(log.find("\r\nTotal 2 Files are converted.\r\n"), std::string::npos) << log;
    // The captured values, the directory without its trailing backslashes, head their
    // histories.
    EXPECT_EQ(history_row(IDC_MAIN_INPUT_DIR, 0), input);
    EXPECT_EQ(history_row(IDC_MAIN_INPUT_PATTERNS, 0), "*.txt");
    EXPECT_EQ(history_row(IDC_MAIN_OUTPUT_DIR, 0), output);
    EXPECT_EQ(history_row(IDC_MAIN_OUTPUT_PATTERN, 0), "${prefix}.md5");
    EXPECT_EQ(SendMessageA(control(IDC_MAIN_OUTPUT_PATTERN), CB_GETCOUNT, 0, 0), 1);
    EXPECT_EQ(text(IDC_MAIN_OUTPUT_PATTERN), "${prefix}.md5");
}

// Stop is pressed while the window shows the first finished entry; the worker waits for the
// window meanwhile, so exactly the files shown so far are converted.
TEST_F(RunTest, StopEndsTheRunBetweenFiles) {
    constexpr int files = 30;
    write_inputs(files);
    start();
    std::string shown_at_stop;
    MessageCounter stopper(control(IDC_MAIN_LOG), [&](UINT message, WPARAM, LPARAM lparam) {
        if (message != WM_SETTEXT || !shown_at_stop.empty()) return false;
        const std::string shown = reinterpret_cast<const char*>(lparam);
        if (shown.find("\tConsole:") == std::string::npos) return false;
        shown_at_stop = shown;
        SendMessageA(control(IDC_MAIN_RUN), BM_CLICK, 0, 0);
        EXPECT_EQ(text(IDC_MAIN_RUN), "Run");  // relabelled at once
        return true;
    });
    SendMessageA(control(IDC_MAIN_RUN), BM_CLICK, 0, 0);
    pump_until([] { return !run_in_progress(); });
    ASSERT_FALSE(shown_at_stop.empty());
    const int converted = count_of(shown_at_stop, " -> ");
    EXPECT_LT(converted, files);
    EXPECT_EQ(outputs(), converted);
    const std::string log = text(IDC_MAIN_LOG);
    EXPECT_EQ(count_of(log, " -> "), converted);
    EXPECT_NE(log.find("Total " + std::to_string(converted) + " Files are converted.\r\n"),
              std::string::npos) << log;
    EXPECT_EQ(text(IDC_MAIN_RUN), "Run");
    // A stopped run ends like a complete one: the fields head their histories.
    EXPECT_EQ(history_row(IDC_MAIN_INPUT_DIR, 0), input);
}

TEST_F(RunTest, ClosingDuringARunStopsItWaitsAndSaves) {
    write_inputs(10);
    start();
    SendMessageA(control(IDC_MAIN_RUN), BM_CLICK, 0, 0);
    HWND window = main_window();
    SendMessageA(window, WM_CLOSE, 0, 0);  // before the worker got any answer from the window
    EXPECT_FALSE(IsWindow(window));
    EXPECT_FALSE(run_in_progress());
    pump();
    // Every output that was started is complete.
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((output + "\\*.md5").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
        do EXPECT_EQ(read_file(output + "\\" + entry.cFileName).size(), 32u) << entry.cFileName;
        while (FindNextFileA(find, &entry));
        FindClose(find);
    }
    const std::string ini = read_settings();
    EXPECT_NE(ini.find("Input Directory 001=" + input + "\r\n"), std::string::npos) << ini;
    EXPECT_NE(ini.find("Converter001_Title=MD5\r\n"), std::string::npos) << ini;
}

TEST_F(RunTest, SettingsSurviveCloseAndRestart) {
    write_inputs(1);
    start("Converter002_Title=Second\r\nConverter002_ExeFile=x.exe\r\n", 2, 0);
    SetDlgItemTextA(main_window(), IDC_MAIN_INPUT_PATTERNS, "f1*.txt");
    SendMessageA(control(IDC_MAIN_RUN), BM_CLICK, 0, 0);
    pump_until([] { return !run_in_progress(); });
    SendMessageA(control(IDC_MAIN_CONVERTER), CB_SETCURSEL, 1, 0);
    click(IDC_MAIN_SUBFOLDERS);
    close_main_window();

    const std::string ini = read_settings();
    for (const std::string& line : std::vector<std::string>
         {"Input Directory 001=" + input, "File Patterns 001=f1*.txt", "File Patterns 002=*.txt",
          "Include Subfolders=0", "Output Directory 001=" + output, "Converter_Number=2",
          "Current Converter=1", "Converter002_Title=Second", "Converter002_ExeFile=x.exe"}) {
        SCOPED_TRACE(line);
        EXPECT_NE(ini.find(line + "\r\n"), std::string::npos) << ini;
    }

    open_main_window();
    EXPECT_EQ(text(IDC_MAIN_INPUT_PATTERNS), "f1*.txt");
    EXPECT_EQ(history_row(IDC_MAIN_INPUT_PATTERNS, 1), "*.txt");
    EXPECT_FALSE(is_ticked(IDC_MAIN_SUBFOLDERS));
    EXPECT_EQ(SendMessageA(control(IDC_MAIN_CONVERTER), CB_GETCURSEL, 0, 0), 1);
    EXPECT_EQ(SendMessageA(control(IDC_MAIN_CONVERTER), CB_GETCOUNT, 0, 0), 2);
}

TEST_F(RunTest, CurrentConverterBeyondTheListSelectsNothing) {
    start("", 1, 5);
    EXPECT_EQ(SendMessageA(control(IDC_MAIN_CONVERTER), CB_GETCURSEL, 0, 0), CB_ERR);
    EXPECT_EQ(SendMessageA(control(IDC_MAIN_CONVERTER), CB_GETCOUNT, 0, 0), 1);
}

}  // namespace
