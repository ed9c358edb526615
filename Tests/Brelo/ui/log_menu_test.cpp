// The log box's context menu, driven with the messages its items send: Save Log As...,
// Copy, Run Failed Again, and the window's job log and Keep Times along with them.
#include <cstdio>
#include <string>
#include <vector>

#include <windows.h>

#include <gtest/gtest.h>

#include "gui_harness.h"
#include "platform/platform.h"
#include "Common/wide_text.h"
#include "settings/settings_file.h"
#include "Support/run_program.h"
#include "Support/temp_dir.h"
#include "ui/log_menu.h"
#include "ui/resource.h"
#include "ui/window_run.h"
#include "ui/window_values.h"

namespace {

using namespace gui;
using test_support::read_file;
using test_support::write_file;

int count_of(const std::string& text, const std::string& part) {
    int n = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

void command(int id) {
    SendMessageW(main_window(), WM_COMMAND, MAKEWPARAM(id, 0), 0);
    pump();
}

std::string clipboard_text() {
    std::string text;
    if (!OpenClipboard(nullptr)) return "<no clipboard>";
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* wide = static_cast<const wchar_t*>(GlobalLock(data))) {
            text = wide_to_utf8(wide);
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

bool failed_again_enabled() {
    HMENU menu = create_log_menu();
    const UINT state = GetMenuState(menu, IDM_RUN_FAILED_AGAIN, MF_BYCOMMAND);
    DestroyMenu(menu);
    return state != static_cast<UINT>(-1) && !(state & MF_GRAYED);
}

// What a context menu that opened showed, taken from inside its loop, which is then ended.
struct OpenedMenu {
    int opened = 0;
    bool has_save = false;
    bool failed_again_grayed = false;
};

OpenedMenu open_menu_by(HWND target, LPARAM at) {
    OpenedMenu seen;
    MessageCounter watch(main_window(), [&seen](UINT message, WPARAM wparam, LPARAM) {
        if (message == WM_INITMENUPOPUP) {
            HMENU menu = reinterpret_cast<HMENU>(wparam);
            ++seen.opened;
            seen.has_save = GetMenuState(menu, IDM_SAVE_LOG, MF_BYCOMMAND) != UINT(-1);
            seen.failed_again_grayed =
                GetMenuState(menu, IDM_RUN_FAILED_AGAIN, MF_BYCOMMAND) & MF_GRAYED;
        }
        if (message == WM_ENTERIDLE && wparam == MSGF_MENU) EndMenu();
        return false;
    });
    SendMessageW(target, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(target), at);
    pump();
    return seen;
}

class LogMenuTest : public FoldersTest {
protected:
    // "exitfile" exits with the number its input holds: inputs holding 0 convert, others fail.
    // The converter writes nothing, so it is given no output path.
    void start(const std::string& output_keys = "") {
        const std::string p = "Converter001_";
        write_settings("[Input]\r\nInput Directory 001=" + input +
                       "\r\nFile Patterns 001=*.txt\r\nAuto Refresh=0\r\n[Output]\r\n"
                       "Output Directory 001=" + output +
                       "\r\nFile Patterns 001=${prefix}.md5\r\nAuto Refresh=0\r\n" + output_keys +
                       "[Converter]\r\nConverter_Number=2\r\nCurrent Converter=0\r\n" + p +
                       "Title=Exit\r\n" + p + "ExeFile=" +
                       test_support::program_path("console_child") + "\r\n" + p +
                       "Arguments=exitfile ${infile}\r\n" + p + "WorkDir=${location}\r\n" +
                       hashmd5_converter_keys(2, "MD5"));
        open_main_window();
    }
};

// The bytes of the box as it shows them, in UTF-8, every line ended by CR LF; a file that
// cannot be written leaves a notice after the log.
TEST_F(LogMenuTest, SaveLogWritesTheBoxAsUtf8WithCrLf) {
    open_main_window();
    const std::string shown = "[Converter - \xE6\x97\xA5\xE6\x9C\xAC]:\r\n\r\nline\nend";
    set_log_text(main_window(), shown);
    const std::string path = temp.file("saved \xE6\x97\xA5.log");
    ASSERT_TRUE(save_log_to(main_window(), path));
    EXPECT_EQ(read_file(path),
              "[Converter - \xE6\x97\xA5\xE6\x9C\xAC]:\r\n\r\nline\r\nend");
    EXPECT_EQ(text(IDC_MAIN_LOG), shown);
    EXPECT_FALSE(save_log_to(main_window(), temp.file("no such folder\\x.log")));
}

// Ctrl+S opens the save-file dialog; the file it names gets the log.
TEST_F(LogMenuTest, CtrlSSavesThroughTheDialog) {
    open_main_window();
    set_log_text(main_window(), "saved\r\n");
    const std::string path = temp.file("by dialog.log");
    post_modal_script("Save As", [&path](HWND dialog) {
        // The file name box (cmb13) of the explorer-style dialog.
        SetDlgItemTextW(dialog, 1148, utf8_to_wide(path).c_str());
        SendMessageW(dialog, WM_COMMAND, IDOK, 0);
    });
    HWND box = control(IDC_MAIN_LOG);
    SetFocus(box);
    MSG key = {box, WM_KEYDOWN, 'S', 0, 0, {0, 0}};
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    HACCEL accelerators = LoadAcceleratorsW(GetModuleHandleW(nullptr),
                                            MAKEINTRESOURCEW(IDR_ACCELERATORS));
    const bool translated = TranslateAcceleratorW(main_window(), accelerators, &key) != 0;
    keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);
    pump();
    EXPECT_TRUE(translated);
    EXPECT_EQ(read_file(path), "saved\r\n");
}

// Copy takes the selection, or the whole log when nothing is selected.
TEST_F(LogMenuTest, CopyTakesTheSelectionOrEverything) {
    open_main_window();
    set_log_text(main_window(), "first \xE6\x97\xA5 line\r\nsecond");
    SendMessageW(control(IDC_MAIN_LOG), EM_SETSEL, 6, 7);
    command(IDM_COPY_LOG);
    EXPECT_EQ(clipboard_text(), "\xE6\x97\xA5");
    SendMessageW(control(IDC_MAIN_LOG), EM_SETSEL, 3, 3);
    command(IDM_COPY_LOG);
    EXPECT_EQ(clipboard_text(), "first \xE6\x97\xA5 line\r\nsecond");
}

// The menu opens from the log box by the mouse and by the keyboard (-1, -1), with Run Failed
// Again greyed until a run leaves something unconverted; other controls keep their own.
TEST_F(LogMenuTest, ContextMenuOpensFromTheLogBoxOnly) {
    open_main_window();
    RECT box;
    GetWindowRect(control(IDC_MAIN_LOG), &box);
    for (const LPARAM at : {MAKELPARAM(box.left + 5, box.top + 5), LPARAM(-1)}) {
        const OpenedMenu seen = open_menu_by(control(IDC_MAIN_LOG), at);
        EXPECT_EQ(seen.opened, 1);
        EXPECT_TRUE(seen.has_save);
        EXPECT_TRUE(seen.failed_again_grayed);
    }
    EXPECT_FALSE(failed_again_enabled());
}

// A run where some files fail (and, with a job log set, its lines); Run Failed Again then runs
// those alone, with the settings as they are now, and is greyed after a run without failures.
TEST_F(LogMenuTest, RunFailedAgainRunsExactlyTheFailedFiles) {
    const std::string job_log = "log menu test.joblog";
    const std::string job_log_path = program_directory() + job_log;
    DeleteFileW(utf8_to_wide(job_log_path).c_str());
    for (const char* name : {"a", "c", "e"}) write_file(input + "\\" + name + ".txt", "0");
    for (const char* name : {"b", "d"}) write_file(input + "\\" + name + ".txt", "5");
    start("Job Log=" + job_log + "\r\n");
    run_to_end();
    std::string log = text(IDC_MAIN_LOG);
    EXPECT_NE(log.find("\r\nTotal 5 Files are converted.\r\n2 of them failed.\r\n"),
              std::string::npos)
        << log;
    std::string lines = read_file(job_log_path);
    EXPECT_EQ(lines.rfind("Seq\tHost\tStarttime", 0), 0u) << lines;
    EXPECT_EQ(count_of(lines, "\t1/1\t5\tconverted\t"), 3) << lines;
    EXPECT_EQ(count_of(lines, "\t1/1\t5\tfailed\t"), 2) << lines;
    EXPECT_TRUE(failed_again_enabled());
    EXPECT_FALSE(open_menu_by(control(IDC_MAIN_LOG), -1).failed_again_grayed);

    for (const char* name : {"b", "d"}) write_file(input + "\\" + name + ".txt", "0");
    write_file(input + "\\new.txt", "0");  // not in the earlier run: passed over
    command(IDM_RUN_FAILED_AGAIN);
    wait_for_run_end();
    log = text(IDC_MAIN_LOG);
    EXPECT_EQ(count_of(log, "\tConsole:"), 2) << log;
    for (const char* name : {"b", "d"})
        EXPECT_NE(log.find(input + "\\" + name + ".txt -> " + output + "\\" + name +
                           ".md5\r\n\tConsole:"),
                  std::string::npos)
            << log;
    EXPECT_EQ(count_of(log, "\r\n\tSkipped: done in the earlier run.\r\n"), 4) << log;
    EXPECT_NE(log.find("\r\nTotal 2 Files are converted.\r\n4 files were done in the earlier "
                       "run.\r\n"),
              std::string::npos)
        << log;
    lines = read_file(job_log_path);
    EXPECT_EQ(count_of(lines, "Seq\t"), 1) << lines;  // replaced, not appended to
    EXPECT_EQ(count_of(lines, "\tconverted\t"), 2) << lines;
    EXPECT_EQ(count_of(lines, "\tdone-earlier\t"), 4) << lines;
    EXPECT_FALSE(failed_again_enabled());
    close_main_window();
    EXPECT_NE(read_settings().find("\r\nJob Log=" + job_log + "\r\n"), std::string::npos);
    DeleteFileW(utf8_to_wide(job_log_path).c_str());
}

// Keep input times: outputs get their inputs' times, so that with skipping the next run starts
// no converter; the box is saved as Keep Times=1.
TEST_F(LogMenuTest, KeepInputTimesMakesTheNextSkippingRunConvertNothing) {
    for (const char* name : {"a", "b"}) {
        const std::string path = input + "\\" + name + ".txt";
        write_file(path, name);
        long long time = 0;
        ASSERT_TRUE(file_modified_time(path, time));
        ASSERT_TRUE(set_file_modified_time(path, time - 3600LL * file_time_units_per_second));
    }
    start();
    SendMessageW(control(IDC_MAIN_CONVERTER), CB_SETCURSEL, 1, 0);  // MD5, chosen as a user does
    SendMessageW(main_window(), WM_COMMAND, MAKEWPARAM(IDC_MAIN_CONVERTER, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(control(IDC_MAIN_CONVERTER)));
    EXPECT_FALSE(is_ticked(IDC_MAIN_KEEP_TIMES));
    click(IDC_MAIN_KEEP_TIMES);
    run_to_end();
    for (const char* name : {"a", "b"}) {
        long long in_time = 0, out_time = 0;
        ASSERT_TRUE(file_modified_time(input + "\\" + name + ".txt", in_time));
        ASSERT_TRUE(file_modified_time(output + "\\" + name + ".md5", out_time));
        EXPECT_EQ(out_time, in_time) << name;
    }
    click(IDC_MAIN_SKIP_UP_TO_DATE);
    run_to_end();
    const std::string log = text(IDC_MAIN_LOG);
    EXPECT_EQ(log.find("\tConsole:"), std::string::npos) << log;
    EXPECT_NE(log.find("\r\nTotal 0 Files are converted.\r\n2 files were skipped"),
              std::string::npos)
        << log;
    close_main_window();
    EXPECT_NE(read_settings().find("\r\nSkip Up To Date=1\r\nKeep Times=1\r\n[Converter]"),
              std::string::npos)
        << read_settings();
}

}  // namespace
