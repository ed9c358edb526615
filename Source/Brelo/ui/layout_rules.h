// The arithmetic of a resizable main window, without a window: where each control goes when the
// window is larger or smaller than its design, how small the window may get, where it opens,
// whether a stored place is still on a screen, and which glyph size suits a DPI.
#pragma once

#include <vector>

// A rectangle in pixels: left and top inside, right and bottom just outside.
struct PixelRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
};
bool operator==(const PixelRect& a, const PixelRect& b);

// How much of the window's growth (beyond its design size) an edge of a control follows. The
// two groups share the width, so the inner edges of the groups move by half of it; the trees
// and the log share the height the same way.
enum class Share { None, Half, Whole };

struct Anchors {
    Share left = Share::None;
    Share top = Share::None;
    Share right = Share::None;
    Share bottom = Share::None;
};
bool operator==(const Anchors& a, const Anchors& b);

// The part of a growth an edge follows. Half rounds toward minus infinity, so an edge that
// follows Half and one that follows the rest (Whole minus Half) always add up to the growth.
int share_of(Share share, int growth);

// The control's rectangle in a window that is grow_x pixels wider and grow_y pixels taller than
// its design (negative when smaller). At zero growth it is the design rectangle itself.
PixelRect anchored_rect(const PixelRect& design, const Anchors& anchors, int grow_x, int grow_y);

// What a control of the main window is, as far as resizing goes.
enum class ControlKind {
    Frame,       // a group box: takes the width and height of what it holds
    PushButton,  // keeps its size, stays by the nearer edge of its column
    CheckBox,    // the same
    Label,       // a long one (over half its column) widens, a short one keeps its size
    Field,       // a combo box or edit field: widens with its column
    Tree,        // widens with its column and takes its share of the height
    Log,         // takes the whole width and the rest of the height
};

// The design rectangles the rules are drawn from: the two groups, a tree (both are level) and
// the log box.
struct LayoutLandmarks {
    PixelRect input_group;
    PixelRect output_group;
    PixelRect tree;
    PixelRect log;
};

// How a control follows the window. Its column comes from where it lies: inside the input
// group's width, inside the output group's, or across both. Horizontally a frame, field, tree
// or long label spans its column; a button or check box stays by the column's edge its centre
// is nearer to; a short label stays at the column's left. Vertically the trees take half of
// the growth and the log the other half; what lies below the trees moves down with them, a
// group box reaching below their bottom grows with them, everything above stays.
Anchors control_anchors(ControlKind kind, const PixelRect& design, const LayoutLandmarks& marks);

// Sizes of a window as a whole, in pixels.
struct PixelSize {
    int width = 0;
    int height = 0;
};

// The size of a window that would rather have its design size but must fit the area (the work
// area of its screen), never going below the minimum.
PixelSize fitted_size(PixelSize design, PixelSize minimum, PixelSize area);

// The rectangle moved, not resized, to lie inside area; one larger than the area keeps its
// left or top edge on the area's.
PixelRect kept_inside(const PixelRect& rect, const PixelRect& area);

// The minimum size of the main window's client area, in dialog units. Smaller than the design
// (586 x 361), so that the window fits a 1280 x 720 screen at 144 and 192 dots per inch.
inline constexpr int minimum_client_width_units = 420;
inline constexpr int minimum_client_height_units = 250;

// True when a window at rect can be taken by its caption on one of the screens: a strip of its
// top (as tall as a caption) lies on a work area for at least grip pixels of width. A window
// whose stored place fails this opens at the default place instead.
bool caption_reachable(const PixelRect& rect, const std::vector<PixelRect>& work_areas,
                       int caption_height, int grip);

// The size of the tree glyphs for a screen of dpi dots per inch: the largest of 16, 24 and 32
// pixels not above 16 scaled by dpi / 96, so a glyph is never blown up past the text beside it.
int tree_glyph_size(int dpi);

// A length of a design at from_dpi as it is at to_dpi, rounded to the nearest pixel.
int scaled_length(int length, int from_dpi, int to_dpi);
PixelRect scaled_rect(const PixelRect& rect, int from_dpi, int to_dpi);
