// The main window's resizing, placement and glyph-size arithmetic.
#include "ui/layout_rules.h"

#include <algorithm>

namespace {

// A column of the window: which share its left and right edges follow, and its design span.
struct Column {
    Share left;
    Share right;
    int design_left;
    int design_right;
};

Column column_of(const PixelRect& design, const LayoutLandmarks& marks) {
    if (design.right <= marks.output_group.left)
        return {Share::None, Share::Half, marks.input_group.left, marks.input_group.right};
    if (design.left >= marks.input_group.right)
        return {Share::Half, Share::Whole, marks.output_group.left, marks.output_group.right};
    return {Share::None, Share::Whole, marks.input_group.left, marks.output_group.right};
}

int floor_half(int growth) {
    return growth >= 0 ? growth / 2 : -((-growth + 1) / 2);
}

}  // namespace

bool operator==(const PixelRect& a, const PixelRect& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

bool operator==(const Anchors& a, const Anchors& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

int share_of(Share share, int growth) {
    switch (share) {
    case Share::None: return 0;
    case Share::Half: return floor_half(growth);
    case Share::Whole: break;
    }
    return growth;
}

PixelRect anchored_rect(const PixelRect& design, const Anchors& anchors, int grow_x, int grow_y) {
    return {design.left + share_of(anchors.left, grow_x), design.top + share_of(anchors.top, grow_y),
            design.right + share_of(anchors.right, grow_x),
            design.bottom + share_of(anchors.bottom, grow_y)};
}

Anchors control_anchors(ControlKind kind, const PixelRect& design, const LayoutLandmarks& marks) {
    const Column column = column_of(design, marks);
    Anchors anchors;
    anchors.left = column.left;
    anchors.right = column.right;
    switch (kind) {
    case ControlKind::PushButton:
    case ControlKind::CheckBox: {
        // Twice the centre against the column's two edges: no rounding in between.
        const bool nearer_right =
            design.left + design.right > column.design_left + column.design_right;
        anchors.left = anchors.right = nearer_right ? column.right : column.left;
        break;
    }
    case ControlKind::Label:
        if (2 * design.width() <= column.design_right - column.design_left)
            anchors.right = column.left;
        break;
    case ControlKind::Frame:
    case ControlKind::Field:
    case ControlKind::Tree:
    case ControlKind::Log:
        break;
    }
    if (kind == ControlKind::Tree) {
        anchors.bottom = Share::Half;
    } else if (kind == ControlKind::Log) {
        anchors.top = Share::Half;
        anchors.bottom = Share::Whole;
    } else if (design.top >= marks.tree.bottom) {
        anchors.top = anchors.bottom = Share::Half;
    } else if (design.bottom > marks.tree.bottom) {
        anchors.bottom = Share::Half;
    }
    return anchors;
}

PixelSize fitted_size(PixelSize design, PixelSize minimum, PixelSize area) {
    return {std::max(minimum.width, std::min(design.width, area.width)),
            std::max(minimum.height, std::min(design.height, area.height))};
}

PixelRect kept_inside(const PixelRect& rect, const PixelRect& area) {
    const int x = std::max(area.left, std::min(rect.left, area.right - rect.width()));
    const int y = std::max(area.top, std::min(rect.top, area.bottom - rect.height()));
    return {x, y, x + rect.width(), y + rect.height()};
}

bool caption_reachable(const PixelRect& rect, const std::vector<PixelRect>& work_areas,
                       int caption_height, int grip) {
    const int strip_bottom = rect.top + std::max(1, caption_height);
    for (const PixelRect& area : work_areas) {
        const int top = std::max(rect.top, area.top);
        const int bottom = std::min(strip_bottom, area.bottom);
        const int left = std::max(rect.left, area.left);
        const int right = std::min(rect.right, area.right);
        if (bottom > top && right - left >= grip) return true;
    }
    return false;
}

int tree_glyph_size(int dpi) {
    const int natural = 16 * dpi / 96;
    if (natural >= 32) return 32;
    if (natural >= 24) return 24;
    return 16;
}

int scaled_length(int length, int from_dpi, int to_dpi) {
    if (from_dpi <= 0) return length;
    const long long product = static_cast<long long>(length) * to_dpi;
    const long long half = from_dpi / 2;
    return static_cast<int>(product >= 0 ? (product + half) / from_dpi
                                         : -((-product + half) / from_dpi));
}

PixelRect scaled_rect(const PixelRect& rect, int from_dpi, int to_dpi) {
    return {scaled_length(rect.left, from_dpi, to_dpi), scaled_length(rect.top, from_dpi, to_dpi),
            scaled_length(rect.right, from_dpi, to_dpi),
            scaled_length(rect.bottom, from_dpi, to_dpi)};
}
