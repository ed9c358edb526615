// The trees filled in slices: each slice takes out or puts in items for at most a few tens of
// milliseconds, then the window's other messages get their turn before the next one.
#include "ui/tree_fill.h"

#include <chrono>
#include <string>
#include <utility>
#include <vector>

#include <commctrl.h>

#include "ui/app.h"
#include "ui/controls.h"
#include "ui/resource.h"

namespace {

using Clock = std::chrono::steady_clock;

// A slice ends once it has run this long; a message arriving meanwhile waits no longer.
constexpr auto slice_length = std::chrono::milliseconds(20);
// The clock is read once per this many items.
constexpr std::size_t items_per_clock_read = 16;

enum Side { Input = 0, Output = 1 };
constexpr std::size_t root_pair = 1;

// A folder of the value in the order its items go in: the top level (the roots) first, then
// every folder before its sub-folders, each after its elder siblings' sub-trees.
struct FolderStep {
    const PreviewFolder* folder;
    std::size_t parent_pair;  // 0 for the top level
};

void list_folders(const PreviewFolder& folder, std::size_t pair, std::vector<FolderStep>& steps) {
    for (const PreviewFolder& sub : folder.folders) {
        steps.push_back({&sub, pair});
        list_folders(sub, steps.size(), steps);  // the pair of sub: roots are pair 1
    }
}

struct FillState {
    HWND window = nullptr;
    HWND trees[2] = {};
    TreeItems shown;  // what the newest fill put in
    // Items of an earlier fill, to take out: files from the first, then folders from the last,
    // so every item goes after its children; the roots last, unless TVI_ROOT takes them.
    TreeItems old;
    std::size_t old_file = 0;    // the next file pair to take out
    std::size_t old_folder = 0;  // one past the next folder pair to take out
    // The result to show; without one the trees are only emptied.
    bool has_target = false;
    const FileTrees* target = nullptr;
    std::function<void()> done;
    bool cleared = false;  // TVI_ROOT is gone for this target
    std::vector<FolderStep> steps;
    std::size_t next_step = 0;
    std::size_t next_place = 0;  // the folder whose files go in next, as steps[next_place]
    std::size_t next_file = 0;
    bool drawing = true;
    unsigned awaited = 0;  // the number of the slice message or timer to come; 0 for none
    unsigned issued = 0;   // numbers over the program's life
    std::size_t cap = 0;   // the most items a slice handles; 0 for no cap
};

FillState fill;

LRESULT send(Side side, UINT message, WPARAM wparam, LPARAM lparam) {
    return SendMessageW(fill.trees[side], message, wparam, lparam);
}

void set_drawing(bool on) {
    if (fill.drawing == on) return;
    fill.drawing = on;
    for (HWND tree : fill.trees) {
        SendMessageW(tree, WM_SETREDRAW, on, 0);
        if (on) InvalidateRect(tree, nullptr, TRUE);
    }
}

// The item goes in last under parent, so the order of the calls is the order shown.
HTREEITEM insert(Side side, HTREEITEM parent, const std::string* text, int image, LPARAM pair) {
    TVINSERTSTRUCTW insert = {};
    insert.hParent = parent ? parent : TVI_ROOT;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM;
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
    TreeItems& items = fill.shown;
    const LPARAM pair = static_cast<LPARAM>(items.input.size());
    items.input.push_back(insert(Input, parent_pair ? items.input[parent_pair] : nullptr,
                                 &input_text, image, pair));
    items.output.push_back(insert(Output, parent_pair ? items.output[parent_pair] : nullptr,
                                  output_text, image, pair));
    items.files.push_back(file);
}

// An item the control refused to make is passed over: a null item would empty the whole tree.
void delete_pair(std::size_t pair) {
    for (Side side : {Input, Output}) {
        HTREEITEM item = side == Input ? fill.old.input[pair] : fill.old.output[pair];
        if (item) send(side, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(item));
    }
}

// What was shown becomes what is taken out. The files come after every folder.
void retire_shown() {
    fill.old = std::move(fill.shown);
    fill.shown = TreeItems();
    if (fill.old.files.size() <= root_pair) {
        fill.old_file = fill.old_folder = 0;
        return;
    }
    std::size_t first_file = root_pair + 1;
    while (first_file < fill.old.files.size() && !fill.old.files[first_file]) ++first_file;
    fill.old_file = first_file;
    fill.old_folder = first_file;
    // Some tree controls look for the insertion mark and the drop target among all their items
    // on every deletion, through the whole list when these name no item; pointing them at the
    // root, the first item made, ends each search at once. Nothing shows them: the trees do not
    // draw until the roots are gone, and they go with the roots. Such a control refuses the
    // selected item as drop target, so the root is unselected first: mirroring ignores that, as
    // no selected item has a partner.
    set_drawing(false);
    for (Side side : {Input, Output}) {
        const LPARAM root = reinterpret_cast<LPARAM>(
            side == Input ? fill.old.input[root_pair] : fill.old.output[root_pair]);
        send(side, TVM_SETINSERTMARK, FALSE, root);
        send(side, TVM_SELECTITEM, TVGN_CARET, 0);
        send(side, TVM_SELECTITEM, TVGN_DROPHILITE, root);
    }
}

bool emptying() {
    return fill.old_file < fill.old.files.size() ||
           fill.old_folder > (fill.has_target ? root_pair + 1 : root_pair);
}

// Takes out one item of each tree; false when nothing of the earlier fill is left.
bool take_out_one() {
    if (fill.old_file < fill.old.files.size()) {
        delete_pair(fill.old_file++);
        return true;
    }
    // Under a target, TVI_ROOT takes the roots.
    if (fill.old_folder > (fill.has_target ? root_pair + 1 : root_pair)) {
        delete_pair(--fill.old_folder);
        return true;
    }
    return false;
}

bool inserting() {
    return fill.target && (fill.next_step < fill.steps.size() ||
                           fill.next_place < fill.steps.size());
}

// Puts in one pair of items: the roots and the folders first, then the files folder by folder.
// Some tree controls find a parent by a search from the first item made, so parents made
// before every file are found at once.
void put_in_one() {
    if (fill.next_step < fill.steps.size()) {
        const FolderStep& step = fill.steps[fill.next_step++];
        if (!step.parent_pair) {
            fill.shown.input.push_back(nullptr);
            fill.shown.output.push_back(nullptr);
            fill.shown.files.push_back(nullptr);
            insert_pair(0, fill.target->input_root, &fill.target->output_root, folder_image,
                        nullptr);
        } else {
            insert_pair(step.parent_pair, step.folder->name, &step.folder->name, folder_image,
                        nullptr);
        }
        return;
    }
    const std::vector<PreviewFile>& files = fill.steps[fill.next_place].folder->files;
    if (fill.next_file < files.size()) {
        const PreviewFile& file = files[fill.next_file++];
        insert_pair(fill.next_place + 1, file.name, nullptr, file_image, &file);
    }
    // Folders without files of their own are passed over at once.
    while (fill.next_place < fill.steps.size() &&
           fill.next_file >= fill.steps[fill.next_place].folder->files.size()) {
        ++fill.next_place;
        fill.next_file = 0;
    }
}

// The fill has nothing left to do: a result shown gets its roots selected and expanded, as
// the trees showed it before they were filled in slices; then the trees draw again.
void finish() {
    if (fill.has_target && fill.target) {
        for (Side side : {Input, Output}) {
            const std::vector<HTREEITEM>& items =
                side == Input ? fill.shown.input : fill.shown.output;
            send(side, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(items[root_pair]));
        }
        for (Side side : {Input, Output}) {
            const std::vector<HTREEITEM>& items =
                side == Input ? fill.shown.input : fill.shown.output;
            send(side, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(items[root_pair]));
        }
    }
    set_drawing(true);
    std::function<void()> done = std::move(fill.done);
    fill.done = nullptr;
    fill.has_target = false;
    fill.target = nullptr;
    fill.steps.clear();
    if (done) done();
}

// Handles one item or one clearing; false once the fill has nothing left to do.
bool step_once() {
    if (emptying()) return take_out_one();
    if (!fill.has_target) return false;
    if (!fill.cleared) {
        for (Side side : {Input, Output})
            send(side, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
        fill.cleared = true;
        fill.old = TreeItems();
        fill.old_file = fill.old_folder = 0;
        return true;
    }
    if (inserting()) {
        put_in_one();
        return true;
    }
    return false;
}

bool work_left() {
    return emptying() || fill.has_target;
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
    if (!work_left()) return;
    set_drawing(false);
    const Clock::time_point end = Clock::now() + slice_length;
    for (std::size_t handled = 1;; ++handled) {
        if (!step_once()) {
            finish();
            return;
        }
        if (fill.cap && handled >= fill.cap) break;
        if (handled % items_per_clock_read == 0 && Clock::now() >= end) break;
    }
    schedule();
}

}  // namespace

void start_tree_fill(HWND window, const FileTrees* trees, std::function<void()> done) {
    fill.window = window;
    fill.trees[Input] = GetDlgItem(window, IDC_MAIN_INPUT_TREE);
    fill.trees[Output] = GetDlgItem(window, IDC_MAIN_OUTPUT_TREE);
    // A fill still putting items in has them taken out with those before them.
    supersede_tree_fill();
    if (!emptying()) retire_shown();
    fill.has_target = true;
    fill.target = trees;
    fill.done = std::move(done);
    fill.cleared = false;
    fill.steps.clear();
    if (trees) {
        fill.steps.push_back({&trees->top, 0});
        list_folders(trees->top, root_pair, fill.steps);
    }
    fill.next_step = fill.next_place = fill.next_file = 0;
    while (fill.next_place < fill.steps.size() && fill.steps[fill.next_place].folder->files.empty())
        ++fill.next_place;
    // The slice awaited belongs to the fill replaced; this one starts now.
    if (fill.awaited) KillTimer(window, tree_slice_timer_id);
    fill.awaited = 0;
    run_slice();
}

void supersede_tree_fill() {
    if (!fill.has_target && !emptying()) return;
    if (fill.has_target && fill.cleared) retire_shown();
    fill.has_target = false;
    fill.target = nullptr;
    fill.done = nullptr;
    fill.steps.clear();
    if (!work_left()) set_drawing(true);
}

void abandon_tree_fill(HWND window) {
    KillTimer(window, tree_slice_timer_id);
    const unsigned issued = fill.issued;
    const std::size_t cap = fill.cap;
    fill = FillState();
    fill.issued = issued;
    fill.cap = cap;
}

void change_trees_quietly(HWND window, const std::function<void()>& change) {
    if (!fill.drawing) {
        change();
        return;
    }
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
