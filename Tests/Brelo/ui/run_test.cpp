// Runs started from the main window with the real hashmd5 converter, Stop, closing during a run,
// what the log box receives, and the settings file across a close and a new start.
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include <windows.h>
#include <psapi.h>

#include <gtest/gtest.h>

#include "engine/converter.h"
#include "engine/run_settings.h"
#include "engine/scan.h"
#include "gui_harness.h"
#include "Common/wide_text.h"
#include "settings/settings_file.h"
#include "Support/run_program.h"
#include "Support/temp_dir.h"
#include "ui/resource.h"
#include "ui/window_run.h"

namespace {

using namespace gui;
using test_support::file_exists;
using test_support::read_file;
using test_support::write_file;

std::string history_row(int box, int row) {
    wchar_t buffer[260] = {};
    if (SendMessageW(control(box), CB_GETLBTEXTLEN, row, 0) >= 260) return "<too long>";
    SendMessageW(control(box), CB_GETLBTEXT, row, reinterpret_cast<LPARAM>(buffer));
    return wide_to_utf8(buffer);
}

int count_of(const std::string& text, const std::string& part) {
    int n = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

// The gate converter waits at its first file until the test opens the gate, so a test knows
// where the run stands. A gate left shut is opened when the test ends.
constexpr const char* gate_name = "BreloTestGate";

class Gate {
public:
    Gate() : event_(CreateEventA(nullptr, TRUE, FALSE, gate_name)) {}
    ~Gate() {
        open();
        CloseHandle(event_);
    }
    void open() { SetEvent(event_); }
    void shut() { ResetEvent(event_); }

private:
    HANDLE event_;
};

std::string gate_converter_keys(int number, const std::string& title) {
    char prefix[32];
    std::snprintf(prefix, sizeof prefix, "Converter%03d_", number);
    const std::string p = prefix;
    return p + "Title=" + title + "\r\n" + p +
           "ExeFile=" + test_support::program_path("brelo_ui_gate_converter") + "\r\n" + p +
           "Arguments=" + gate_name + " ${infile} ${outfile}\r\n" + p +
           "WorkDir=${location}\r\n";
}

// The log box shows a run that has started a file and not ended yet.
bool run_shown_at_a_file() {
    const std::string log = text(IDC_MAIN_LOG);
    return log.find("\tConsole:") != std::string::npos &&
           log.find(" Files are converted.") == std::string::npos;
}

// A log ends with its time stamp, "yyyy/mm/dd  hh:mm:ss".
constexpr std::size_t time_stamp_length = 20;

std::string without_time_stamp(const std::string& log) {
    return log.size() < time_stamp_length ? log : log.substr(0, log.size() - time_stamp_length);
}

class RunTest : public FoldersTest {
protected:
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
    // The memory counters before and after a run of a converter that writes 100 MB, with the
    // converter's extra keys, once its log was checked.
    std::pair<PROCESS_MEMORY_COUNTERS, PROCESS_MEMORY_COUNTERS> flood_run(const std::string& keys);
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
    wait_for_run_end();
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

// Stop is pressed while the gate holds the first file's converter: that converter finishes and
// no further file is started, so exactly the files shown at Stop are converted.
TEST_F(RunTest, StopEndsTheRunBetweenFiles) {
    constexpr int files = 30;
    write_inputs(files);
    Gate gate;
    start(gate_converter_keys(2, "Gate"), 2, 1);
    SendMessageA(control(IDC_MAIN_RUN), BM_CLICK, 0, 0);
    ASSERT_TRUE(pump_until(run_shown_at_a_file));
    const std::string shown_at_stop = text(IDC_MAIN_LOG);
    SetFocus(control(IDC_MAIN_RUN));
    SendMessageA(control(IDC_MAIN_RUN), BM_CLICK, 0, 0);
    EXPECT_EQ(text(IDC_MAIN_RUN), "Run");  // relabelled at once
    // Run is greyed while the stopped worker still finishes its file, and a press is ignored;
    // the focus has moved on, as a greyed button cannot hold it.
    EXPECT_FALSE(IsWindowEnabled(control(IDC_MAIN_RUN)));
    EXPECT_NE(GetFocus(), control(IDC_MAIN_RUN));
    SendMessageA(control(IDC_MAIN_RUN), BM_CLICK, 0, 0);
    EXPECT_EQ(text(IDC_MAIN_RUN), "Run");
    EXPECT_TRUE(run_in_progress());
    gate.open();
    wait_for_run_end();
    EXPECT_TRUE(IsWindowEnabled(control(IDC_MAIN_RUN)));
    ASSERT_FALSE(shown_at_stop.empty());
    const int converted = count_of(shown_at_stop, " -> ");
    EXPECT_EQ(converted, 1);
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

// Stop belongs to the window's own runs. Another brelo, or any program, that signals an event of
// the name older versions used neither stops this run nor can open its event.
TEST_F(RunTest, StopOfAnotherWindowDoesNotReachThisRun) {
    write_inputs(3);
    Gate gate;
    start(gate_converter_keys(2, "Gate"), 2, 1);
    SendMessageA(control(IDC_MAIN_RUN), BM_CLICK, 0, 0);
    ASSERT_TRUE(pump_until(run_shown_at_a_file));
    HANDLE named = OpenEventA(EVENT_MODIFY_STATE, FALSE, "StopConvert");
    EXPECT_EQ(named, nullptr);
    if (named) CloseHandle(named);
    // Another window's Stop, as it was delivered by name.
    HANDLE other = CreateEventA(nullptr, TRUE, FALSE, "StopConvert");
    ASSERT_NE(other, nullptr);
    SetEvent(other);
    gate.open();
    wait_for_run_end();
    CloseHandle(other);
    const std::string log = text(IDC_MAIN_LOG);
    EXPECT_NE(log.find("Total 3 Files are converted.\r\n"), std::string::npos) << log;
    EXPECT_EQ(log.find("Stopped:"), std::string::npos) << log;
    EXPECT_EQ(outputs(), 3);
}

// Handing the whole log to the box after every file made a long run slow down with every file:
// the box lays out all of its text each time. The box gets the header once, then only what is
// new, and ends with the run's whole log byte for byte.
TEST_F(RunTest, LogBoxGainsOnlyTheNewTextAndEndsWithTheWholeLog) {
    constexpr int files = 200;
    write_inputs(files);
    start();
    std::vector<std::string> whole_texts;
    int appends = 0;
    std::size_t bytes_received = 0;
    MessageCounter log_box(control(IDC_MAIN_LOG), [&](UINT message, WPARAM, LPARAM lparam) {
        if (message != WM_SETTEXT && message != EM_REPLACESEL) return false;
        const std::string piece = wide_to_utf8(reinterpret_cast<const wchar_t*>(lparam));
        if (message == WM_SETTEXT)
            whole_texts.push_back(piece);
        else
            ++appends;
        bytes_received += piece.size();
        return true;
    });
    run_to_end();

    const std::string log = text(IDC_MAIN_LOG);
    ASSERT_EQ(whole_texts.size(), 1u);
    EXPECT_EQ(whole_texts[0].rfind("[Converter - MD5]:\r\n\r\n", 0), 0u) << whole_texts[0];
    EXPECT_GT(appends, 0);
    EXPECT_EQ(bytes_received, log.size());  // no byte reached the box twice
    ASSERT_GT(log.size(), time_stamp_length);
    EXPECT_EQ(count_of(log, " -> "), files);

    // The entries come in the walk's order, which the scan of the same folder gives.
    RunSettings settings;
    settings.input_directory = input;
    settings.input_patterns = "*.txt";
    settings.output_directory = output;
    settings.output_pattern = "${prefix}.md5";
    const InputRefresh scan = refresh_input_tree(settings);
    ASSERT_TRUE(scan.trees);
    const ItemRange<PreviewFile> top_files = scan.trees->files_of(scan.trees->top());
    ASSERT_EQ(top_files.size(), static_cast<std::size_t>(files));
    std::string expected = "[Converter - MD5]:\r\n\r\n";
    for (const PreviewFile& file : top_files) {
        expected += input + "\\" + std::string(file.name) + " -> " + output + "\\" +
                    std::string(file.output_name) +
                    "\r\n\tConsole:Encrypt successful.\r\n\r\n";
    }
    expected += "\r\nTotal " + std::to_string(files) + " Files are converted.\r\n";
    // Under Wine a start now and then fails; its entry then says so in place of the converter's
    // line and the total counts it as failed, which is the engine's business, not the box's.
    std::string shown = without_time_stamp(log);
    const std::string not_started = "\tConsole:Create process failed.\r\n";
    const int failed = count_of(shown, not_started);
    replace_all_in_place(shown, not_started, "\tConsole:Encrypt successful.\r\n");
    if (failed > 0)
        replace_all_in_place(shown, std::to_string(failed) + " of them failed.\r\n", "");
    EXPECT_EQ(shown, expected);
}

// Whatever else writes into the box while the run goes on, the box ends with the run's whole
// log, as it did when the log was shown whole after each file.
TEST_F(RunTest, LogBoxEndsWithTheWholeLogWhateverElseWroteIntoIt) {
    struct Row {
        const char* label;
        std::function<void()> write;
        std::function<bool(const std::string&)> shown_then;
    };
    const Row rows[] = {
        {"a refresh", [] { click(IDC_MAIN_INPUT_REFRESH); },
         [](const std::string& shown) { return shown.empty(); }},
        {"the user typing",
         [] {
             SetFocus(control(IDC_MAIN_LOG));
             type_chars(control(IDC_MAIN_LOG), "typed");
         },
         [](const std::string& shown) { return shown.find("typed") != std::string::npos; }},
    };
    write_inputs(3);
    Gate gate;
    start(gate_converter_keys(2, "Gate"), 2, 1);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        gate.shut();
        SendMessageA(control(IDC_MAIN_RUN), BM_CLICK, 0, 0);
        ASSERT_TRUE(pump_until(run_shown_at_a_file));
        row.write();
        EXPECT_TRUE(row.shown_then(text(IDC_MAIN_LOG))) << text(IDC_MAIN_LOG);
        gate.open();
        wait_for_run_end();
        const std::string log = text(IDC_MAIN_LOG);
        EXPECT_EQ(log.rfind("[Converter - Gate]:\r\n\r\n", 0), 0u) << log;
        EXPECT_EQ(log.find("typed"), std::string::npos) << log;
        EXPECT_EQ(count_of(log, " -> "), 3) << log;
        EXPECT_EQ(count_of(log, "\tConsole:Gate passed.\r\n\r\n"), 3) << log;
        EXPECT_NE(log.find("\r\nTotal 3 Files are converted.\r\n"), std::string::npos) << log;
    }
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
    run_to_end();
    // A second converter chosen, as the box reports a choice.
    SendMessageA(control(IDC_MAIN_CONVERTER), CB_SETCURSEL, 1, 0);
    SendMessageA(main_window(), WM_COMMAND, MAKEWPARAM(IDC_MAIN_CONVERTER, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(control(IDC_MAIN_CONVERTER)));
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

// What BRELO.ini holds goes through the controls and back unchanged: the same file comes out.
TEST_F(RunTest, SettingsFileComesOutAsItWentIn) {
    StoredSettings stored;
    for (int i = 0; i < history_capacity; ++i) {
        const std::string n = std::to_string(i);
        stored.input_directories.push_back("D:\\In" + n);
        stored.input_patterns.push_back("*." + n);
        stored.output_directories.push_back("D:\\Out" + n);
        stored.output_patterns.push_back("${prefix}." + n);
    }
    stored.input_patterns[3] = "  padded  ";
    stored.include_subfolders = false;
    stored.input_auto_refresh = false;
    stored.output_auto_refresh = false;
    stored.converters = {{"A", "a.exe", "-a ${infile}", "${location}"},
                         {"B", "D:\\b.exe", "${infile} ${outfile}", ""},
                         {"C", "", "", "C:\\"}};
    stored.current_converter = 2;
    ASSERT_TRUE(save_settings(stored, settings_file_path()));
    const std::string written = read_settings();
    open_main_window();
    EXPECT_EQ(SendMessageA(control(IDC_MAIN_CONVERTER), CB_GETCURSEL, 0, 0), 2);
    close_main_window();
    // The window adds where it was, in a section of its own after the others.
    const std::string saved = read_settings();
    EXPECT_EQ(saved.substr(0, written.size()), written);
    EXPECT_EQ(saved.find("[", written.size()), saved.find("[Window]\r\n"));
    StoredSettings loaded = load_settings(settings_file_path());
    EXPECT_TRUE(loaded.window.known);
    loaded.window = WindowPlacement();
    EXPECT_TRUE(loaded == stored);
}

// A refresh during a run shows another folder at once; the run goes on with what Run took.
TEST_F(RunTest, RefreshDuringARunShowsAnotherFolderWhileTheRunGoesOn) {
    write_inputs(3);
    const std::string other = temp.file("other");
    CreateDirectoryA(other.c_str(), nullptr);
    write_file(other + "\\elsewhere.txt", "e");
    Gate gate;
    start(gate_converter_keys(2, "Gate"), 2, 1);
    SendMessageA(control(IDC_MAIN_RUN), BM_CLICK, 0, 0);
    ASSERT_TRUE(pump_until(run_shown_at_a_file));
    SetDlgItemTextA(main_window(), IDC_MAIN_INPUT_DIR, other.c_str());
    SetDlgItemTextA(main_window(), IDC_MAIN_INPUT_PATTERNS, "*");
    click(IDC_MAIN_INPUT_REFRESH);
    EXPECT_TRUE(run_in_progress());
    EXPECT_EQ(tree_text(IDC_MAIN_INPUT_TREE), other + "\n  elsewhere.txt\n");
    gate.open();
    wait_for_run_end();
    const std::string log = text(IDC_MAIN_LOG);
    EXPECT_EQ(count_of(log, " -> "), 3) << log;
    EXPECT_EQ(count_of(log, input + "\\f10"), 3) << log;
    EXPECT_EQ(log.find("elsewhere"), std::string::npos) << log;
    EXPECT_EQ(outputs(), 3);
    EXPECT_EQ(history_row(IDC_MAIN_INPUT_DIR, 0), input);
}

// 'a' to 'z' over and over from the first byte: what the stand-in converter writes.
std::string letters(std::size_t from, std::size_t count) {
    std::string text(count, ' ');
    for (std::size_t i = 0; i < count; ++i) text[i] = static_cast<char>('a' + (from + i) % 26);
    return text;
}

std::string child_converter_keys(int number, const std::string& title, std::size_t bytes) {
    char prefix[32];
    std::snprintf(prefix, sizeof prefix, "Converter%03d_", number);
    const std::string p = prefix;
    return p + "Title=" + title + "\r\n" + p +
           "ExeFile=" + test_support::program_path("console_child") + "\r\n" + p +
           "Arguments=bytes " + std::to_string(bytes) + "\r\n" + p + "WorkDir=${location}\r\n";
}

// Of a converter's console text the log keeps the first and the last 64 KB and says how much
// it left out; a text of exactly 128 KB comes whole.
TEST_F(RunTest, LogKeepsTheEndsOfAConverterTextBeyond128KB) {
    write_inputs(1);
    constexpr std::size_t kept = 64 * 1024;
    struct Row {
        const char* label;
        std::size_t bytes;
        std::string console;
    };
    const Row rows[] = {
        {"exactly both ends", 2 * kept, letters(0, 2 * kept)},
        {"one byte more", 2 * kept + 1,
         letters(0, kept) + "\r\n\t... 1 bytes of console text left out ...\r\n" +
             letters(kept + 1, kept)},
        {"far beyond", 3'000'000,
         letters(0, kept) + "\r\n\t... " + std::to_string(3'000'000 - 2 * kept) +
             " bytes of console text left out ...\r\n" + letters(3'000'000 - kept, kept)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        start(child_converter_keys(2, "Chatty", row.bytes), 2, 1);
        run_to_end();
        const std::string log = text(IDC_MAIN_LOG);
        const std::string expected = "[Converter - Chatty]:\r\n\r\n" + input + "\\f100.txt -> " +
                                     output + "\\f100.md5\r\n\tConsole:" + row.console +
                                     "\r\n\r\nTotal 1 Files are converted.\r\n";
        EXPECT_TRUE(without_time_stamp(log) == expected)
            << "log of " << log.size() << " bytes, expected " << expected.size();
        close_main_window();
    }
}

// A converter that writes 100 MB costs the window no more than its two ends.
std::pair<PROCESS_MEMORY_COUNTERS, PROCESS_MEMORY_COUNTERS> RunTest::flood_run(
    const std::string& keys) {
    write_inputs(1);
    start(child_converter_keys(2, "Flood", 100'000'000) + keys, 2, 1);
    PROCESS_MEMORY_COUNTERS before = {}, after = {};
    before.cb = after.cb = sizeof before;
    GetProcessMemoryInfo(GetCurrentProcess(), &before, sizeof before);
    run_to_end();
    GetProcessMemoryInfo(GetCurrentProcess(), &after, sizeof after);
    const std::string log = text(IDC_MAIN_LOG);
    EXPECT_LT(log.size(), 140u * 1024);
    EXPECT_NE(log.find("\t... " + std::to_string(100'000'000 - 128 * 1024) +
                       " bytes of console text left out ...\r\n"),
              std::string::npos);
    return {before, after};
}

constexpr SIZE_T flood_allowance = 48u * 1024 * 1024;

TEST_F(RunTest, ConverterWriting100MBLeavesTheWindowsMemoryAlone) {
    const auto [before, after] = flood_run("");
    EXPECT_LT(after.PeakPagefileUsage, before.PeakPagefileUsage + flood_allowance)
        << before.PeakPagefileUsage << " before, peak " << after.PeakPagefileUsage;
}

// The same side by side: the converter's text waits for delivery outside memory beyond a bound,
// and the window still keeps only its two ends. Measured by the peak of the working set, which
// Wine reports as the process's peak resident memory.
TEST_F(RunTest, ConverterWriting100MBSideBySideLeavesTheWindowsMemoryAlone) {
    const auto [before, after] = flood_run("Converter002_Parallel=2\r\n");
    EXPECT_LT(after.PeakWorkingSetSize, before.WorkingSetSize + flood_allowance)
        << before.WorkingSetSize << " before, peak " << after.PeakWorkingSetSize;
}

// The main window's own caption, as its template gives it.
constexpr const char* own_caption = "Brelo File Converter V1.1.1 by Ravo";

// The box goes into BRELO.ini and comes back ticked; a run with it ticked starts no converter
// for files whose output is newer, and one with it cleared converts them all.
TEST_F(RunTest, SkipUpToDateIsKeptAndARunWithItStartsNoConverter) {
    constexpr int files = 3;
    write_inputs(files);
    for (int i = 0; i < files; ++i) {
        const std::string name = "f" + std::to_string(100 + i);
        write_file(output + "\\" + name + ".md5", "old");
        make_an_hour_older(input + "\\" + name + ".txt");
    }
    start();
    EXPECT_FALSE(is_ticked(IDC_MAIN_SKIP_UP_TO_DATE));
    click(IDC_MAIN_SKIP_UP_TO_DATE);
    run_to_end();
    std::string log = text(IDC_MAIN_LOG);
    EXPECT_EQ(count_of(log, " -> "), files) << log;
    EXPECT_EQ(count_of(log, ".md5\r\n\tSkipped: the output is up to date.\r\n"), files) << log;
    EXPECT_EQ(log.find("\tConsole:"), std::string::npos) << log;
    EXPECT_NE(log.find("\r\nTotal 0 Files are converted.\r\n3 files were skipped: their output "
                       "was up to date.\r\n"),
              std::string::npos)
        << log;
    for (int i = 0; i < files; ++i)
        EXPECT_EQ(read_file(output + "\\f" + std::to_string(100 + i) + ".md5"), "old");
    close_main_window();
    const std::string ini = read_settings();
    const auto key = ini.find("\r\nSkip Up To Date=1\r\n");
    EXPECT_NE(key, std::string::npos) << ini;
    EXPECT_LT(ini.find("[Output]"), key);
    EXPECT_GT(ini.find("[Converter]"), key);

    open_main_window();
    EXPECT_TRUE(is_ticked(IDC_MAIN_SKIP_UP_TO_DATE));
    click(IDC_MAIN_SKIP_UP_TO_DATE);
    run_to_end();
    log = text(IDC_MAIN_LOG);
    EXPECT_EQ(log.find("Skipped"), std::string::npos) << log;
    EXPECT_NE(log.find("\r\nTotal 3 Files are converted.\r\n"), std::string::npos) << log;
    EXPECT_EQ(read_file(output + "\\f100.md5"), "CFCD208495D565EF66E7DFF9F98764DA");
    close_main_window();
    // A file that had the key keeps it, cleared.
    EXPECT_NE(read_settings().find("Skip Up To Date=0\r\n"), std::string::npos) << read_settings();
}

// The box and each converter's count at once go through the controls and back unchanged.
TEST_F(RunTest, SkipAndParallelSettingsComeOutAsTheyWentIn) {
    StoredSettings stored;
    stored.skip_up_to_date = true;
    stored.converters = {{"A", "a.exe", "${infile}", ""}, {"B", "b.exe", "", ""},
                         {"C", "c.exe", "", ""}};
    stored.converters[0].parallel = 0;
    stored.converters[2].parallel = 64;
    stored.current_converter = 1;
    ASSERT_TRUE(save_settings(stored, settings_file_path()));
    const std::string written = read_settings();
    ASSERT_NE(written.find("Converter003_Parallel=64\r\n"), std::string::npos) << written;
    open_main_window();
    EXPECT_TRUE(is_ticked(IDC_MAIN_SKIP_UP_TO_DATE));
    close_main_window();
    const std::string saved = read_settings();
    EXPECT_EQ(saved.substr(0, written.size()), written);
    StoredSettings loaded = load_settings(settings_file_path());
    loaded.window = WindowPlacement();
    EXPECT_TRUE(loaded == stored);
}

// During a run the caption tells the files done of the files matching, read while the gate
// holds the run at one file; afterwards it is the window's own again, whether the run went
// through or was stopped.
TEST_F(RunTest, CaptionShowsTheFilesDoneDuringARunAndComesBackAfterIt) {
    constexpr int files = 5;
    for (int i = 0; i < files; ++i)
        write_file(input + "\\f" + std::to_string(100 + i) + ".txt", i == 3 ? "hold" : "pass");
    Gate gate;
    start(gate_converter_keys(2, "Gate"), 2, 1);
    ASSERT_EQ(window_text(main_window()), own_caption);
    for (bool stop : {false, true}) {
        SCOPED_TRACE(stop ? "stopped" : "through");
        gate.shut();
        SendMessageA(control(IDC_MAIN_RUN), BM_CLICK, 0, 0);
        ASSERT_TRUE(pump_until([] {
            return run_shown_at_a_file() &&
                   text(IDC_MAIN_LOG).find("f103.txt -> ") != std::string::npos;
        }));
        // The walk's order is the file system's: the files before the held one are done.
        const int done = count_of(text(IDC_MAIN_LOG), " -> ") - 1;
        const std::string during = std::string(own_caption) + " - " + std::to_string(done) +
                                   " of " + std::to_string(files);
        EXPECT_TRUE(pump_until([&] { return window_text(main_window()) == during; }))
            << window_text(main_window()) << " instead of " << during;
        if (stop) SendMessageA(control(IDC_MAIN_RUN), BM_CLICK, 0, 0);
        gate.open();
        wait_for_run_end();
        EXPECT_EQ(window_text(main_window()), own_caption);
        const std::string log = text(IDC_MAIN_LOG);
        EXPECT_EQ(count_of(log, " -> "), stop ? done + 1 : files) << log;
    }
}

TEST_F(RunTest, CurrentConverterBeyondTheListSelectsNothing) {
    start("", 1, 5);
    EXPECT_EQ(SendMessageA(control(IDC_MAIN_CONVERTER), CB_GETCURSEL, 0, 0), CB_ERR);
    EXPECT_EQ(SendMessageA(control(IDC_MAIN_CONVERTER), CB_GETCOUNT, 0, 0), 1);
}

}  // namespace
