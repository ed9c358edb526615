// The main window's resizing rules on the template's own rectangles, the default size and
// place, the reachable-caption check and the glyph sizes, without a window.
#include "ui/layout_rules.h"

#include <gtest/gtest.h>

namespace {

// Dialog 105's rectangles in dialog units, as (left, top, right, bottom): one unit per pixel
// is as good as any scale for rules that only compare.
PixelRect units(int left, int top, int width, int height) {
    return {left, top, left + width, top + height};
}

const LayoutLandmarks marks = {units(5, 5, 285, 234), units(296, 5, 285, 234),
                               units(10, 87, 275, 132), units(5, 274, 576, 83)};

constexpr Share N = Share::None;
constexpr Share H = Share::Half;
constexpr Share W = Share::Whole;

TEST(ControlAnchors, EveryControlOfTheTemplateFollowsItsSide) {
    struct Row {
        const char* label;
        ControlKind kind;
        PixelRect design;
        Anchors anchors;  // left, top, right, bottom
    };
    const Row rows[] = {
        {"input group", ControlKind::Frame, units(5, 5, 285, 234), {N, N, H, H}},
        {"input folder label", ControlKind::Label, units(10, 17, 60, 9), {N, N, N, N}},
        {"input folder field", ControlKind::Field, units(10, 28, 230, 59), {N, N, H, N}},
        {"input Browse", ControlKind::PushButton, units(242, 28, 44, 12), {H, N, H, N}},
        {"input hint", ControlKind::Label, units(10, 72, 274, 9), {N, N, H, N}},
        {"input tree", ControlKind::Tree, units(10, 87, 275, 132), {N, N, H, H}},
        {"Include Subfolders", ControlKind::CheckBox, units(10, 223, 74, 11), {N, H, N, H}},
        {"input Auto Refresh", ControlKind::CheckBox, units(228, 223, 58, 11), {H, H, H, H}},
        {"output group", ControlKind::Frame, units(296, 5, 285, 234), {H, N, W, H}},
        {"output folder label", ControlKind::Label, units(301, 17, 60, 9), {H, N, H, N}},
        {"Skip up-to-date files", ControlKind::CheckBox, units(497, 16, 80, 11), {W, N, W, N}},
        {"Keep input times", ControlKind::CheckBox, units(505, 43, 72, 11), {W, N, W, N}},
        {"output pattern field", ControlKind::Field, units(301, 56, 230, 61), {H, N, W, N}},
        {"output Refresh", ControlKind::PushButton, units(533, 56, 44, 12), {W, N, W, N}},
        {"output hint", ControlKind::Label, units(301, 72, 274, 9), {H, N, W, N}},
        {"output tree", ControlKind::Tree, units(301, 87, 275, 132), {H, N, W, H}},
        {"preview label", ControlKind::Label, units(301, 224, 84, 9), {H, H, H, H}},
        {"output Auto Refresh", ControlKind::CheckBox, units(518, 223, 58, 11), {W, H, W, H}},
        {"converter group", ControlKind::Frame, units(5, 242, 576, 27), {N, H, W, H}},
        {"converters label", ControlKind::Label, units(13, 253, 44, 9), {N, H, N, H}},
        {"converter box", ControlKind::Field, units(60, 251, 413, 90), {N, H, W, H}},
        {"Configure", ControlKind::PushButton, units(480, 251, 44, 12), {W, H, W, H}},
        {"Run", ControlKind::PushButton, units(530, 251, 44, 12), {W, H, W, H}},
        {"log box", ControlKind::Log, units(5, 274, 576, 83), {N, H, W, W}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        const Anchors a = control_anchors(row.kind, row.design, marks);
        EXPECT_EQ(a.left, row.anchors.left);
        EXPECT_EQ(a.top, row.anchors.top);
        EXPECT_EQ(a.right, row.anchors.right);
        EXPECT_EQ(a.bottom, row.anchors.bottom);
    }
}

// The groups meet where they met whatever the growth, odd or negative: the halves and the
// rest always add up, so no gap opens and nothing overlaps.
TEST(AnchoredRect, GroupsShareTheGrowthWithoutAGap) {
    const PixelRect input = marks.input_group;
    const PixelRect output = marks.output_group;
    const Anchors input_anchors = control_anchors(ControlKind::Frame, input, marks);
    const Anchors output_anchors = control_anchors(ControlKind::Frame, output, marks);
    for (int grow : {0, 1, 2, 3, 199, -1, -2, -3, -165}) {
        SCOPED_TRACE(grow);
        const PixelRect a = anchored_rect(input, input_anchors, grow, grow);
        const PixelRect b = anchored_rect(output, output_anchors, grow, grow);
        EXPECT_EQ(b.left - a.right, output.left - input.right);
        EXPECT_EQ(b.right, output.right + grow);
        EXPECT_EQ(a.width() + b.width(), input.width() + output.width() + grow);
        EXPECT_EQ(a.bottom, b.bottom);
    }
    EXPECT_EQ(anchored_rect(input, input_anchors, 0, 0), input);
}

// A check box on a label's row of the output group, from the design width down to the minimum:
// clear of the label, inside the group, and as far from the group's right edge as designed.
void expect_box_beside_label(const PixelRect& box, const PixelRect& label) {
    const Anchors box_anchors = control_anchors(ControlKind::CheckBox, box, marks);
    const Anchors label_anchors = control_anchors(ControlKind::Label, label, marks);
    const Anchors group_anchors = control_anchors(ControlKind::Frame, marks.output_group, marks);
    for (int grow : {0, -1, -83, minimum_client_width_units - 586, 300}) {
        SCOPED_TRACE(grow);
        const PixelRect b = anchored_rect(box, box_anchors, grow, 0);
        const PixelRect l = anchored_rect(label, label_anchors, grow, 0);
        const PixelRect g = anchored_rect(marks.output_group, group_anchors, grow, 0);
        EXPECT_GT(b.left, l.right + 4);
        EXPECT_LT(b.right, g.right);
        EXPECT_EQ(g.right - b.right, marks.output_group.right - box.right);
    }
}

// The check box on the output folder's label row keeps clear of the label and inside its group
// from the design width down to the minimum.
TEST(AnchoredRect, SkipBoxStaysBesideTheOutputFolderLabel) {
    expect_box_beside_label(units(497, 16, 80, 11), units(301, 17, 60, 9));
}

TEST(ShareOf, HalfRoundsDownAndTheRestMakesTheWhole) {
    struct Row {
        int growth, half;
    };
    const Row rows[] = {{0, 0}, {1, 0}, {2, 1}, {5, 2}, {-1, -1}, {-2, -1}, {-5, -3}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.growth);
        EXPECT_EQ(share_of(Share::Half, row.growth), row.half);
        EXPECT_EQ(share_of(Share::None, row.growth), 0);
        EXPECT_EQ(share_of(Share::Whole, row.growth), row.growth);
    }
}

TEST(FittedSize, DesignUnlessTheAreaIsSmallerButNeverBelowTheMinimum) {
    struct Row {
        const char* label;
        PixelSize design, minimum, area, fitted;
    };
    const Row rows[] = {
        {"design fits", {1026, 600}, {740, 420}, {1280, 1000}, {1026, 600}},
        {"too wide at 144 dpi", {1288, 857}, {930, 600}, {1280, 690}, {1280, 690}},
        {"area below the minimum", {1288, 857}, {930, 600}, {800, 500}, {930, 600}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        const PixelSize fitted = fitted_size(row.design, row.minimum, row.area);
        EXPECT_EQ(fitted.width, row.fitted.width);
        EXPECT_EQ(fitted.height, row.fitted.height);
    }
}

TEST(KeptInside, MovesIntoTheAreaWithoutResizing) {
    const PixelRect area = {0, 0, 1280, 720};
    struct Row {
        const char* label;
        PixelRect rect, kept;
    };
    const Row rows[] = {
        {"inside already", {10, 20, 510, 420}, {10, 20, 510, 420}},
        {"centred too low", {0, 9, 1280, 729}, {0, 0, 1280, 720}},
        {"left of the area", {-50, 100, 450, 400}, {0, 100, 500, 400}},
        {"right of the area", {1000, 100, 1500, 400}, {780, 100, 1280, 400}},
        {"larger than the area", {-10, -10, 1400, 800}, {0, 0, 1410, 810}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        EXPECT_EQ(kept_inside(row.rect, area), row.kept);
    }
}

TEST(CaptionReachable, SomeScreenMustShowEnoughOfTheCaption) {
    const std::vector<PixelRect> screens = {{0, 0, 1280, 984}, {1280, 0, 3200, 1080}};
    struct Row {
        const char* label;
        PixelRect window;
        bool reachable;
    };
    const Row rows[] = {
        {"on the first screen", {100, 100, 1100, 700}, true},
        {"across both screens", {1000, 50, 2000, 650}, true},
        {"on the second screen only", {2000, 200, 3000, 800}, true},
        {"far away", {-30000, -30000, -29000, -29400}, false},
        {"right of every screen", {3250, 10, 4000, 600}, false},
        {"caption above the top", {100, -400, 1100, 200}, false},
        {"caption below the work area", {100, 984, 1100, 1500}, false},
        {"caption just on", {100, -10, 1100, 590}, true},
        {"only a sliver left of the screen", {-990, 100, 10, 700}, false},
        {"the grip's width on the screen", {-960, 100, 40, 700}, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        EXPECT_EQ(caption_reachable(row.window, screens, 20, 40), row.reachable);
    }
    EXPECT_FALSE(caption_reachable({0, 0, 100, 100}, {}, 20, 40));
}

TEST(TreeGlyphSize, NeverLargerThanTheScaledSixteen) {
    struct Row {
        int dpi, size;
    };
    const Row rows[] = {{72, 16},  {96, 16},  {120, 16}, {143, 16}, {144, 24},
                        {168, 24}, {191, 24}, {192, 32}, {288, 32}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.dpi);
        EXPECT_EQ(tree_glyph_size(row.dpi), row.size);
    }
}

TEST(ScaledLength, RoundsToTheNearestPixel) {
    EXPECT_EQ(scaled_length(10, 96, 144), 15);
    EXPECT_EQ(scaled_length(11, 96, 144), 17);   // 16.5 rounds up
    EXPECT_EQ(scaled_length(-11, 96, 144), -17);  // and away from zero below it
    EXPECT_EQ(scaled_length(17, 144, 96), 11);
    EXPECT_EQ(scaled_length(7, 0, 96), 7);
    EXPECT_EQ(scaled_rect({1, 2, 3, 4}, 96, 192), (PixelRect{2, 4, 6, 8}));
}

// Keep input times, on the output patterns label's row, keeps clear of the label and inside its
// group from the design width down to the minimum.
TEST(AnchoredRect, KeepTimesBoxStaysBesideThePatternsLabel) {
    expect_box_beside_label(units(505, 43, 72, 11), units(301, 44, 65, 9));
}

}  // namespace
