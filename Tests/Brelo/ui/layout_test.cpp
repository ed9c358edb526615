// The main window resized, maximised, reopened where it was closed, and told of a new DPI: the
// template's layout at the design size, growing trees and log beyond it, the placement in
// BRELO.ini's [Window] section and the fallback for a place off every screen.
#include <functional>
#include <string>
#include <vector>

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "gui_harness.h"
#include "ui/dialog_rules.h"
#include "ui/layout_rules.h"
#include "ui/resource.h"
#include "ui/tree_fill.h"
#include "ui/window_layout.h"

namespace {

using namespace gui;

// The controls with an id, as dialog 105 of brelo.rc places them, in dialog units.
struct TemplateControl {
    int id;
    RECT units;  // left, top, width, height
};
const TemplateControl template_controls[] = {
    {IDC_MAIN_INPUT_FRAME, {5, 5, 285, 234}},     {IDC_MAIN_INPUT_DIR, {10, 28, 230, 59}},
    {IDC_MAIN_INPUT_BROWSE, {242, 28, 44, 12}},   {IDC_MAIN_INPUT_PATTERNS, {10, 56, 230, 61}},
    {IDC_MAIN_INPUT_REFRESH, {242, 56, 44, 12}},  {IDC_MAIN_INPUT_TREE, {10, 87, 275, 132}},
    {IDC_MAIN_SUBFOLDERS, {10, 223, 74, 11}},     {IDC_MAIN_INPUT_AUTO, {228, 223, 58, 11}},
    {IDC_MAIN_OUTPUT_FRAME, {296, 5, 285, 234}},  {IDC_MAIN_OUTPUT_DIR, {301, 28, 230, 59}},
    {IDC_MAIN_OUTPUT_BROWSE, {533, 28, 44, 12}},  {IDC_MAIN_OUTPUT_PATTERN, {301, 56, 230, 61}},
    {IDC_MAIN_OUTPUT_REFRESH, {533, 56, 44, 12}}, {IDC_MAIN_OUTPUT_TREE, {301, 87, 275, 132}},
    {IDC_MAIN_OUTPUT_AUTO, {518, 223, 58, 11}},   {IDC_MAIN_CONVERTER, {60, 251, 413, 90}},
    {IDC_MAIN_CONFIGURE, {480, 251, 44, 12}},     {IDC_MAIN_RUN, {530, 251, 44, 12}},
    {IDC_MAIN_LOG, {5, 274, 576, 83}},            {IDC_MAIN_SKIP_UP_TO_DATE, {497, 16, 80, 11}},
    {IDC_MAIN_KEEP_TIMES, {505, 43, 72, 11}},
};

bool is_combo(int id) {
    return id == IDC_MAIN_INPUT_DIR || id == IDC_MAIN_INPUT_PATTERNS ||
           id == IDC_MAIN_OUTPUT_DIR || id == IDC_MAIN_OUTPUT_PATTERN || id == IDC_MAIN_CONVERTER;
}

// Dialog units (left, top, width, height) in pixels as the dialog manager converts them: the
// place and the size each on their own.
RECT in_pixels(const RECT& units) {
    RECT r = units;
    MapDialogRect(main_window(), &r);
    return {r.left, r.top, r.left + r.right, r.top + r.bottom};
}

// The control's rectangle in the main window's client area; a combo box's without its list.
RECT placed(int id) {
    RECT r;
    GetWindowRect(control(id), &r);
    MapWindowPoints(nullptr, main_window(), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// A combo box's height with its list open.
int dropped_height(int id) {
    RECT dropped;
    SendMessageA(control(id), CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
    return dropped.bottom - dropped.top;
}

SIZE client_size() {
    RECT r;
    GetClientRect(main_window(), &r);
    return {r.right, r.bottom};
}

// Resizes the window so its client area is the given size.
void set_client_size(int width, int height) {
    RECT outer, inner;
    GetWindowRect(main_window(), &outer);
    GetClientRect(main_window(), &inner);
    SetWindowPos(main_window(), nullptr, 0, 0,
                 width + (outer.right - outer.left) - inner.right,
                 height + (outer.bottom - outer.top) - inner.bottom,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    pump();
}

// A combo box's height is its font's; the template's height is its height with the list open,
// which the dialog manager makes a whole number of rows.
void expect_template_layout() {
    for (const TemplateControl& c : template_controls) {
        SCOPED_TRACE("control " + std::to_string(c.id));
        const RECT expected = in_pixels(c.units);
        const RECT actual = placed(c.id);
        EXPECT_EQ(actual.left, expected.left);
        EXPECT_EQ(actual.top, expected.top);
        EXPECT_EQ(actual.right, expected.right);
        if (is_combo(c.id)) {
            EXPECT_LE(dropped_height(c.id), expected.bottom - expected.top);
            EXPECT_GT(dropped_height(c.id), 2 * (actual.bottom - actual.top));
        } else {
            EXPECT_EQ(actual.bottom, expected.bottom);
        }
    }
}

RECT window_rect() {
    RECT r;
    GetWindowRect(main_window(), &r);
    return r;
}

std::string section_of(const std::string& ini, const std::string& name) {
    const auto start = ini.find("[" + name + "]");
    if (start == std::string::npos) return std::string();
    const auto end = ini.find("\r\n[", start);
    return ini.substr(start, end == std::string::npos ? std::string::npos : end + 2 - start);
}

class LayoutTest : public GuiTest {};

TEST_F(LayoutTest, AtTheDesignSizeEveryControlIsWhereTheTemplatePutsIt) {
    open_main_window();
    const RECT design = in_pixels({0, 0, 586, 361});
    ASSERT_EQ(client_size().cx, design.right);
    ASSERT_EQ(client_size().cy, design.bottom);
    expect_template_layout();
    std::vector<int> lists;
    for (const TemplateControl& c : template_controls)
        if (is_combo(c.id)) lists.push_back(dropped_height(c.id));
    // Away and back again: nothing drifts, and no list changes its length.
    set_client_size(design.right + 301, design.bottom + 157);
    set_client_size(design.right - 77, design.bottom - 41);
    set_client_size(design.right, design.bottom);
    expect_template_layout();
    std::vector<int> lists_after;
    for (const TemplateControl& c : template_controls)
        if (is_combo(c.id)) lists_after.push_back(dropped_height(c.id));
    EXPECT_EQ(lists_after, lists);
}

TEST_F(LayoutTest, LargerWindowGrowsTreesAndLogAndKeepsButtonsAtTheirEdges) {
    open_main_window();
    const SIZE design = client_size();
    struct Before {
        int id;
        RECT rect;
    };
    std::vector<Before> before;
    for (const TemplateControl& c : template_controls) before.push_back({c.id, placed(c.id)});
    auto was = [&](int id) {
        for (const Before& b : before)
            if (b.id == id) return b.rect;
        return RECT{};
    };
    const int grow_x = 200, grow_y = 120;
    set_client_size(design.cx + grow_x, design.cy + grow_y);
    struct Row {
        const char* label;
        int id;
        int left, top, right, bottom;  // how far each edge moved
    };
    const Row rows[] = {
        {"input group shares the width", IDC_MAIN_INPUT_FRAME, 0, 0, 100, 60},
        {"output group shares the width", IDC_MAIN_OUTPUT_FRAME, 100, 0, 200, 60},
        {"input tree", IDC_MAIN_INPUT_TREE, 0, 0, 100, 60},
        {"output tree", IDC_MAIN_OUTPUT_TREE, 100, 0, 200, 60},
        {"input folder field", IDC_MAIN_INPUT_DIR, 0, 0, 100, 0},
        {"output pattern field", IDC_MAIN_OUTPUT_PATTERN, 100, 0, 200, 0},
        {"input Browse", IDC_MAIN_INPUT_BROWSE, 100, 0, 100, 0},
        {"output Refresh", IDC_MAIN_OUTPUT_REFRESH, 200, 0, 200, 0},
        {"Include Subfolders", IDC_MAIN_SUBFOLDERS, 0, 60, 0, 60},
        {"input Auto Refresh", IDC_MAIN_INPUT_AUTO, 100, 60, 100, 60},
        {"output Auto Refresh", IDC_MAIN_OUTPUT_AUTO, 200, 60, 200, 60},
        {"Skip up-to-date files", IDC_MAIN_SKIP_UP_TO_DATE, 200, 0, 200, 0},
        {"Keep input times", IDC_MAIN_KEEP_TIMES, 200, 0, 200, 0},
        {"converter box", IDC_MAIN_CONVERTER, 0, 60, 200, 60},
        {"Configure", IDC_MAIN_CONFIGURE, 200, 60, 200, 60},
        {"Run", IDC_MAIN_RUN, 200, 60, 200, 60},
        {"log box", IDC_MAIN_LOG, 0, 60, 200, 120},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        const RECT old = was(row.id);
        const RECT now = placed(row.id);
        EXPECT_EQ(now.left - old.left, row.left);
        EXPECT_EQ(now.top - old.top, row.top);
        EXPECT_EQ(now.right - old.right, row.right);
        EXPECT_EQ(now.bottom - old.bottom, row.bottom);
    }
}

TEST_F(LayoutTest, MaximisedWindowKeepsRunAndTheLogAtTheClientsEdges) {
    open_main_window();
    const SIZE design = client_size();
    const RECT run_before = placed(IDC_MAIN_RUN);
    const RECT log_before = placed(IDC_MAIN_LOG);
    ShowWindow(main_window(), SW_MAXIMIZE);
    pump();
    ASSERT_TRUE(IsZoomed(main_window()));
    const SIZE client = client_size();
    EXPECT_GE(client.cx, design.cx);
    const RECT run = placed(IDC_MAIN_RUN);
    const RECT log = placed(IDC_MAIN_LOG);
    EXPECT_EQ(client.cx - run.right, design.cx - run_before.right);
    EXPECT_EQ(client.cx - log.right, design.cx - log_before.right);
    EXPECT_EQ(client.cy - log.bottom, design.cy - log_before.bottom);
}

// The window cannot be made smaller than its minimum, which is below the design size.
TEST_F(LayoutTest, MinimumSizeIsBelowTheDesignAndHoldsEveryControl) {
    open_main_window();
    const RECT minimum = in_pixels({0, 0, minimum_client_width_units, minimum_client_height_units});
    const RECT design = in_pixels({0, 0, 586, 361});
    EXPECT_LT(minimum.right, design.right);
    EXPECT_LT(minimum.bottom, design.bottom);
    set_client_size(10, 10);
    const SIZE client = client_size();
    EXPECT_EQ(client.cx, minimum.right);
    EXPECT_EQ(client.cy, minimum.bottom);
    // Nothing leaves the client area or lands on its neighbour.
    for (const TemplateControl& c : template_controls) {
        SCOPED_TRACE("control " + std::to_string(c.id));
        const RECT r = placed(c.id);
        EXPECT_GE(r.left, 0);
        EXPECT_LE(r.right, client.cx);
        EXPECT_LT(r.left, r.right);
        EXPECT_LE(r.bottom, client.cy);
        EXPECT_LT(r.top, r.bottom);
    }
    EXPECT_LT(placed(IDC_MAIN_INPUT_BROWSE).right, placed(IDC_MAIN_OUTPUT_FRAME).left);
    EXPECT_LT(placed(IDC_MAIN_INPUT_TREE).bottom, placed(IDC_MAIN_SUBFOLDERS).top);
    EXPECT_LT(placed(IDC_MAIN_CONVERTER).right, placed(IDC_MAIN_CONFIGURE).left);
    EXPECT_LT(placed(IDC_MAIN_OUTPUT_FRAME).left, placed(IDC_MAIN_SKIP_UP_TO_DATE).left);
    EXPECT_LE(placed(IDC_MAIN_SKIP_UP_TO_DATE).bottom, placed(IDC_MAIN_OUTPUT_DIR).top);
    EXPECT_LE(placed(IDC_MAIN_RUN).bottom, placed(IDC_MAIN_LOG).top);
    // Keep input times sits between the two output fields, on the patterns label's row.
    for (const bool maximised : {false, true}) {
        SCOPED_TRACE(maximised ? "maximised" : "minimum");
        if (maximised) {
            ShowWindow(main_window(), SW_MAXIMIZE);
            pump();
        }
        const RECT keep = placed(IDC_MAIN_KEEP_TIMES);
        EXPECT_LE(placed(IDC_MAIN_OUTPUT_DIR).bottom, keep.top);
        EXPECT_LE(placed(IDC_MAIN_OUTPUT_BROWSE).bottom, keep.top);
        EXPECT_LE(keep.bottom, placed(IDC_MAIN_OUTPUT_PATTERN).top);
        EXPECT_LT(keep.right, placed(IDC_MAIN_OUTPUT_FRAME).right);
    }
}

TEST_F(LayoutTest, PlaceSizeAndMaximisedStateSurviveARestart) {
    open_main_window();
    const SIZE design = client_size();
    SetWindowPos(main_window(), nullptr, 40, 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    set_client_size(design.cx + 90, design.cy + 70);
    const RECT closed_at = window_rect();
    close_main_window();

    const std::string ini = read_settings();
    const std::string window = section_of(ini, "Window");
    EXPECT_EQ(window, "[Window]\r\nLeft=" + std::to_string(closed_at.left) +
                          "\r\nTop=" + std::to_string(closed_at.top) +
                          "\r\nWidth=" + std::to_string(closed_at.right - closed_at.left) +
                          "\r\nHeight=" + std::to_string(closed_at.bottom - closed_at.top) +
                          "\r\nMaximized=0\r\n")
        << ini;
    // The new section comes after every section the file had before.
    EXPECT_GT(ini.find("[Window]"), ini.find("[Converter]"));

    open_main_window();
    const RECT opened_at = window_rect();
    EXPECT_EQ(opened_at.left, closed_at.left);
    EXPECT_EQ(opened_at.top, closed_at.top);
    EXPECT_EQ(opened_at.right, closed_at.right);
    EXPECT_EQ(opened_at.bottom, closed_at.bottom);
    EXPECT_FALSE(IsZoomed(main_window()));

    ShowWindow(main_window(), SW_MAXIMIZE);
    pump();
    close_main_window();
    EXPECT_NE(read_settings().find("Maximized=1\r\n"), std::string::npos);
    open_main_window();
    EXPECT_TRUE(IsZoomed(main_window()));
    ShowWindow(main_window(), SW_RESTORE);
    pump();
    const RECT restored = window_rect();
    EXPECT_EQ(restored.left, closed_at.left);
    EXPECT_EQ(restored.top, closed_at.top);
    EXPECT_EQ(restored.right - restored.left, closed_at.right - closed_at.left);
    EXPECT_EQ(restored.bottom - restored.top, closed_at.bottom - closed_at.top);
}

// A place no screen shows, or half a placement, opens the window as a file without [Window]
// does: at the design size, centred.
TEST_F(LayoutTest, PlaceOffEveryScreenFallsBackToTheCentredDefault) {
    open_main_window();
    const RECT default_rect = window_rect();
    close_main_window();
    const std::string off_screen =
        std::to_string(GetSystemMetrics(SM_XVIRTUALSCREEN) + GetSystemMetrics(SM_CXVIRTUALSCREEN) +
                       50);
    struct Row {
        const char* label;
        std::string section;
    };
    const Row rows[] = {
        {"far left and up", "Left=-30000\r\nTop=-30000\r\nWidth=900\r\nHeight=600\r\nMaximized=0"},
        {"right of every screen",
         "Left=" + off_screen + "\r\nTop=10\r\nWidth=900\r\nHeight=600\r\nMaximized=1"},
        {"caption above the screen", "Left=100\r\nTop=-400\r\nWidth=900\r\nHeight=600\r\n"
                                     "Maximized=0"},
        {"a key missing", "Left=10\r\nTop=10\r\nWidth=900\r\nMaximized=0"},
        {"no width", "Left=10\r\nTop=10\r\nWidth=0\r\nHeight=600\r\nMaximized=0"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        write_settings("[Window]\r\n" + row.section + "\r\n");
        open_main_window();
        const RECT r = window_rect();
        EXPECT_FALSE(IsZoomed(main_window()));
        EXPECT_EQ(r.left, default_rect.left);
        EXPECT_EQ(r.top, default_rect.top);
        EXPECT_EQ(r.right, default_rect.right);
        EXPECT_EQ(r.bottom, default_rect.bottom);
        close_main_window();
    }
    // A place partly off the screen but with its caption within reach is kept.
    write_settings("[Window]\r\nLeft=-200\r\nTop=5\r\nWidth=900\r\nHeight=600\r\nMaximized=0\r\n");
    open_main_window();
    EXPECT_EQ(window_rect().left, -200);
    EXPECT_EQ(window_rect().top, 5);
}

int font_height(HWND control) {
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0));
    LOGFONTA description = {};
    GetObjectA(font, sizeof description, &description);
    return description.lfHeight;
}

// Moved to a screen of twice the DPI, the window doubles its layout, its font and its glyphs.
TEST_F(LayoutTest, NewDpiScalesTheLayoutTheFontAndTheTreeGlyphs) {
    open_main_window();
    const int dpi = window_dpi(main_window());
    const RECT tree = placed(IDC_MAIN_INPUT_TREE);
    const RECT run = placed(IDC_MAIN_RUN);
    const int height = font_height(control(IDC_MAIN_RUN));
    const int list = dropped_height(IDC_MAIN_CONVERTER);
    const SIZE client = client_size();
    RECT suggested = window_rect();
    suggested.right = suggested.left + 2 * (suggested.right - suggested.left);
    suggested.bottom = suggested.top + 2 * (suggested.bottom - suggested.top);
    SendMessageA(main_window(), dpi_changed_message, MAKEWPARAM(2 * dpi, 2 * dpi),
                 reinterpret_cast<LPARAM>(&suggested));
    pump();
    // The client grows by less than double, as the frame does not double here; the layout
    // follows the doubled design plus the rest.
    const SIZE now = client_size();
    const int grow_x = now.cx - 2 * client.cx;
    const int grow_y = now.cy - 2 * client.cy;
    const RECT tree_now = placed(IDC_MAIN_INPUT_TREE);
    EXPECT_EQ(tree_now.left, 2 * tree.left);
    EXPECT_EQ(tree_now.top, 2 * tree.top);
    EXPECT_EQ(tree_now.right, 2 * tree.right + share_of(Share::Half, grow_x));
    EXPECT_EQ(tree_now.bottom, 2 * tree.bottom + share_of(Share::Half, grow_y));
    const RECT run_now = placed(IDC_MAIN_RUN);
    EXPECT_EQ(run_now.right - run_now.left, 2 * (run.right - run.left));
    EXPECT_EQ(now.cx - run_now.right, 2 * (client.cx - run.right));
    EXPECT_EQ(font_height(control(IDC_MAIN_RUN)), 2 * height);
    // The list keeps whole rows of the larger font within twice its old length.
    EXPECT_LE(dropped_height(IDC_MAIN_CONVERTER), 2 * list);
    EXPECT_GT(dropped_height(IDC_MAIN_CONVERTER), 3 * list / 2);
    HIMAGELIST glyphs = reinterpret_cast<HIMAGELIST>(
        SendMessageA(control(IDC_MAIN_INPUT_TREE), TVM_GETIMAGELIST, TVSIL_NORMAL, 0));
    int width = 0, glyph_height = 0;
    ASSERT_TRUE(ImageList_GetIconSize(glyphs, &width, &glyph_height));
    EXPECT_EQ(width, tree_glyph_size(2 * dpi));
    EXPECT_EQ(glyph_height, tree_glyph_size(2 * dpi));
    EXPECT_EQ(reinterpret_cast<HIMAGELIST>(SendMessageA(
                  control(IDC_MAIN_OUTPUT_TREE), TVM_GETIMAGELIST, TVSIL_NORMAL, 0)),
              glyphs);
}

// What of a tree control the window made sure of: it is replaced by a new control for every
// refresh's result.
struct TreeLook {
    HWND tree;
    LONG style, ex_style;
    LRESULT font, glyphs;
    RECT rect;
    HWND before, after;  // its neighbours in the tab order
};

TreeLook look_of(int id) {
    HWND tree = control(id);
    return {tree,
            GetWindowLongA(tree, GWL_STYLE),
            GetWindowLongA(tree, GWL_EXSTYLE),
            SendMessageA(tree, WM_GETFONT, 0, 0),
            SendMessageA(tree, TVM_GETIMAGELIST, TVSIL_NORMAL, 0),
            placed(id),
            GetWindow(tree, GW_HWNDPREV),
            GetWindow(tree, GW_HWNDNEXT)};
}

// Carries out the thread's messages one at a time until done() holds.
bool dispatch_until(const std::function<bool()>& done) {
    for (int waits = 0; !done();) {
        MSG message;
        if (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        } else if (++waits > 1200) {
            return false;
        } else {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
        }
    }
    return true;
}

// The trees a refresh makes take the replaced ones' place: the same style, font, glyphs and
// rectangle, the same place in the tab order, the focus, and the layout's care on resizing;
// a hidden tree never keeps the focus, and glyphs replaced for a new DPI while the trees were
// being filled reach them too.
TEST_F(LayoutTest, TreesMadeForARefreshTakeTheReplacedOnesPlace) {
    const std::string input = temp.file("in");
    CreateDirectoryA(input.c_str(), nullptr);
    for (int i = 0; i < 60; ++i)
        test_support::write_file(input + "\\f" + std::to_string(i) + ".txt", "f");
    write_settings("[Input]\r\nInput Directory 001=" + input + "\r\nAuto Refresh=1\r\n");
    open_main_window();
    const int ids[] = {IDC_MAIN_INPUT_TREE, IDC_MAIN_OUTPUT_TREE};
    const TreeLook before[] = {look_of(ids[0]), look_of(ids[1])};
    press_f5(control(IDC_MAIN_INPUT_TREE));
    for (int side = 0; side < 2; ++side) {
        SCOPED_TRACE(side == 0 ? "input tree" : "output tree");
        const TreeLook now = look_of(ids[side]);
        const TreeLook& was = before[side];
        EXPECT_NE(now.tree, was.tree);
        EXPECT_FALSE(IsWindow(was.tree));
        EXPECT_EQ(now.style, was.style);
        EXPECT_EQ(now.ex_style, was.ex_style);
        EXPECT_EQ(now.font, was.font);
        EXPECT_EQ(now.glyphs, was.glyphs);
        EXPECT_TRUE(EqualRect(&now.rect, &was.rect));
        EXPECT_EQ(now.before, was.before);
        EXPECT_EQ(now.after, was.after);
    }
    EXPECT_EQ(GetFocus(), control(IDC_MAIN_INPUT_TREE));
    const SIZE design = client_size();
    set_client_size(design.cx + 200, design.cy + 120);
    const RECT grown = placed(IDC_MAIN_OUTPUT_TREE);
    EXPECT_EQ(grown.right - before[1].rect.right, 200);
    EXPECT_EQ(grown.bottom - before[1].rect.bottom, 60);

    // A new DPI while a result goes in, a few items at a time.
    set_tree_slice_items(10);
    SendMessageA(control(IDC_MAIN_INPUT_REFRESH), BM_CLICK, 0, 0);
    const bool caught = dispatch_until([] {
        HWND coming = control(IDC_MAIN_INPUT_TREE_COMING);
        return coming && SendMessageA(coming, TVM_GETCOUNT, 0, 0) > 0;
    });
    set_tree_slice_items(0);
    ASSERT_TRUE(caught);
    // A hidden tree given the focus, as the dialog does with the control that had it when the
    // window was last active, passes it to the tree shown on its side.
    SetFocus(control(IDC_MAIN_OUTPUT_TREE_COMING));
    EXPECT_EQ(GetFocus(), control(IDC_MAIN_OUTPUT_TREE));
    const int dpi = window_dpi(main_window());
    RECT suggested;
    GetWindowRect(main_window(), &suggested);
    SendMessageA(main_window(), dpi_changed_message, MAKEWPARAM(2 * dpi, 2 * dpi),
                 reinterpret_cast<LPARAM>(&suggested));
    wait_for_refreshes();
    for (int id : ids) {
        HIMAGELIST glyphs = reinterpret_cast<HIMAGELIST>(
            SendMessageA(control(id), TVM_GETIMAGELIST, TVSIL_NORMAL, 0));
        int width = 0, height = 0;
        ASSERT_TRUE(ImageList_GetIconSize(glyphs, &width, &height));
        EXPECT_EQ(width, tree_glyph_size(2 * dpi));
    }
}

}  // namespace
