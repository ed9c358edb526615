// The main window's layout on resizing, its placement and its response to a change of DPI.
#include "ui/window_layout.h"

#include <vector>

#include <commctrl.h>

#include "ui/app.h"
#include "ui/layout_rules.h"
#include "ui/resource.h"
#include "ui/tree_marks.h"

namespace {

struct DesignControl {
    HWND control;
    PixelRect rect;
    Anchors anchors;
};

struct LayoutState {
    HWND window = nullptr;
    std::vector<DesignControl> controls;
    PixelSize client;          // the design's client size at dpi
    PixelSize minimum_client;  // at dpi
    PixelSize laid_out;        // the client size the controls were last placed for
    int dpi = 96;
    HFONT font = nullptr;      // made for a DPI change; the template's font belongs to the dialog
};

LayoutState layout;

PixelRect rect_of(const RECT& r) {
    return {r.left, r.top, r.right, r.bottom};
}

// The control's rectangle in the window's client coordinates. A combo box counts without its
// list: given the height it has, it keeps the length of its list.
PixelRect client_rect_of(HWND window, HWND control) {
    RECT r;
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
    return rect_of(r);
}

bool is_combo_box(HWND control) {
    wchar_t name[16] = {};
    GetClassNameW(control, name, 16);
    return lstrcmpiW(name, L"ComboBox") == 0;
}

// The height of a combo box's open list (with or without the box itself, as the system has
// it). The message's result is no guide: some systems answer 0 for success.
int dropped_height(HWND combo) {
    RECT dropped = {};
    SendMessageW(combo, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
    return dropped.bottom - dropped.top;
}

ControlKind kind_of(HWND control) {
    if (GetDlgCtrlID(control) == IDC_MAIN_LOG) return ControlKind::Log;
    wchar_t name[32] = {};
    GetClassNameW(control, name, 32);
    if (lstrcmpiW(name, L"Button") == 0) {
        switch (GetWindowLongW(control, GWL_STYLE) & BS_TYPEMASK) {
        case BS_GROUPBOX: return ControlKind::Frame;
        case BS_CHECKBOX:
        case BS_AUTOCHECKBOX:
        case BS_3STATE:
        case BS_AUTO3STATE: return ControlKind::CheckBox;
        }
        return ControlKind::PushButton;
    }
    if (lstrcmpiW(name, L"Static") == 0) return ControlKind::Label;
    if (lstrcmpiW(name, WC_TREEVIEWW) == 0) return ControlKind::Tree;
    return ControlKind::Field;
}

PixelSize client_size(HWND window) {
    RECT r;
    GetClientRect(window, &r);
    return {r.right - r.left, r.bottom - r.top};
}

// What the frame, caption and borders add to the client size.
PixelSize frame_size(HWND window) {
    RECT outer;
    GetWindowRect(window, &outer);
    const PixelSize client = client_size(window);
    return {outer.right - outer.left - client.width, outer.bottom - outer.top - client.height};
}

PixelSize scaled_size(PixelSize size, int from_dpi, int to_dpi) {
    return {scaled_length(size.width, from_dpi, to_dpi),
            scaled_length(size.height, from_dpi, to_dpi)};
}

BOOL CALLBACK add_work_area(HMONITOR monitor, HDC, LPRECT, LPARAM areas) {
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    if (GetMonitorInfoW(monitor, &info))
        reinterpret_cast<std::vector<PixelRect>*>(areas)->push_back(rect_of(info.rcWork));
    return TRUE;
}

std::vector<PixelRect> work_areas() {
    std::vector<PixelRect> areas;
    EnumDisplayMonitors(nullptr, nullptr, add_work_area, reinterpret_cast<LPARAM>(&areas));
    return areas;
}

MONITORINFO primary_monitor() {
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    GetMonitorInfoW(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &info);
    return info;
}

// Restored frames come in workspace coordinates, which start at the primary screen's work
// area rather than at the screen's corner.
POINT workspace_origin() {
    const MONITORINFO info = primary_monitor();
    return {info.rcWork.left - info.rcMonitor.left, info.rcWork.top - info.rcMonitor.top};
}

// The design size unless the primary screen's work area is smaller, centred as ever; a window
// that had to shrink is kept inside the work area, which the centring alone does not promise.
// The size of the main window's template in dialog units. The window itself may have been
// made smaller than its template already when it was created, on a screen too small for it.
bool template_size(SIZE& size) {
    HRSRC found = FindResourceW(app_instance(), MAKEINTRESOURCEW(IDD_MAIN),
                                MAKEINTRESOURCEW(5));  // RT_DIALOG
    HGLOBAL loaded = found ? LoadResource(app_instance(), found) : nullptr;
    const auto* words = loaded ? static_cast<const WORD*>(LockResource(loaded)) : nullptr;
    if (!words || SizeofResource(app_instance(), found) < 26) return false;
    // An extended template starts with version 1 and 0xFFFF, and has its size 4 words later.
    const bool extended = words[0] == 1 && words[1] == 0xFFFF;
    const WORD* at = words + (extended ? 11 : 7);
    size = {static_cast<short>(at[0]), static_cast<short>(at[1])};
    return size.cx > 0 && size.cy > 0;
}

void show_at_default(HWND window) {
    const PixelSize frame = frame_size(window);
    const PixelSize design = {layout.client.width + frame.width,
                              layout.client.height + frame.height};
    const PixelSize minimum = {layout.minimum_client.width + frame.width,
                               layout.minimum_client.height + frame.height};
    const PixelRect work = rect_of(primary_monitor().rcWork);
    const PixelSize size = fitted_size(design, minimum, {work.width(), work.height()});
    SetWindowPos(window, nullptr, 0, 0, size.width, size.height,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(window, SW_SHOW);
    center_window(window);
    if (size.width == design.width && size.height == design.height) return;
    RECT placed;
    GetWindowRect(window, &placed);
    const PixelRect inside = kept_inside(rect_of(placed), work);
    SetWindowPos(window, nullptr, inside.left, inside.top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Lets the dialog manager of Windows 10 1703 and later leave a DPI change to us; older systems
// do nothing on their own.
void keep_dpi_change_to_ourselves(HWND window) {
    using SetBehaviour = BOOL(WINAPI*)(HWND, int, int);
    constexpr int disable_all = 1;  // DDC_DISABLE_ALL
    const auto set = reinterpret_cast<SetBehaviour>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetDialogDpiChangeBehavior")));
    if (set) set(window, disable_all, disable_all);
}

// The dialog keeps the template's font, which the dialog manager made and will delete; the
// controls get ours.
void replace_font(HWND window, int from_dpi, int to_dpi) {
    HFONT current = layout.font ? layout.font
                                : reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
    LOGFONTW description = {};
    if (!current || !GetObjectW(current, sizeof description, &description)) return;
    description.lfHeight = scaled_length(description.lfHeight, from_dpi, to_dpi);
    description.lfWidth = scaled_length(description.lfWidth, from_dpi, to_dpi);
    HFONT font = CreateFontIndirectW(&description);
    if (!font) return;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    // Only now is the previous font no control's any more.
    if (layout.font) DeleteObject(layout.font);
    layout.font = font;
}

// A combo box given a height above its own takes it for the height with its list open, and
// keeps its own height; a new font changed its own, so its list is set again.
void scale_combo_lists(int from_dpi, int to_dpi) {
    for (const DesignControl& design : layout.controls) {
        if (!is_combo_box(design.control)) continue;
        const int list = dropped_height(design.control);
        if (list <= 0) continue;
        const int height = scaled_length(list, from_dpi, to_dpi);
        RECT r;
        GetWindowRect(design.control, &r);
        SetWindowPos(design.control, nullptr, 0, 0, r.right - r.left, height,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

// Every tree control gets them, the hidden ones being filled or emptied too.
void replace_tree_glyphs(HWND window, int dpi) {
    HIMAGELIST previous = take_tree_images();
    HIMAGELIST previous_marks = take_tree_mark_images();
    if (!create_tree_images(tree_glyph_size(dpi))) return;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (kind_of(child) == ControlKind::Tree) {
            SendMessageW(child, TVM_SETIMAGELIST, TVSIL_NORMAL,
                         reinterpret_cast<LPARAM>(tree_images()));
            set_mark_images(child);
        }
    if (previous) ImageList_Destroy(previous);
    if (previous_marks) ImageList_Destroy(previous_marks);
}

}  // namespace

void capture_design_layout(HWND window) {
    layout = LayoutState();
    layout.window = window;
    layout.dpi = window_dpi(window);
    layout.client = client_size(window);
    SIZE units;
    if (template_size(units)) {
        RECT design = {0, 0, units.cx, units.cy};
        MapDialogRect(window, &design);
        layout.client = {design.right, design.bottom};
    }
    // The controls stand where the template put them, whatever size the window got.
    layout.laid_out = layout.client;
    RECT minimum = {0, 0, minimum_client_width_units, minimum_client_height_units};
    MapDialogRect(window, &minimum);
    layout.minimum_client = {minimum.right, minimum.bottom};

    LayoutLandmarks marks;
    marks.input_group = client_rect_of(window, GetDlgItem(window, IDC_MAIN_INPUT_FRAME));
    marks.output_group = client_rect_of(window, GetDlgItem(window, IDC_MAIN_OUTPUT_FRAME));
    marks.tree = client_rect_of(window, GetDlgItem(window, IDC_MAIN_INPUT_TREE));
    marks.log = client_rect_of(window, GetDlgItem(window, IDC_MAIN_LOG));
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const PixelRect rect = client_rect_of(window, child);
        layout.controls.push_back({child, rect, control_anchors(kind_of(child), rect, marks)});
    }
    keep_dpi_change_to_ourselves(window);
}

void show_at_placement(HWND window, const WindowPlacement& placement) {
    const PixelRect rect = {placement.x, placement.y, placement.x + placement.width,
                            placement.y + placement.height};
    const int caption = GetSystemMetrics(SM_CYCAPTION);
    if (!placement.known || !caption_reachable(rect, work_areas(), caption, 2 * caption)) {
        show_at_default(window);
        return;
    }
    SetWindowPos(window, nullptr, rect.left, rect.top, rect.width(), rect.height(),
                 SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(window, placement.maximized ? SW_SHOWMAXIMIZED : SW_SHOW);
}

WindowPlacement current_placement(HWND window) {
    WindowPlacement placement;
    placement.known = true;
    RECT frame;
    WINDOWPLACEMENT stored = {};
    stored.length = sizeof stored;
    if ((IsIconic(window) || IsZoomed(window)) && GetWindowPlacement(window, &stored)) {
        const POINT origin = workspace_origin();
        frame = stored.rcNormalPosition;
        OffsetRect(&frame, origin.x, origin.y);
        placement.maximized =
            IsZoomed(window) || (stored.flags & WPF_RESTORETOMAXIMIZED) != 0;
    } else {
        GetWindowRect(window, &frame);
    }
    placement.x = frame.left;
    placement.y = frame.top;
    placement.width = frame.right - frame.left;
    placement.height = frame.bottom - frame.top;
    return placement;
}

void layout_controls(HWND window) {
    if (window != layout.window || IsIconic(window)) return;
    const PixelSize client = client_size(window);
    if (client.width == layout.laid_out.width && client.height == layout.laid_out.height) return;
    layout.laid_out = client;
    const int grow_x = client.width - layout.client.width;
    const int grow_y = client.height - layout.client.height;
    HDWP positions = BeginDeferWindowPos(static_cast<int>(layout.controls.size()));
    for (const DesignControl& design : layout.controls) {
        const PixelRect r = anchored_rect(design.rect, design.anchors, grow_x, grow_y);
        // A combo box keeps the height its font gives it.
        int height = r.height();
        if (is_combo_box(design.control)) {
            RECT now;
            GetWindowRect(design.control, &now);
            height = now.bottom - now.top;
        }
        if (positions)
            positions = DeferWindowPos(positions, design.control, nullptr, r.left, r.top,
                                       r.width(), height,
                                       SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOCOPYBITS);
    }
    if (positions) EndDeferWindowPos(positions);
    // Group boxes paint only their frame and label: whatever the old layout left inside them
    // would stay on the screen.
    RedrawWindow(window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

bool set_minimum_track_size(HWND window, MINMAXINFO& info) {
    if (window != layout.window) return false;
    const PixelSize frame = frame_size(window);
    info.ptMinTrackSize.x = layout.minimum_client.width + frame.width;
    info.ptMinTrackSize.y = layout.minimum_client.height + frame.height;
    return true;
}

void on_dpi_changed(HWND window, int dpi, const RECT& suggested) {
    if (window == layout.window && dpi > 0 && dpi != layout.dpi) {
        const int from = layout.dpi;
        for (DesignControl& design : layout.controls)
            design.rect = scaled_rect(design.rect, from, dpi);
        layout.client = scaled_size(layout.client, from, dpi);
        layout.minimum_client = scaled_size(layout.minimum_client, from, dpi);
        layout.dpi = dpi;
        replace_font(window, from, dpi);
        scale_combo_lists(from, dpi);
        replace_tree_glyphs(window, dpi);
        layout.laid_out = PixelSize();  // lay out anew even if the client keeps its size
    }
    SetWindowPos(window, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    layout_controls(window);
}

int window_dpi(HWND window) {
    using GetDpi = UINT(WINAPI*)(HWND);
    static const auto get_dpi = reinterpret_cast<GetDpi>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (get_dpi) {
        const UINT dpi = get_dpi(window);
        if (dpi > 0) return static_cast<int>(dpi);
    }
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

void release_layout() {
    if (layout.font) DeleteObject(layout.font);
    layout = LayoutState();
}

void replace_laid_out_control(HWND old_control, HWND new_control) {
    for (DesignControl& design : layout.controls)
        if (design.control == old_control) design.control = new_control;
}
