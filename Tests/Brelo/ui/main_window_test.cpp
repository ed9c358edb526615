// The main window created in-process and driven with messages: resources, start-up, the refresh
// triggers and how a refresh fills the trees, F5, tree mirroring and drops.
#include <map>
#include <set>
#include <string>
#include <vector>

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "engine/run_settings.h"
#include "engine/scan.h"
#include "gui_harness.h"
#include "Common/wide_text.h"
#include "settings/settings_file.h"
#include "Support/temp_dir.h"
#include "ui/dialog_rules.h"
#include "ui/resource.h"

namespace {

using namespace gui;
using test_support::write_file;

// An input folder with a nested match and a few files, and an empty output folder.
class MainWindowTest : public FoldersTest {
protected:
    void SetUp() override {
        FoldersTest::SetUp();
        CreateDirectoryA((input + "\\a").c_str(), nullptr);
        CreateDirectoryA((input + "\\a\\b").c_str(), nullptr);
        write_file(input + "\\a\\b\\c.txt", "c");
        write_file(input + "\\top.txt", "t");
    }
    // Start-up settings with both directories in the histories and the given auto refresh.
    void start_with(bool input_auto, bool output_auto) {
        write_settings("[Input]\r\nInput Directory 001=" + input + "\r\nAuto Refresh=" +
                       (input_auto ? "1" : "0") + "\r\n[Output]\r\nOutput Directory 001=" +
                       output + "\r\nAuto Refresh=" + (output_auto ? "1" : "0") + "\r\n");
        open_main_window();
    }
};

TEST_F(MainWindowTest, CaptionIconAndControlsInTabOrder) {
    open_main_window();
    EXPECT_EQ(window_text(main_window()), "Brelo File Converter V1.1.1 by Ravo");
    EXPECT_NE(SendMessageA(main_window(), WM_GETICON, ICON_BIG, 0), 0);
    const LONG style = GetWindowLongA(main_window(), GWL_STYLE);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_TRUE(style & WS_MAXIMIZEBOX);
    EXPECT_TRUE(style & WS_THICKFRAME);
    std::vector<int> ids;
    for (HWND child = GetWindow(main_window(), GW_CHILD); child;
         child = GetWindow(child, GW_HWNDNEXT)) {
        const int id = GetDlgCtrlID(child);
        if (id != -1 && id != 0xFFFF) ids.push_back(id);  // the labels have no id
    }
    // Keep input times (1050) comes between the output folder's row and its patterns' field.
    const std::vector<int> expected = {1025, 1001, 1002, 1007, 1004, 1020, 1015, 1021, 1026, 1028,
                                       1017, 1018, 1050, 12,  1005, 1019, 1023, 1016, 1006, 1022,
                                       1003};
    EXPECT_EQ(ids, expected);
    EXPECT_TRUE(GetWindowLongA(control(IDC_MAIN_INPUT_FRAME), GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
    EXPECT_TRUE(GetWindowLongA(control(IDC_MAIN_OUTPUT_FRAME), GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
    EXPECT_FALSE(GetWindowLongA(control(IDC_MAIN_LOG), GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
    EXPECT_EQ(text(IDC_MAIN_RUN), "Run");
    EXPECT_EQ(GetFocus(), combo_edit(IDC_MAIN_INPUT_DIR));
}

TEST_F(MainWindowTest, StartsCentredWithDefaultsWithoutSettingsFile) {
    open_main_window();
    RECT rect;
    GetWindowRect(main_window(), &rect);
    const WindowPosition centre =
        centred_position(rect.right - rect.left, rect.bottom - rect.top,
                         GetSystemMetrics(SM_CXFULLSCREEN), GetSystemMetrics(SM_CYFULLSCREEN));
    EXPECT_EQ(rect.left, centre.x);
    EXPECT_EQ(rect.top, centre.y);
    EXPECT_TRUE(IsWindowVisible(main_window()));
    EXPECT_EQ(text(IDC_MAIN_INPUT_DIR), "");
    EXPECT_EQ(text(IDC_MAIN_INPUT_PATTERNS), "*");
    EXPECT_EQ(text(IDC_MAIN_OUTPUT_PATTERN), "${prefix}.${suffix}");
    EXPECT_TRUE(is_ticked(IDC_MAIN_SUBFOLDERS));
    EXPECT_TRUE(is_ticked(IDC_MAIN_INPUT_AUTO));
    EXPECT_TRUE(is_ticked(IDC_MAIN_OUTPUT_AUTO));
    EXPECT_FALSE(is_ticked(IDC_MAIN_SKIP_UP_TO_DATE));
    EXPECT_EQ(SendMessageA(control(IDC_MAIN_CONVERTER), CB_GETCOUNT, 0, 0), 0);
    // Input auto refresh ran at start-up: the empty directory is reported in the log box.
    EXPECT_NE(text(IDC_MAIN_LOG).find("[Input - Input Directory]:"), std::string::npos);
}

TEST_F(MainWindowTest, StartUpRefreshFillsBothTreesOnlyWithInputAutoRefresh) {
    start_with(true, false);
    EXPECT_EQ(tree_text(IDC_MAIN_INPUT_TREE), input + "\n  a\n    b\n      c.txt\n  top.txt\n");
    EXPECT_EQ(tree_text(IDC_MAIN_OUTPUT_TREE), output + "\n  a\n    b\n      c.txt\n  top.txt\n");
    close_main_window();
    start_with(false, true);
    EXPECT_EQ(tree_text(IDC_MAIN_INPUT_TREE), "");
}

// Keys typed without a pause between them make one refresh, after the pause.
TEST_F(MainWindowTest, TypingRefreshesAfterThePauseOnlyWhileAutoRefreshTicked) {
    start_with(true, true);
    {
        InputRefreshCounter refreshes = count_input_refreshes();
        type_into(IDC_MAIN_INPUT_PATTERNS, "*.tx");
        EXPECT_EQ(refreshes.count(), 1);
    }
    EXPECT_EQ(tree_text(IDC_MAIN_INPUT_TREE), input + "\n");  // "*.tx" matches nothing
    set_tick_quietly(IDC_MAIN_INPUT_AUTO, false);
    InputRefreshCounter refreshes = count_input_refreshes();
    type_into(IDC_MAIN_INPUT_PATTERNS, "*");
    EXPECT_EQ(refreshes.count(), 0);
}

TEST_F(MainWindowTest, CheckBoxesRefreshOnlyWhenAutoRefreshIsOn) {
    start_with(false, false);
    InputRefreshCounter refreshes = count_input_refreshes();
    click(IDC_MAIN_SUBFOLDERS);  // Auto Refresh off: nothing changes on screen
    EXPECT_EQ(refreshes.count(), 0);
    EXPECT_EQ(tree_text(IDC_MAIN_INPUT_TREE), "");
    click(IDC_MAIN_INPUT_AUTO);  // ticking refreshes at once
    EXPECT_EQ(refreshes.count(), 1);
    EXPECT_EQ(tree_text(IDC_MAIN_INPUT_TREE), input + "\n  top.txt\n");  // subfolders now off
    click(IDC_MAIN_SUBFOLDERS);  // with Auto Refresh on, the click refreshes
    EXPECT_EQ(refreshes.count(), 2);
    EXPECT_EQ(tree_text(IDC_MAIN_INPUT_TREE), input + "\n  a\n    b\n      c.txt\n  top.txt\n");
    click(IDC_MAIN_INPUT_AUTO);  // clearing never refreshes
    EXPECT_EQ(refreshes.count(), 2);
}

TEST_F(MainWindowTest, OutputSideRenamesPreviewOnItsOwnTriggers) {
    start_with(true, false);
    InputRefreshCounter input_refreshes = count_input_refreshes();
    MessageCounter output_refreshes = count_output_refreshes();
    type_into(IDC_MAIN_OUTPUT_PATTERN, "x");  // output Auto Refresh off
    EXPECT_EQ(output_refreshes.count(), 0);
    EXPECT_EQ(tree_text(IDC_MAIN_OUTPUT_TREE), output + "\n  a\n    b\n      c.txt\n  top.txt\n");
    click(IDC_MAIN_OUTPUT_AUTO);
    EXPECT_EQ(output_refreshes.count(), 1);
    EXPECT_EQ(tree_text(IDC_MAIN_OUTPUT_TREE), output + "\n  a\n    b\n      x\n  x\n");
    type_into(IDC_MAIN_OUTPUT_PATTERN, "${prefix}.md5");
    EXPECT_EQ(output_refreshes.count(), 1 + 13);
    EXPECT_EQ(tree_text(IDC_MAIN_OUTPUT_TREE), output + "\n  a\n    b\n      c.md5\n  top.md5\n");
    EXPECT_EQ(input_refreshes.count(), 0);
    EXPECT_EQ(tree_text(IDC_MAIN_INPUT_TREE), input + "\n  a\n    b\n      c.txt\n  top.txt\n");
    click(IDC_MAIN_OUTPUT_REFRESH);
    EXPECT_EQ(output_refreshes.count(), 15);
    click(IDC_MAIN_INPUT_REFRESH);
    EXPECT_EQ(input_refreshes.count(), 1);
}

// A placeholder the window does not know is told in the log box as the refresh's notice; the
// preview keeps the text in the names, and a pattern without one clears the notice.
TEST_F(MainWindowTest, UnknownPlaceholderIsNamedInTheLogBox) {
    start_with(true, true);
    type_into(IDC_MAIN_OUTPUT_PATTERN, "${prefx}.md5");
    EXPECT_EQ(tree_text(IDC_MAIN_OUTPUT_TREE),
              output + "\n  a\n    b\n      ${prefx}.md5\n  ${prefx}.md5\n");
    const std::string log = text(IDC_MAIN_LOG);
    EXPECT_EQ(log.rfind("[Output - File Patterns]:\r\n\r\n\tUnknown placeholder ${prefx} stays "
                        "in the names as typed;", 0), 0u) << log;
    type_into(IDC_MAIN_OUTPUT_PATTERN, "${prefix}.md5");
    EXPECT_EQ(text(IDC_MAIN_LOG), "");
}

// What one tree control received while it was watched; the "Scanning..." item that a slow
// scan puts on top is no part of a fill. A message counts as on screen when the control was
// visible and drawing as it came. Numbers order the events of all trees.
struct TreeMessages {
    int deletes = 0;
    int deletes_on_screen = 0;
    int root_deletes = 0;
    int inserts = 0;
    int inserts_on_screen = 0;
    bool drawing = true;
    int shown_at = 0;         // when it was last shown; 0 for never
    int first_delete_at = 0;  // 0 for none
};

// Watches every tree control of the thread, including those made meanwhile, through a hook
// that sees each message sent to them before they do.
class TreeWatch {
public:
    TreeWatch() {
        watch_ = this;
        hook_ = SetWindowsHookExW(WH_CALLWNDPROC, &TreeWatch::hook, nullptr,
                                  GetCurrentThreadId());
    }
    ~TreeWatch() {
        UnhookWindowsHookEx(hook_);
        watch_ = nullptr;
    }
    std::map<HWND, TreeMessages> seen;

private:
    static LRESULT CALLBACK hook(int code, WPARAM wparam, LPARAM lparam) {
        if (code == HC_ACTION && watch_) watch_->note(*reinterpret_cast<CWPSTRUCT*>(lparam));
        return CallNextHookEx(nullptr, code, wparam, lparam);
    }
    void note(const CWPSTRUCT& message) {
        wchar_t name[32] = {};
        GetClassNameW(message.hwnd, name, 32);
        if (lstrcmpiW(name, WC_TREEVIEWW) != 0) return;
        TreeMessages& tree = seen[message.hwnd];
        const bool on_screen = tree.drawing && IsWindowVisible(message.hwnd);
        ++events_;
        if (message.message == WM_SETREDRAW) tree.drawing = message.wParam != 0;
        if (message.message == WM_SHOWWINDOW && message.wParam) tree.shown_at = events_;
        if (message.message == TVM_DELETEITEM) {
            ++tree.deletes;
            if (!tree.first_delete_at) tree.first_delete_at = events_;
            if (on_screen) ++tree.deletes_on_screen;
            if (reinterpret_cast<HTREEITEM>(message.lParam) == TVI_ROOT) ++tree.root_deletes;
        }
        if (message.message == TVM_INSERTITEMW) {
            const auto* insert = reinterpret_cast<const TVINSERTSTRUCTW*>(message.lParam);
            const wchar_t* text = insert->item.pszText;
            if (text && text != LPSTR_TEXTCALLBACKW && std::wstring(text) == L"Scanning...")
                return;
        }
        if (message.message == TVM_INSERTITEMA || message.message == TVM_INSERTITEMW) {
            ++tree.inserts;
            if (on_screen) ++tree.inserts_on_screen;
        }
    }
    static TreeWatch* watch_;
    HHOOK hook_ = nullptr;
    int events_ = 0;
};

TreeWatch* TreeWatch::watch_ = nullptr;

LPARAM item_param(int tree, HTREEITEM item) {
    TVITEMW data = {};
    data.mask = TVIF_HANDLE | TVIF_PARAM;
    data.hItem = item;
    SendMessageW(control(tree), TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&data));
    return data.lParam;
}

HTREEITEM next_item(int tree, HTREEITEM item, UINT relation) {
    return reinterpret_cast<HTREEITEM>(
        SendMessageA(control(tree), TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(item)));
}

// Walks both trees side by side: the items at the same place in the two trees carry the same
// pair number as their parameter, and no two places share one. Returns the number of pairs.
int check_partners(HTREEITEM input_item, HTREEITEM output_item, std::set<LPARAM>& numbers) {
    int pairs = 0;
    while (input_item || output_item) {
        EXPECT_TRUE(input_item && output_item) << "the trees differ in shape";
        if (!input_item || !output_item) return pairs;
        const LPARAM number = item_param(IDC_MAIN_INPUT_TREE, input_item);
        EXPECT_NE(number, 0);
        EXPECT_EQ(item_param(IDC_MAIN_OUTPUT_TREE, output_item), number);
        EXPECT_TRUE(numbers.insert(number).second) << "pair number " << number << " twice";
        pairs += 1 + check_partners(next_item(IDC_MAIN_INPUT_TREE, input_item, TVGN_CHILD),
                                    next_item(IDC_MAIN_OUTPUT_TREE, output_item, TVGN_CHILD),
                                    numbers);
        input_item = next_item(IDC_MAIN_INPUT_TREE, input_item, TVGN_NEXT);
        output_item = next_item(IDC_MAIN_OUTPUT_TREE, output_item, TVGN_NEXT);
    }
    return pairs;
}

int check_partners() {
    std::set<LPARAM> numbers;
    return check_partners(next_item(IDC_MAIN_INPUT_TREE, nullptr, TVGN_ROOT),
                          next_item(IDC_MAIN_OUTPUT_TREE, nullptr, TVGN_ROOT), numbers);
}

// Drawing a big tree after every insertion made refreshes slow, and a tree control takes long
// to give up many items: each result goes into new trees while they are hidden, which then take
// the shown trees' place; the replaced trees are emptied item by item only once hidden, after
// the new ones show, and then destroyed. The output side only renames.
TEST_F(MainWindowTest, RefreshFillsNewHiddenTreesAndEmptiesTheReplacedOnesAfterwards) {
    for (int i = 0; i < 20; ++i) write_file(input + "\\a\\f" + std::to_string(i) + ".txt", "f");
    start_with(true, true);
    const HWND replaced[] = {control(IDC_MAIN_INPUT_TREE), control(IDC_MAIN_OUTPUT_TREE)};
    TreeWatch watch;
    click(IDC_MAIN_INPUT_REFRESH);
    const HWND made[] = {control(IDC_MAIN_INPUT_TREE), control(IDC_MAIN_OUTPUT_TREE)};
    const int items = 25;  // the root, a, b, c.txt, f0 ... f19 and top.txt
    for (int side = 0; side < 2; ++side) {
        SCOPED_TRACE(side == 0 ? "input tree" : "output tree");
        EXPECT_NE(made[side], replaced[side]);
        EXPECT_FALSE(IsWindow(replaced[side]));
        EXPECT_TRUE(IsWindowVisible(made[side]));
        const TreeMessages& old = watch.seen[replaced[side]];
        const TreeMessages& now = watch.seen[made[side]];
        EXPECT_EQ(old.inserts, 0);
        EXPECT_EQ(old.deletes, items);
        EXPECT_EQ(old.deletes_on_screen, 0);
        EXPECT_EQ(old.root_deletes, 0);
        EXPECT_GT(old.first_delete_at, now.shown_at);
        EXPECT_GT(now.shown_at, 0);
        EXPECT_EQ(now.inserts, items);
        EXPECT_EQ(now.inserts_on_screen, 0);
        EXPECT_EQ(now.deletes, 0);
        EXPECT_TRUE(now.drawing);
    }
    EXPECT_EQ(watch.seen.size(), 4u);  // no other tree was made
    // The trees show the scan's value, in its order.
    RunSettings settings;
    settings.input_directory = input;
    settings.input_patterns = "*";
    settings.output_directory = output;
    settings.output_pattern = "${prefix}.${suffix}";
    InputRefresh scan = refresh_input_tree(settings);
    ASSERT_TRUE(scan.trees);
    EXPECT_EQ(tree_text(IDC_MAIN_INPUT_TREE), render_tree(*scan.trees, TreeSide::Input, "\n"));
    EXPECT_EQ(tree_text(IDC_MAIN_OUTPUT_TREE), render_tree(*scan.trees, TreeSide::Output, "\n"));
    EXPECT_EQ(tree_text(IDC_MAIN_INPUT_TREE).rfind(input + "\n  a\n    b\n      c.txt\n", 0), 0u);
    EXPECT_EQ(check_partners(), items);

    watch.seen.clear();
    type_into(IDC_MAIN_OUTPUT_PATTERN, "${prefix}");
    for (const auto& tree : watch.seen) {
        EXPECT_EQ(tree.second.deletes, 0);
        EXPECT_EQ(tree.second.inserts, 0);
    }
    EXPECT_EQ(control(IDC_MAIN_OUTPUT_TREE), made[1]);
    settings.output_pattern = "${prefix}";
    refresh_output_tree(&*scan.trees, settings);
    EXPECT_EQ(tree_text(IDC_MAIN_OUTPUT_TREE), render_tree(*scan.trees, TreeSide::Output, "\n"));
    EXPECT_NE(tree_text(IDC_MAIN_OUTPUT_TREE).find("\n  top\n"), std::string::npos);
    EXPECT_EQ(check_partners(), items);
}

TEST_F(MainWindowTest, ChosenHistoryRowIsInTheFieldBeforeTheRefresh) {
    write_settings("[Input]\r\nInput Directory 001=" + temp.path() + "\r\nInput Directory 002=" +
                   input + "\r\n");
    open_main_window();
    EXPECT_EQ(text(IDC_MAIN_INPUT_DIR), temp.path());
    SendMessageA(control(IDC_MAIN_INPUT_DIR), CB_SETCURSEL, 1, 0);
    SetDlgItemTextA(main_window(), IDC_MAIN_INPUT_DIR, temp.path().c_str());  // still the old text
    SendMessageA(main_window(), WM_COMMAND, MAKEWPARAM(IDC_MAIN_INPUT_DIR, CBN_SELENDOK),
                 reinterpret_cast<LPARAM>(control(IDC_MAIN_INPUT_DIR)));
    wait_for_refreshes();
    EXPECT_EQ(text(IDC_MAIN_INPUT_DIR), input);
    EXPECT_NE(find_item(IDC_MAIN_INPUT_TREE, nullptr, input), nullptr);
}

TEST_F(MainWindowTest, F5RefreshesTheSideThatHasTheFocus) {
    start_with(false, false);
    struct Row {
        const char* label;
        HWND (*focus)();  // looked up as the row begins: an input refresh makes new trees
        int input_refreshes;
        int output_refreshes;
    };
    click(IDC_MAIN_INPUT_REFRESH);  // the output side renames only once the trees hold items
    const Row rows[] = {
        {"edit field of the output pattern", [] { return combo_edit(IDC_MAIN_OUTPUT_PATTERN); },
         0, 1},
        {"edit field of the output directory", [] { return combo_edit(IDC_MAIN_OUTPUT_DIR); },
         0, 1},
        {"edit field of the input patterns", [] { return combo_edit(IDC_MAIN_INPUT_PATTERNS); },
         1, 0},
        {"edit field of the input directory", [] { return combo_edit(IDC_MAIN_INPUT_DIR); }, 1, 0},
        {"input tree", [] { return control(IDC_MAIN_INPUT_TREE); }, 1, 0},
        {"Include Subfolders", [] { return control(IDC_MAIN_SUBFOLDERS); }, 1, 0},
        {"output tree", [] { return control(IDC_MAIN_OUTPUT_TREE); }, 0, 1},
        {"output Browse", [] { return control(IDC_MAIN_OUTPUT_BROWSE); }, 0, 1},
        {"Skip up-to-date files", [] { return control(IDC_MAIN_SKIP_UP_TO_DATE); }, 0, 1},
        {"Keep input times", [] { return control(IDC_MAIN_KEEP_TIMES); }, 0, 1},
        {"Run", [] { return control(IDC_MAIN_RUN); }, 0, 0},
        {"Configure", [] { return control(IDC_MAIN_CONFIGURE); }, 0, 0},
        {"log box", [] { return control(IDC_MAIN_LOG); }, 0, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        InputRefreshCounter input_refreshes = count_input_refreshes();
        MessageCounter output_refreshes = count_output_refreshes();
        press_f5(row.focus());
        EXPECT_EQ(input_refreshes.count(), row.input_refreshes);
        EXPECT_EQ(output_refreshes.count(), row.output_refreshes);
    }
}

TEST_F(MainWindowTest, EnterAndEscapeDoNothing) {
    start_with(true, true);
    for (WPARAM key : {VK_RETURN, VK_ESCAPE}) {
        SetFocus(control(IDC_MAIN_RUN));
        PostMessageA(control(IDC_MAIN_RUN), WM_KEYDOWN, key, 1);
        pump();
        EXPECT_TRUE(IsWindow(main_window()));
        EXPECT_EQ(text(IDC_MAIN_RUN), "Run");
    }
}

// The user's expansion and selection in the tree under the cursor reach the partner items.
TEST_F(MainWindowTest, TreeUnderTheCursorIsMirrored) {
    start_with(true, true);
    struct Row {
        const char* label;
        int tree;
        std::string root;
        std::string other_root;
    };
    const Row rows[] = {
        {"from the input tree", IDC_MAIN_INPUT_TREE, input, output},
        {"from the preview", IDC_MAIN_OUTPUT_TREE, output, input},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        const int other = other_tree_id(row.tree);
        HTREEITEM a = find_item(row.tree, find_item(row.tree, nullptr, row.root), "a");
        HTREEITEM partner = find_item(other, find_item(other, nullptr, row.other_root), "a");
        ASSERT_TRUE(a && partner);
        move_cursor_over(row.tree);
        SetFocus(control(row.tree));
        SendMessageA(control(row.tree), TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(a));
        pump();
        EXPECT_EQ(selected_item(other), partner);
        SendMessageA(control(row.tree), WM_KEYDOWN, VK_ADD, 1);  // the user expands "a"
        pump();
        EXPECT_TRUE(is_expanded(row.tree, a));
        EXPECT_TRUE(is_expanded(other, partner));
        SendMessageA(control(row.tree), WM_KEYDOWN, VK_SUBTRACT, 1);
        pump();
        EXPECT_FALSE(is_expanded(row.tree, a));
        EXPECT_FALSE(is_expanded(other, partner));
    }
}

TEST_F(MainWindowTest, TreeAwayFromTheCursorIsNotMirrored) {
    start_with(true, true);
    HTREEITEM a =
        find_item(IDC_MAIN_INPUT_TREE, find_item(IDC_MAIN_INPUT_TREE, nullptr, input), "a");
    HTREEITEM partner =
        find_item(IDC_MAIN_OUTPUT_TREE, find_item(IDC_MAIN_OUTPUT_TREE, nullptr, output), "a");
    HTREEITEM selected_before = selected_item(IDC_MAIN_OUTPUT_TREE);
    move_cursor_over(IDC_MAIN_LOG);
    SetFocus(control(IDC_MAIN_INPUT_TREE));
    SendMessageA(control(IDC_MAIN_INPUT_TREE), TVM_SELECTITEM, TVGN_CARET,
                 reinterpret_cast<LPARAM>(a));
    SendMessageA(control(IDC_MAIN_INPUT_TREE), WM_KEYDOWN, VK_ADD, 1);
    pump();
    EXPECT_TRUE(is_expanded(IDC_MAIN_INPUT_TREE, a));
    EXPECT_FALSE(is_expanded(IDC_MAIN_OUTPUT_TREE, partner));
    EXPECT_EQ(selected_item(IDC_MAIN_OUTPUT_TREE), selected_before);
}

static std::string first_visible(int tree) {
    HTREEITEM item = reinterpret_cast<HTREEITEM>(
        SendMessageA(control(tree), TVM_GETNEXTITEM, TVGN_FIRSTVISIBLE, 0));
    return item ? item_text(tree, item) : std::string();
}

TEST_F(MainWindowTest, ScrollingOneTreeScrollsTheOtherOnce) {
    for (int i = 0; i < 40; ++i) write_file(input + "\\f" + std::to_string(100 + i) + ".txt", "x");
    start_with(true, true);
    struct Row {
        const char* label;
        int tree;
        UINT message;
        WPARAM wparam;
    };
    const Row rows[] = {
        {"input tree, line down", IDC_MAIN_INPUT_TREE, WM_VSCROLL, SB_LINEDOWN},
        {"preview, page down", IDC_MAIN_OUTPUT_TREE, WM_VSCROLL, SB_PAGEDOWN},
        {"input tree, wheel", IDC_MAIN_INPUT_TREE, WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA)},
        {"preview, line up", IDC_MAIN_OUTPUT_TREE, WM_VSCROLL, SB_LINEUP},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        const std::string before = first_visible(row.tree);
        SendMessageA(control(row.tree), row.message, row.wparam, 0);
        pump();
        EXPECT_NE(first_visible(row.tree), before);
        EXPECT_EQ(first_visible(IDC_MAIN_INPUT_TREE), first_visible(IDC_MAIN_OUTPUT_TREE));
    }
    // A message that carries the marker has been mirrored already: it is not sent on.
    const std::string preview_before = first_visible(IDC_MAIN_OUTPUT_TREE);
    SendMessageA(control(IDC_MAIN_INPUT_TREE), WM_VSCROLL, SB_LINEDOWN, scroll_mirror_marker);
    pump();
    EXPECT_EQ(first_visible(IDC_MAIN_OUTPUT_TREE), preview_before);
    EXPECT_NE(first_visible(IDC_MAIN_INPUT_TREE), preview_before);
}

TEST_F(MainWindowTest, DropsSetTheSidesFields) {
    const std::string file = input + "\\top.txt";
    const std::string missing = input + "\\missing.txt";
    struct Row {
        const char* label;
        int frame;
        std::vector<std::string> paths;
        std::string input_dir, input_patterns, output_dir, output_pattern;
    };
    const std::string keep = "keep";
    const Row rows[] = {
        {"folder on Input", IDC_MAIN_INPUT_FRAME, {output}, output, keep, keep, keep},
        {"file on Input", IDC_MAIN_INPUT_FRAME, {file}, input, "top.txt", keep, keep},
        {"file on Output", IDC_MAIN_OUTPUT_FRAME, {file}, keep, keep, input, "top.txt"},
        {"folder on Output", IDC_MAIN_OUTPUT_FRAME, {input}, keep, keep, input, keep},
        {"three files use the first", IDC_MAIN_INPUT_FRAME, {file, output, input}, input, "top.txt",
         keep, keep},
        {"missing path", IDC_MAIN_INPUT_FRAME, {missing}, keep, keep, keep, keep},
    };
    start_with(false, false);
    // The shell writes the paths in UTF-16; older programs write them in the code page.
    for (DropText kind : {DropText::Wide, DropText::CodePage}) {
        SCOPED_TRACE(kind == DropText::Wide ? "UTF-16" : "code page");
        for (const Row& row : rows) {
            SCOPED_TRACE(row.label);
            for (int id : {IDC_MAIN_INPUT_DIR, IDC_MAIN_INPUT_PATTERNS, IDC_MAIN_OUTPUT_DIR,
                           IDC_MAIN_OUTPUT_PATTERN})
                SetDlgItemTextA(main_window(), id, keep.c_str());
            drop(row.frame, row.paths, kind);
            EXPECT_EQ(text(IDC_MAIN_INPUT_DIR), row.input_dir);
            EXPECT_EQ(text(IDC_MAIN_INPUT_PATTERNS), row.input_patterns);
            EXPECT_EQ(text(IDC_MAIN_OUTPUT_DIR), row.output_dir);
            EXPECT_EQ(text(IDC_MAIN_OUTPUT_PATTERN), row.output_pattern);
        }
    }
}

TEST_F(MainWindowTest, DropRefreshesItsSideOnlyWhileAutoRefreshTicked) {
    start_with(false, false);
    click(IDC_MAIN_INPUT_REFRESH);
    struct Row {
        const char* label;
        int frame;
        int auto_box;
        std::string path;
        int input_refreshes, output_refreshes;
    };
    const Row rows[] = {
        {"Input, not ticked", IDC_MAIN_INPUT_FRAME, 0, input, 0, 0},
        {"Input, ticked", IDC_MAIN_INPUT_FRAME, IDC_MAIN_INPUT_AUTO, input, 1, 0},
        {"Input, ticked, missing path", IDC_MAIN_INPUT_FRAME, IDC_MAIN_INPUT_AUTO, input + "\\no", 1,
         0},
        {"Output, not ticked", IDC_MAIN_OUTPUT_FRAME, 0, output, 0, 0},
        {"Output, ticked", IDC_MAIN_OUTPUT_FRAME, IDC_MAIN_OUTPUT_AUTO, output, 0, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        SetDlgItemTextA(main_window(), IDC_MAIN_INPUT_DIR, input.c_str());
        click(IDC_MAIN_INPUT_REFRESH);
        set_tick_quietly(IDC_MAIN_INPUT_AUTO, row.auto_box == IDC_MAIN_INPUT_AUTO);
        set_tick_quietly(IDC_MAIN_OUTPUT_AUTO, row.auto_box == IDC_MAIN_OUTPUT_AUTO);
        InputRefreshCounter input_refreshes = count_input_refreshes();
        MessageCounter output_refreshes = count_output_refreshes();
        drop(row.frame, {row.path});
        EXPECT_EQ(input_refreshes.count(), row.input_refreshes);
        EXPECT_EQ(output_refreshes.count(), row.output_refreshes);
    }
}

}  // namespace

// A settings file that cannot be replaced keeps the window open once, saying why in the log
// box; the next close saves if it now can, and goes either way.
TEST_F(MainWindowTest, CloseThatCannotSaveTheSettingsSaysSoAndTheNextCloseGoes) {
    const std::wstring file = utf8_to_wide(settings_file_path());
    for (const bool fixed : {true, false}) {
        SCOPED_TRACE(fixed ? "made writable again" : "still read-only");
        write_settings("[Input]\r\nInclude Subfolders=0\r\n");
        open_main_window();
        SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_READONLY);
        click(IDC_MAIN_SUBFOLDERS);
        SendMessageW(main_window(), WM_CLOSE, 0, 0);
        pump();
        ASSERT_TRUE(IsWindow(main_window()));
        const std::string log = text(IDC_MAIN_LOG);
        EXPECT_NE(log.find("Settings could not be saved: the file is read-only. Close again to "
                           "quit without saving them."),
                  std::string::npos)
            << log;
        EXPECT_EQ(read_settings(), "[Input]\r\nInclude Subfolders=0\r\n");
        if (fixed) SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
        close_main_window();
        EXPECT_FALSE(IsWindow(main_window()));
        SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
        const bool saved = read_settings().find("Include Subfolders=1") != std::string::npos;
        EXPECT_EQ(saved, fixed);
    }
}
