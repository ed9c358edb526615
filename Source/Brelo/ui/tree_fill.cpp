// The trees filled in slices: each slice puts in or takes out items for at most a few tens of
// milliseconds, then the window's other messages get their turn before the next one. Each
// result goes into a new pair of hidden controls that replaces the shown pair once complete;
// the replaced pair is emptied while hidden, after the new one shows.
#include "ui/tree_fill.h"

#include <chrono>
#include <deque>
#include <string>
#include <utility>
#include <vector>

#include <commctrl.h>

#include "ui/app.h"
#include "ui/controls.h"
#include "ui/resource.h"
#include "ui/tree_marks.h"
#include "ui/window_layout.h"

namespace {

using Clock = std::chrono::steady_clock;

// A slice ends once it has run this long; a message arriving meanwhile waits no longer.
constexpr auto slice_length = std::chrono::milliseconds(20);
// The clock is read once per this many items.
constexpr std::size_t items_per_clock_read = 16;

enum Side { Input = 0, Output = 1 };
constexpr std::size_t root_pair = 1;
constexpr int shown_ids[2] = {IDC_MAIN_INPUT_TREE, IDC_MAIN_OUTPUT_TREE};
constexpr int coming_ids[2] = {IDC_MAIN_INPUT_TREE_COMING, IDC_MAIN_OUTPUT_TREE_COMING};
constexpr int retired_ids[2] = {IDC_MAIN_INPUT_TREE_RETIRED, IDC_MAIN_OUTPUT_TREE_RETIRED};

// A pair of hidden controls to empty: files from the first, then folders from the last, so
// every item goes after its children and the root last; then the controls are destroyed with
// whatever has no pair ("Scanning...").
struct Retired {
    HWND trees[2] = {};
    TreeItems items;
    std::size_t next_file = 0;    // the next file pair to take out
    std::size_t next_folder = 0;  // one past the next folder pair to take out
};

struct FillState {
    HWND window = nullptr;
    TreeItems shown;  // the items of the controls under the dialog ids
    // The hidden pair being filled, and what went in so far; none without a fill.
    HWND coming[2] = {};
    TreeItems coming_items;
    // The result to show; without one no fill is in progress.
    bool has_target = false;
    const FileTrees* target = nullptr;
    std::function<void()> done;
    // The folders go in in the order of the value's list: the top level (the roots) first, then
    // every folder before the folders below it. The pair of the folder at place p is p + 1.
    std::size_t next_step = 0;   // the place of the next folder to go in
    std::size_t next_place = 0;  // the place of the folder whose files go in next
    std::size_t next_file = 0;
    std::deque<Retired> retired;  // the oldest first
    WNDPROC tree_proc = nullptr;
    unsigned awaited = 0;  // the number of the slice message or timer to come; 0 for none
    unsigned issued = 0;   // numbers over the program's life
    unsigned fills_shown = 0;
    std::size_t cap = 0;   // the most items a slice handles; 0 for no cap
};

FillState fill;

LRESULT send(Side side, UINT message, WPARAM wparam, LPARAM lparam) {
    return SendMessageW(fill.coming[side], message, wparam, lparam);
}

RECT rect_in_parent(HWND control) {
    RECT rect;
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// A hidden tree control like model, which does not draw until it shows.
HWND make_tree_like(HWND model, int id) {
    const RECT rect = rect_in_parent(model);
    HWND tree = CreateWindowExW(
        static_cast<DWORD>(GetWindowLongW(model, GWL_EXSTYLE)), WC_TREEVIEWW, L"",
        static_cast<DWORD>(GetWindowLongW(model, GWL_STYLE)) & ~WS_VISIBLE, rect.left, rect.top,
        rect.right - rect.left, rect.bottom - rect.top, GetParent(model),
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), app_instance(), nullptr);
    if (!tree) return nullptr;
    SendMessageW(tree, WM_SETFONT, SendMessageW(model, WM_GETFONT, 0, 0), FALSE);
    SendMessageW(tree, TVM_SETIMAGELIST, TVSIL_NORMAL,
                 SendMessageW(model, TVM_GETIMAGELIST, TVSIL_NORMAL, 0));
    set_mark_images(tree);
    if (fill.tree_proc)
        SetWindowLongPtrW(tree, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(fill.tree_proc));
    SendMessageW(tree, WM_SETREDRAW, FALSE, 0);
    return tree;
}

// The item goes in last under parent, so the order of the calls is the order shown. A state
// image other than 0 is the output's mark.
HTREEITEM insert(Side side, HTREEITEM parent, const std::string* text, int image, LPARAM pair,
                 int state_image = 0) {
    TVINSERTSTRUCTW insert = {};
    insert.hParent = parent ? parent : TVI_ROOT;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM;
    if (state_image) {
        insert.item.mask |= TVIF_STATE;
        insert.item.state = INDEXTOSTATEIMAGEMASK(state_image);
        insert.item.stateMask = TVIS_STATEIMAGEMASK;
    }
    std::wstring copy = text ? fit_wide(*text) : std::wstring();
    insert.item.pszText = text ? &copy[0] : LPSTR_TEXTCALLBACKW;
    insert.item.iImage = image;
    insert.item.iSelectedImage = image;
    insert.item.lParam = pair;
    return reinterpret_cast<HTREEITEM>(
        send(side, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
}

// output_text null: the output item asks for its text (see output_item_text).
void insert_pair(std::size_t parent_pair, const std::string& input_text,
                 const std::string* output_text, int image, const PreviewFile* file) {
    TreeItems& items = fill.coming_items;
    const LPARAM pair = static_cast<LPARAM>(items.input.size());
    items.input.push_back(insert(Input, parent_pair ? items.input[parent_pair] : nullptr,
                                 &input_text, image, pair));
    items.output.push_back(insert(Output, parent_pair ? items.output[parent_pair] : nullptr,
                                  output_text, image, pair,
                                  file ? state_image_of(file->mark) : blank_state_image));
    items.files.push_back(file);
}

// Hands a hidden pair over to be emptied. Some tree controls look for the insertion mark and
// the drop target among all their items on every deletion, through the whole list when these
// name no item; pointing them at the root, the first item made, ends each search at once. Such
// a control refuses the selected item as drop target, so the root is unselected first; the
// controls no longer carry a dialog id, so nobody hears of it.
void retire(HWND trees[2], TreeItems items) {
    Retired retired;
    for (Side side : {Input, Output}) {
        retired.trees[side] = trees[side];
        trees[side] = nullptr;
        if (!retired.trees[side]) continue;
        SetWindowLongPtrW(retired.trees[side], GWLP_ID, retired_ids[side]);
        SendMessageW(retired.trees[side], WM_SETREDRAW, FALSE, 0);
    }
    retired.items = std::move(items);
    if (retired.items.files.size() > root_pair) {
        std::size_t first_file = root_pair + 1;
        while (first_file < retired.items.files.size() && !retired.items.files[first_file])
            ++first_file;
        retired.next_file = first_file;
        retired.next_folder = first_file;
        for (Side side : {Input, Output}) {
            const HTREEITEM root =
                (side == Input ? retired.items.input : retired.items.output)[root_pair];
            if (!retired.trees[side] || !root) continue;
            const LPARAM mark = reinterpret_cast<LPARAM>(root);
            SendMessageW(retired.trees[side], TVM_SETINSERTMARK, FALSE, mark);
            SendMessageW(retired.trees[side], TVM_SELECTITEM, TVGN_CARET, 0);
            SendMessageW(retired.trees[side], TVM_SELECTITEM, TVGN_DROPHILITE, mark);
        }
    }
    fill.retired.push_back(std::move(retired));
}

// An item the control refused to make is passed over: a null item would empty the whole tree.
void delete_pair(const Retired& retired, std::size_t pair) {
    for (Side side : {Input, Output}) {
        const HTREEITEM item = (side == Input ? retired.items.input : retired.items.output)[pair];
        if (item && retired.trees[side])
            SendMessageW(retired.trees[side], TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(item));
    }
}

// Takes out one pair of items of the oldest replaced pair of trees, or destroys that pair once
// it is empty; false when none is left.
bool take_out_one() {
    if (fill.retired.empty()) return false;
    Retired& retired = fill.retired.front();
    if (retired.next_file < retired.items.files.size()) {
        delete_pair(retired, retired.next_file++);
        return true;
    }
    if (retired.next_folder > root_pair) {
        delete_pair(retired, --retired.next_folder);
        return true;
    }
    for (HWND tree : retired.trees)
        if (tree) DestroyWindow(tree);
    fill.retired.pop_front();
    return true;
}

std::size_t folder_count() {
    return fill.target ? fill.target->folders.size() : 0;
}

std::size_t file_count_of(std::size_t place) {
    return fill.target->files_of(fill.target->folders[place]).size();
}

bool inserting() {
    return fill.target && (fill.next_step < folder_count() || fill.next_place < folder_count());
}

// Puts in one pair of items: the roots and the folders first, then the files folder by folder.
// Some tree controls find a parent by a search from the first item made, so parents made
// before every file are found at once.
void put_in_one() {
    if (fill.next_step < folder_count()) {
        const std::size_t place = fill.next_step++;
        const PreviewFolder& folder = fill.target->folders[place];
        if (place == 0) {
            fill.coming_items.input.push_back(nullptr);
            fill.coming_items.output.push_back(nullptr);
            fill.coming_items.files.push_back(nullptr);
            insert_pair(0, fill.target->input_root, &fill.target->output_root, folder_image,
                        nullptr);
        } else {
            const std::string name(folder.name);
            insert_pair(folder.parent + root_pair, name, &name, folder_image, nullptr);
        }
        return;
    }
    const ItemRange<PreviewFile> files =
        fill.target->files_of(fill.target->folders[fill.next_place]);
    if (fill.next_file < files.size()) {
        const PreviewFile& file = files.begin()[fill.next_file++];
        insert_pair(fill.next_place + root_pair, std::string(file.name), nullptr, file_image,
                    &file);
    }
    // Folders without files of their own are passed over at once.
    while (fill.next_place < folder_count() && fill.next_file >= file_count_of(fill.next_place)) {
        ++fill.next_place;
        fill.next_file = 0;
    }
}

// The new tree takes the shown one's place: the same rectangle, the next place in the tab
// order, its enabled state, its id, and the focus if it had it; then it shows and the old one
// hides, in that order, so the place is never empty on the screen.
void swap_in(Side side) {
    HWND old = GetDlgItem(fill.window, shown_ids[side]);
    HWND tree = fill.coming[side];
    if (old) {
        const RECT rect = rect_in_parent(old);
        SetWindowPos(tree, old, rect.left, rect.top, rect.right - rect.left,
                     rect.bottom - rect.top, SWP_NOACTIVATE | SWP_NOREDRAW);
        EnableWindow(tree, IsWindowEnabled(old));
        SetWindowLongPtrW(old, GWLP_ID, retired_ids[side]);
        replace_laid_out_control(old, tree);
    }
    SetWindowLongPtrW(tree, GWLP_ID, shown_ids[side]);
    // Shown before it may draw: some systems take a window that is told to draw for visible.
    ShowWindow(tree, SW_SHOWNA);
    SendMessageW(tree, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(tree, nullptr, TRUE);
    if (old && GetFocus() == old) SetFocus(tree);
    if (old) ShowWindow(old, SW_HIDE);
    fill.coming[side] = old;  // handed to retire() with the items it showed
}

// The fill has nothing left to do: the result's roots are selected and expanded, as the trees
// showed it before they were filled in slices (the output root named as the fields are now),
// and the new trees replace the shown ones.
void finish() {
    if (fill.target) {
        const TreeItems& items = fill.coming_items;
        for (Side side : {Input, Output})
            send(side, TVM_SELECTITEM, TVGN_CARET,
                 reinterpret_cast<LPARAM>((side == Input ? items.input : items.output)[root_pair]));
        for (Side side : {Input, Output})
            send(side, TVM_EXPAND, TVE_EXPAND,
                 reinterpret_cast<LPARAM>((side == Input ? items.input : items.output)[root_pair]));
        set_item_text(fill.coming[Output], items.output[root_pair], fill.target->output_root);
    }
    for (Side side : {Input, Output}) swap_in(side);
    TreeItems replaced = std::move(fill.shown);
    fill.shown = std::move(fill.coming_items);
    fill.coming_items = TreeItems();
    retire(fill.coming, std::move(replaced));
    ++fill.fills_shown;
    std::function<void()> done = std::move(fill.done);
    fill.done = nullptr;
    fill.has_target = false;
    fill.target = nullptr;
    if (done) done();
}

enum class Step { Done, Handled, Shown };

// Handles one item: a fill goes before the emptying of replaced trees.
Step step_once() {
    if (fill.has_target) {
        if (!inserting()) {
            finish();
            return Step::Shown;
        }
        put_in_one();
        return Step::Handled;
    }
    return take_out_one() ? Step::Handled : Step::Done;
}

bool work_left() {
    return fill.has_target || !fill.retired.empty();
}

// Sends itself the next slice. Posted messages come before input, painting and timers, so
// when any of these wait the slice comes by the timer, after them.
void schedule() {
    if (fill.awaited) return;
    fill.awaited = ++fill.issued;
    if (HIWORD(GetQueueStatus(QS_INPUT | QS_PAINT | QS_TIMER | QS_HOTKEY)))
        SetTimer(fill.window, tree_slice_timer_id, USER_TIMER_MINIMUM, nullptr);
    else
        PostMessageW(fill.window, tree_slice_message, fill.awaited, 0);
}

void run_slice() {
    const Clock::time_point end = Clock::now() + slice_length;
    for (std::size_t handled = 1;; ++handled) {
        const Step step = step_once();
        if (step == Step::Done) return;
        // The new trees paint before anything else is done.
        if (step == Step::Shown) break;
        if (fill.cap && handled >= fill.cap) break;
        if (handled % items_per_clock_read == 0 && Clock::now() >= end) break;
    }
    if (work_left()) schedule();
}

}  // namespace

void start_tree_fill(HWND window, const FileTrees* trees, std::function<void()> done) {
    fill.window = window;
    supersede_tree_fill();
    for (Side side : {Input, Output}) {
        fill.coming[side] = make_tree_like(GetDlgItem(window, shown_ids[side]), coming_ids[side]);
        if (fill.coming[side]) continue;
        // No control could be made: the shown trees stay as they are, and the notice shows.
        retire(fill.coming, TreeItems());
        if (done) done();
        run_slice();
        return;
    }
    fill.has_target = true;
    fill.target = trees;
    fill.done = std::move(done);
    fill.next_step = fill.next_place = fill.next_file = 0;
    while (fill.next_place < folder_count() && file_count_of(fill.next_place) == 0)
        ++fill.next_place;
    // The slice awaited may come later than this one; this one starts now.
    if (fill.awaited) KillTimer(window, tree_slice_timer_id);
    fill.awaited = 0;
    run_slice();
}

void supersede_tree_fill() {
    if (!fill.has_target) return;
    retire(fill.coming, std::move(fill.coming_items));
    fill.coming_items = TreeItems();
    fill.has_target = false;
    fill.target = nullptr;
    fill.done = nullptr;
}

void abandon_tree_fill(HWND window) {
    KillTimer(window, tree_slice_timer_id);
    const unsigned issued = fill.issued;
    const unsigned shown = fill.fills_shown;
    const std::size_t cap = fill.cap;
    const WNDPROC proc = fill.tree_proc;
    fill = FillState();
    fill.issued = issued;
    fill.fills_shown = shown;
    fill.cap = cap;
    fill.tree_proc = proc;
}

void set_new_tree_proc(WNDPROC proc) {
    fill.tree_proc = proc;
}

void change_trees_quietly(HWND window, const std::function<void()>& change) {
    HWND trees[] = {GetDlgItem(window, IDC_MAIN_INPUT_TREE),
                    GetDlgItem(window, IDC_MAIN_OUTPUT_TREE)};
    for (HWND tree : trees) SendMessageW(tree, WM_SETREDRAW, FALSE, 0);
    change();
    for (HWND tree : trees) {
        SendMessageW(tree, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(tree, nullptr, TRUE);
    }
}

bool tree_fill_pending() {
    return work_left();
}

const TreeItems& shown_tree_items() {
    return fill.shown;
}

const TreeItems* tree_items_of(int tree_id) {
    if (tree_id == IDC_MAIN_INPUT_TREE || tree_id == IDC_MAIN_OUTPUT_TREE) return &fill.shown;
    if (fill.has_target &&
        (tree_id == IDC_MAIN_INPUT_TREE_COMING || tree_id == IDC_MAIN_OUTPUT_TREE_COMING))
        return &fill.coming_items;
    return nullptr;
}

HWND shown_tree_instead(HWND tree) {
    HWND parent = GetParent(tree);
    switch (GetDlgCtrlID(tree)) {
    case IDC_MAIN_INPUT_TREE_COMING:
    case IDC_MAIN_INPUT_TREE_RETIRED: return GetDlgItem(parent, IDC_MAIN_INPUT_TREE);
    case IDC_MAIN_OUTPUT_TREE_COMING:
    case IDC_MAIN_OUTPUT_TREE_RETIRED: return GetDlgItem(parent, IDC_MAIN_OUTPUT_TREE);
    }
    return nullptr;
}

unsigned tree_fills_shown() {
    return fill.fills_shown;
}

void on_tree_slice_message(WPARAM slice) {
    if (!fill.awaited || slice != fill.awaited) return;
    fill.awaited = 0;
    run_slice();
}

bool on_tree_slice_timer(HWND window, UINT_PTR timer) {
    if (timer != tree_slice_timer_id) return false;
    KillTimer(window, tree_slice_timer_id);
    if (fill.awaited) {
        fill.awaited = 0;
        run_slice();
    }
    return true;
}

void set_tree_slice_items(std::size_t items) {
    fill.cap = items;
}
