// Input refreshes on their worker: a newer refresh supersedes an older one, whose result never
// shows; typing waits for a pause and supersedes the scan of every earlier key; a scan that
// takes a while says so in the trees; its output names follow the fields as they are when it
// ends. The tests hold a scan's end in the queue instead of timing anything.
#include <functional>
#include <string>

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "engine/run_settings.h"
#include "engine/scan.h"
#include "gui_harness.h"
#include "Support/temp_dir.h"
#include "ui/resource.h"
#include "ui/tree_fill.h"
#include "ui/window_values.h"
#include "ui/window_scan.h"

namespace {

using namespace gui;
using test_support::write_file;

// True when a scan's end message waits in the thread's queue: its worker has ended.
bool scan_end_queued() {
    MSG message;
    return PeekMessageA(&message, main_window(), scan_ended_message, scan_ended_message,
                        PM_NOREMOVE) != 0;
}

long item_count(int tree) {
    return static_cast<long>(SendMessageW(control(tree), TVM_GETCOUNT, 0, 0));
}

// Carries out the thread's messages one at a time until done() holds, so a fill can be caught
// between two of its slices.
bool step_until(const std::function<bool()>& done) {
    for (int waits = 0; !done(); ) {
        MSG message;
        if (!PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (++waits > 1200) {
                ADD_FAILURE() << "the window never reached the awaited state";
                return false;
            }
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return true;
}

// Carries out every message but a scan's end until no fill is due: what a superseded fill
// leaves in the trees before the newer scan's result arrives.
bool drain_fill_holding_scan_end() {
    for (int waits = 0; tree_fill_pending();) {
        MSG message;
        if (PeekMessageW(&message, nullptr, 0, scan_ended_message - 1, PM_REMOVE) ||
            PeekMessageW(&message, nullptr, scan_ended_message + 1, 0xFFFFFFFF, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
            continue;
        }
        if (++waits > 1200) {
            ADD_FAILURE() << "the superseded fill never ended";
            return false;
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
    }
    return true;
}

std::string first_root_text(int tree) {
    HTREEITEM root = reinterpret_cast<HTREEITEM>(
        SendMessageA(control(tree), TVM_GETNEXTITEM, TVGN_ROOT, 0));
    return root ? item_text(tree, root) : std::string();
}

// A big input folder (many folders of files), a small one, and an output folder.
class RefreshTest : public GuiTest {
protected:
    void SetUp() override {
        GuiTest::SetUp();
        big = temp.file("big");
        small = temp.file("small");
        output = temp.file("out");
        for (const std::string& dir : {big, small, output}) CreateDirectoryA(dir.c_str(), nullptr);
        for (int d = 0; d < 20; ++d) {
            const std::string dir = big + "\\d" + std::to_string(d);
            CreateDirectoryA(dir.c_str(), nullptr);
            for (int f = 0; f < 50; ++f) write_file(dir + "\\f" + std::to_string(f) + ".txt", "x");
        }
        write_file(small + "\\one.txt", "1");
        write_file(small + "\\two.dat", "2");
    }
    void start_with(const std::string& input, bool input_auto) {
        write_settings("[Input]\r\nInput Directory 001=" + input + "\r\nAuto Refresh=" +
                       (input_auto ? "1" : "0") + "\r\n[Output]\r\nOutput Directory 001=" +
                       output + "\r\n");
        open_main_window();
    }
    std::string big, small, output;
};

// Refresh on the big folder, then at once on the small one: only the second result shows,
// whether the first scan had ended by then (its end message waiting in the queue) or not.
TEST_F(RefreshTest, NewerRefreshSupersedesAnOlderOneWhoseResultNeverShows) {
    start_with(small, false);
    for (bool first_ended : {true, false}) {
        SCOPED_TRACE(first_ended ? "first scan ended" : "first scan maybe running");
        SetDlgItemTextA(main_window(), IDC_MAIN_INPUT_DIR, big.c_str());
        InputRefreshCounter shown = count_input_refreshes();
        SendMessageA(control(IDC_MAIN_INPUT_REFRESH), BM_CLICK, 0, 0);
        if (first_ended) {
            ASSERT_TRUE(pump_timers_until(scan_end_queued));
        }
        SetDlgItemTextA(main_window(), IDC_MAIN_INPUT_DIR, small.c_str());
        SendMessageA(control(IDC_MAIN_INPUT_REFRESH), BM_CLICK, 0, 0);
        wait_for_refreshes();
        EXPECT_EQ(shown.count(), 1);
        EXPECT_EQ(tree_text(IDC_MAIN_INPUT_TREE), small + "\n  one.txt\n  two.dat\n");
        EXPECT_EQ(tree_text(IDC_MAIN_OUTPUT_TREE), output + "\n  one.txt\n  two.dat\n");
        // Nothing of the first scan arrives later either.
        pump();
        EXPECT_EQ(shown.count(), 1);
    }
}

// Each key is typed once the scan of the key before has started: every key's scan is
// superseded by the next, and only the last one's result is shown.
TEST_F(RefreshTest, TypingSupersedesTheScanOfEveryEarlierKey) {
    start_with(small, true);
    InputRefreshCounter shown = count_input_refreshes();
    HWND edit = combo_edit(IDC_MAIN_INPUT_PATTERNS);
    SetFocus(edit);
    SendMessageA(edit, EM_SETSEL, 0, -1);
    const unsigned before = input_scans_started();
    const std::string typed = "*.txt";
    for (std::size_t i = 0; i < typed.size(); ++i) {
        SendMessageA(edit, WM_CHAR, static_cast<unsigned char>(typed[i]), 1);
        ASSERT_TRUE(pump_timers_until([&] { return input_scans_started() == before + i + 1; }));
    }
    wait_for_refreshes();
    EXPECT_EQ(input_scans_started() - before, typed.size());
    EXPECT_EQ(shown.count(), 1);
    EXPECT_EQ(tree_text(IDC_MAIN_INPUT_TREE), small + "\n  one.txt\n");
}

// Keys that come faster than the pause start no scan of their own.
TEST_F(RefreshTest, KeysWithinThePauseStartOneScan) {
    start_with(small, true);
    const unsigned before = input_scans_started();
    type_into(IDC_MAIN_INPUT_PATTERNS, "*.dat");
    EXPECT_EQ(input_scans_started() - before, 1u);
    EXPECT_EQ(tree_text(IDC_MAIN_INPUT_TREE), small + "\n  two.dat\n");
}

// While a scan runs, both trees say so above what they showed; its result replaces it all.
TEST_F(RefreshTest, ScanThatTakesAWhileShowsScanningInBothTrees) {
    start_with(small, false);
    click(IDC_MAIN_INPUT_REFRESH);
    SetDlgItemTextA(main_window(), IDC_MAIN_INPUT_DIR, big.c_str());
    SendMessageA(control(IDC_MAIN_INPUT_REFRESH), BM_CLICK, 0, 0);
    // The scan's end stays queued, so for the window the scan is still running.
    ASSERT_TRUE(pump_timers_until(
        [] { return first_root_text(IDC_MAIN_INPUT_TREE) == "Scanning..."; }));
    EXPECT_EQ(tree_text(IDC_MAIN_INPUT_TREE), "Scanning...\n" + small + "\n  one.txt\n  two.dat\n");
    EXPECT_EQ(tree_text(IDC_MAIN_OUTPUT_TREE),
              "Scanning...\n" + output + "\n  one.txt\n  two.dat\n");
    wait_for_refreshes();
    EXPECT_EQ(first_root_text(IDC_MAIN_INPUT_TREE), big);
    EXPECT_EQ(first_root_text(IDC_MAIN_OUTPUT_TREE), output);
    EXPECT_EQ(tree_text(IDC_MAIN_INPUT_TREE).find("Scanning..."), std::string::npos);
    EXPECT_EQ(tree_text(IDC_MAIN_OUTPUT_TREE).find("Scanning..."), std::string::npos);
}

// The output pattern typed while the scan ran names the result's files; the input side shows
// what the scan found.
TEST_F(RefreshTest, OutputNamesFollowTheFieldsAsTheyAreWhenTheScanEnds) {
    start_with(small, false);
    set_tick_quietly(IDC_MAIN_OUTPUT_AUTO, false);
    SendMessageA(control(IDC_MAIN_INPUT_REFRESH), BM_CLICK, 0, 0);
    HWND edit = combo_edit(IDC_MAIN_OUTPUT_PATTERN);
    SetFocus(edit);
    SendMessageA(edit, EM_SETSEL, 0, -1);
    for (char c : std::string("${prefix}.md5"))
        SendMessageA(edit, WM_CHAR, static_cast<unsigned char>(c), 1);
    wait_for_refreshes();
    EXPECT_EQ(tree_text(IDC_MAIN_INPUT_TREE), small + "\n  one.txt\n  two.dat\n");
    EXPECT_EQ(tree_text(IDC_MAIN_OUTPUT_TREE), output + "\n  one.md5\n  two.md5\n");
}

// A notice belongs to the scan whose result shows: the superseded scan's notice never reaches
// the log box.
TEST_F(RefreshTest, OnlyTheShownScansNoticeReachesTheLog) {
    start_with(small, false);
    SetDlgItemTextA(main_window(), IDC_MAIN_INPUT_DIR, (small + "\\missing").c_str());
    SendMessageA(control(IDC_MAIN_INPUT_REFRESH), BM_CLICK, 0, 0);
    ASSERT_TRUE(pump_timers_until(scan_end_queued));
    SetDlgItemTextA(main_window(), IDC_MAIN_INPUT_DIR, small.c_str());
    SendMessageA(control(IDC_MAIN_INPUT_REFRESH), BM_CLICK, 0, 0);
    wait_for_refreshes();
    EXPECT_EQ(text(IDC_MAIN_LOG), "");
    // And the other way round: the missing folder's notice is shown with its empty trees.
    SendMessageA(control(IDC_MAIN_INPUT_REFRESH), BM_CLICK, 0, 0);
    ASSERT_TRUE(pump_timers_until(scan_end_queued));
    SetDlgItemTextA(main_window(), IDC_MAIN_INPUT_DIR, (small + "\\missing").c_str());
    SendMessageA(control(IDC_MAIN_INPUT_REFRESH), BM_CLICK, 0, 0);
    wait_for_refreshes();
    EXPECT_NE(text(IDC_MAIN_LOG).find("[Input - Input Directory]:"), std::string::npos)
        << text(IDC_MAIN_LOG);
    EXPECT_EQ(tree_text(IDC_MAIN_INPUT_TREE), "");
}

// Both trees as the scan of dir with patterns shows them, the output side under the default
// output pattern.
std::string expected_trees(const std::string& dir, const std::string& patterns,
                           const std::string& output) {
    RunSettings settings;
    settings.input_directory = dir;
    settings.input_patterns = patterns;
    settings.include_subfolders = true;
    settings.output_directory = output;
    settings.output_pattern = "${prefix}.${suffix}";
    InputRefresh scan = refresh_input_tree(settings);
    if (!scan.trees) return "no trees";
    return render_tree(*scan.trees, TreeSide::Input, "\n") + "--\n" +
           render_tree(*scan.trees, TreeSide::Output, "\n");
}

std::string shown_trees() {
    return tree_text(IDC_MAIN_INPUT_TREE) + "--\n" + tree_text(IDC_MAIN_OUTPUT_TREE);
}

// What a tree shows without the "Scanning..." item a running scan puts on top.
std::string without_scanning(const std::string& tree) {
    const std::string line = std::string(scanning_text) + "\n";
    return tree.rfind(line, 0) == 0 ? tree.substr(line.size()) : tree;
}

long tree_controls() {
    long count = 0;
    for (HWND child = GetWindow(main_window(), GW_CHILD); child;
         child = GetWindow(child, GW_HWNDNEXT)) {
        char name[32] = {};
        GetClassNameA(child, name, sizeof name);
        if (lstrcmpiA(name, WC_TREEVIEWA) == 0) ++count;
    }
    return count;
}

// Big trees go in a slice at a time, into new hidden trees, and the trees they replace are
// emptied a slice at a time once hidden. A refresh that starts while a result is put in stops
// that fill: the shown trees keep the result before, whole, until the newest one replaces them,
// never part of two, whichever moment the newer refresh came; no tree control is left over.
TEST_F(RefreshTest, RefreshStartedMidFillLeavesOnlyTheNewestResult) {
    const long big_items = 1 + 20 + 20 * 50;
    struct Row {
        const char* label;
        std::string opening_pattern;  // shown complete before the first refresh
        std::string first_pattern;    // the refresh caught mid-fill
        bool caught_taking_out;       // else caught putting the new items in
        bool second_big;              // the superseding refresh: the big folder or the small one
    };
    const Row rows[] = {
        {"putting in, then the big folder again", "*.dat", "*.txt", false, true},
        {"putting in, then the small folder", "*.dat", "*.txt", false, false},
        {"taking out, then the small folder", "*.txt", "f1*", true, false},
        {"taking out, then the big folder again", "*.txt", "f1*", true, true},
    };
    start_with(big, false);
    set_tick_quietly(IDC_MAIN_SUBFOLDERS, true);
    // Small slices, so each fill takes many; every other test fills in one.
    struct SliceCap {
        SliceCap() { set_tree_slice_items(40); }
        ~SliceCap() { set_tree_slice_items(0); }
    } cap;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        SetDlgItemTextA(main_window(), IDC_MAIN_INPUT_DIR, big.c_str());
        SetDlgItemTextA(main_window(), IDC_MAIN_INPUT_PATTERNS, row.opening_pattern.c_str());
        click(IDC_MAIN_INPUT_REFRESH);
        const long opening_items = item_count(IDC_MAIN_INPUT_TREE);
        EXPECT_EQ(tree_controls(), 2);

        SetDlgItemTextA(main_window(), IDC_MAIN_INPUT_PATTERNS, row.first_pattern.c_str());
        SendMessageA(control(IDC_MAIN_INPUT_REFRESH), BM_CLICK, 0, 0);
        const bool caught = step_until([&] {
            if (!tree_fill_pending()) return false;
            if (row.caught_taking_out) {
                // The first result shows; the trees it replaced are being emptied.
                HWND old = control(IDC_MAIN_INPUT_TREE_RETIRED);
                const long left = static_cast<long>(SendMessageW(old, TVM_GETCOUNT, 0, 0));
                return old && !IsWindowVisible(old) && left > 40 && left < opening_items - 40;
            }
            HWND coming = control(IDC_MAIN_INPUT_TREE_COMING);
            const long count = static_cast<long>(SendMessageW(coming, TVM_GETCOUNT, 0, 0));
            return coming && !IsWindowVisible(coming) && count > 40 && count < big_items;
        });
        ASSERT_TRUE(caught);
        const std::string before_newer =
            row.caught_taking_out ? expected_trees(big, row.first_pattern, output)
                                  : expected_trees(big, row.opening_pattern, output);
        EXPECT_EQ(without_scanning(tree_text(IDC_MAIN_INPUT_TREE)) + "--\n" +
                      without_scanning(tree_text(IDC_MAIN_OUTPUT_TREE)),
                  before_newer);

        const std::string second_dir = row.second_big ? big : small;
        const std::string second_pattern = row.second_big ? "f2*" : "*";
        SetDlgItemTextA(main_window(), IDC_MAIN_INPUT_DIR, second_dir.c_str());
        SetDlgItemTextA(main_window(), IDC_MAIN_INPUT_PATTERNS, second_pattern.c_str());
        SendMessageA(control(IDC_MAIN_INPUT_REFRESH), BM_CLICK, 0, 0);
        // The superseded fill stops and its trees go; the shown ones stay as they were, with at
        // most "Scanning..." on top, until the newer result comes.
        ASSERT_TRUE(drain_fill_holding_scan_end());
        EXPECT_EQ(tree_controls(), 2);
        EXPECT_EQ(without_scanning(tree_text(IDC_MAIN_INPUT_TREE)) + "--\n" +
                      without_scanning(tree_text(IDC_MAIN_OUTPUT_TREE)),
                  before_newer);
        wait_for_refreshes();
        EXPECT_EQ(shown_trees(), expected_trees(second_dir, second_pattern, output));
        EXPECT_EQ(tree_controls(), 2);
        EXPECT_EQ(selected_item(IDC_MAIN_INPUT_TREE),
                  reinterpret_cast<HTREEITEM>(
                      SendMessageW(control(IDC_MAIN_INPUT_TREE), TVM_GETNEXTITEM, TVGN_ROOT, 0)));
    }
}

// The log box tells when inputs share an output name, after the input side's refresh and after
// the output side's, and says nothing once the names differ again.
TEST_F(RefreshTest, SharedOutputNamesAreToldInTheLog) {
    write_file(small + "\\one.dat", "3");
    start_with(small, false);
    const std::string said = "1 output name is shared by more than one input.";
    SetDlgItemTextA(main_window(), IDC_MAIN_OUTPUT_PATTERN, "${prefix}.md5");
    SendMessageA(control(IDC_MAIN_INPUT_REFRESH), BM_CLICK, 0, 0);
    wait_for_refreshes();
    EXPECT_NE(text(IDC_MAIN_LOG).find("[Output - File Patterns]:\r\n\r\n\t" + said),
              std::string::npos)
        << text(IDC_MAIN_LOG);
    SetDlgItemTextA(main_window(), IDC_MAIN_OUTPUT_PATTERN, "${prefix}.${suffix}");
    SendMessageA(control(IDC_MAIN_OUTPUT_REFRESH), BM_CLICK, 0, 0);
    EXPECT_EQ(text(IDC_MAIN_LOG), "");
    SetDlgItemTextA(main_window(), IDC_MAIN_OUTPUT_PATTERN, "same");
    SendMessageA(control(IDC_MAIN_OUTPUT_REFRESH), BM_CLICK, 0, 0);
    EXPECT_NE(text(IDC_MAIN_LOG).find(said), std::string::npos) << text(IDC_MAIN_LOG);
}

}  // namespace
