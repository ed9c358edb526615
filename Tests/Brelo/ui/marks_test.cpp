// The output tree's marks read back from the real window: the state image of each output file
// item after a refresh and after a run, and the tip the tree is given for it.
#include <algorithm>
#include <string>
#include <vector>

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "gui_harness.h"
#include "Common/wide_text.h"
#include "Support/run_program.h"
#include "Support/temp_dir.h"
#include "ui/resource.h"
#include "ui/window_run.h"

namespace {

using namespace gui;
using test_support::write_file;

// The state image numbers of the marks, as the bitmap strip orders them; a new output shows
// the blank one.
constexpr int new_file = 10, replace = 1, up_to_date = 2, shared = 3, same_as_input = 4,
              converted = 5, failed = 6;

// What the tree itself gets when it asks the window for an item's tip.
std::string tip_of(HTREEITEM item, LPARAM pair) {
    wchar_t buffer[INFOTIPSIZE] = {};
    NMTVGETINFOTIPW request = {};
    request.hdr.hwndFrom = control(IDC_MAIN_OUTPUT_TREE);
    request.hdr.idFrom = IDC_MAIN_OUTPUT_TREE;
    request.hdr.code = TVN_GETINFOTIPW;
    request.pszText = buffer;
    request.cchTextMax = INFOTIPSIZE;
    request.hItem = item;
    request.lParam = pair;
    SendMessageW(main_window(), WM_NOTIFY, IDC_MAIN_OUTPUT_TREE,
                 reinterpret_cast<LPARAM>(&request));
    return wide_to_utf8(buffer);
}

// The files under the output root, sorted, each as "name mark: tip".
std::vector<std::string> marked_files() {
    HWND tree = control(IDC_MAIN_OUTPUT_TREE);
    const HTREEITEM root =
        reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
    std::vector<std::string> files;
    for (auto item = reinterpret_cast<HTREEITEM>(
             SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(root)));
         item; item = reinterpret_cast<HTREEITEM>(SendMessageW(
                   tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(item)))) {
        TVITEMW data = {};
        data.mask = TVIF_HANDLE | TVIF_STATE | TVIF_PARAM;
        data.hItem = item;
        data.stateMask = TVIS_STATEIMAGEMASK;
        SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&data));
        const int mark = static_cast<int>((data.state & TVIS_STATEIMAGEMASK) >> 12);
        files.push_back(item_text(IDC_MAIN_OUTPUT_TREE, item) + " " + std::to_string(mark) +
                        ": " + tip_of(item, data.lParam));
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::vector<std::string> sorted(std::vector<std::string> lines) {
    std::sort(lines.begin(), lines.end());
    return lines;
}

std::string mark(const std::string& name, int image, const std::string& tip = "") {
    return name + " " + std::to_string(image) + ": " + tip;
}

class MarksTest : public GuiTest {
protected:
    void SetUp() override {
        GuiTest::SetUp();
        input = temp.file("in");
        CreateDirectoryA(input.c_str(), nullptr);
    }
    void start(const std::string& output, const std::string& patterns,
               const std::string& converter_keys) {
        write_settings("[Input]\r\nInput Directory 001=" + input + "\r\nFile Patterns 001=" +
                       patterns + "\r\nAuto Refresh=1\r\n[Output]\r\nOutput Directory 001=" +
                       output + "\r\nFile Patterns 001=${prefix}.md5\r\nAuto Refresh=1\r\n"
                       "[Converter]\r\nConverter_Number=1\r\nCurrent Converter=0\r\n" +
                       converter_keys);
        open_main_window();
        wait_for_refreshes();
    }
    std::string input;
};

// Every kind of mark in one folder that is its own output folder: fresh.md5 is newer than its
// input, old.md5 older; s.txt and s.csv share s.md5; self.md5 is the input itself. Up to date
// needs "Skip up-to-date files", whose click refreshes the output side when it refreshes itself.
TEST_F(MarksTest, RefreshMarksWhatRunWouldDoWithEachOutput) {
    for (const char* name : {"new.txt", "old.txt", "fresh.txt", "s.txt", "s.csv", "self.md5",
                             "old.md5", "fresh.md5"})
        write_file(input + "\\" + name, "0");
    make_an_hour_older(input + "\\fresh.txt");
    make_an_hour_older(input + "\\old.md5");
    start(input, "new.txt|old.txt|fresh.txt|s.*|self.md5", hashmd5_converter_keys(1, "MD5"));
    const std::string replaces = "Run will replace the file of this name.";
    const std::string refuses = "Run will refuse it: an earlier input has the same output name.";
    const std::string itself =
        "The output is the input itself: the converter would write over its input.";
    EXPECT_EQ(marked_files(),
              sorted({mark("new.md5", new_file), mark("old.md5", replace, replaces),
                      mark("fresh.md5", replace, replaces), mark("s.md5", new_file),
                      mark("s.md5", shared, refuses),
                      mark("self.md5", same_as_input, itself)}));
    const std::string log = text(IDC_MAIN_LOG);
    EXPECT_NE(log.find("\t2 outputs will be replaced, 1 output is its own input.\r\n"),
              std::string::npos)
        << log;

    click(IDC_MAIN_SKIP_UP_TO_DATE);
    EXPECT_EQ(marked_files(),
              sorted({mark("new.md5", new_file), mark("old.md5", replace, replaces),
                      mark("fresh.md5", up_to_date,
                           "Run will skip it: the output is up to date."),
                      mark("s.md5", new_file), mark("s.md5", shared, refuses),
                      mark("self.md5", same_as_input, itself)}));
}

// After a run each file shows how it ended and its tip says why, until the next refresh.
TEST_F(MarksTest, RunMarksEachFileWithItsEndUntilTheNextRefresh) {
    const std::string output = temp.file("out");
    CreateDirectoryA(output.c_str(), nullptr);
    write_file(input + "\\ok.txt", "0");
    write_file(input + "\\bad.txt", "7");
    write_file(input + "\\s.txt", "0");
    write_file(input + "\\s.csv", "0");
    start(output, "*.txt|*.csv",
          "Converter001_Title=Exit\r\nConverter001_ExeFile=" +
              test_support::program_path("console_child") +
              "\r\nConverter001_Arguments=exitfile ${infile}\r\nConverter001_WorkDir=${location}\r\n");
    ASSERT_TRUE(run_to_end());
    std::vector<std::string> files = marked_files();
    ASSERT_EQ(files.size(), 4u);
    EXPECT_EQ(files[0], mark("bad.md5", failed, "Failed: Converter exited with code 7."));
    EXPECT_EQ(files[1], mark("ok.md5", converted, "Converted."));
    // Which of the two keeps s.md5 is the walk's order.
    EXPECT_EQ(files[2], mark("s.md5", converted, "Converted."));
    const std::string refused = "s.md5 6: Failed: The output name is also that of " + input;
    EXPECT_EQ(files[3].substr(0, refused.size()), refused) << files[3];

    click(IDC_MAIN_INPUT_REFRESH);
    wait_for_refreshes();
    EXPECT_EQ(marked_files(),
              sorted({mark("bad.md5", new_file), mark("ok.md5", new_file), mark("s.md5", new_file),
                      mark("s.md5", shared,
                           "Run will refuse it: an earlier input has the same output name.")}));
}

}  // namespace
