// Both trees filled with a scan's result, and the trees they replace emptied, a slice at a time
// between the window's messages: a tree of tens of thousands of items never holds the window's
// thread for long.
#pragma once

#include <cstddef>
#include <functional>

#include <windows.h>

#include "engine/scan.h"
#include "ui/window_values.h"

// What the window posts itself to go on with the trees; the first parameter is the slice's
// number. When other messages wait, the next slice comes by this timer instead, after them.
constexpr UINT tree_slice_message = WM_APP + 3;
constexpr UINT_PTR tree_slice_timer_id = 4;

// Replaces what both trees show with trees (null: both empty). A new pair of tree controls,
// made like the shown ones (style, font, glyphs, subclassing) but hidden and under ids of their
// own, is filled a slice at a time: under each folder its sub-folders, then its files, in the
// order the value gives them, each item carrying its pair number (TreeItems), the output files
// asking for their names; at the end both roots are selected and expanded. Then the new pair
// takes the shown pair's place, ids, position, tab order, state and focus, and shows; done is
// called then, once. The replaced pair, hidden, is emptied in slices after every fill and
// destroyed: a tree control takes long to give up tens of thousands of items, and the new
// trees need not wait for it. The shown trees keep showing, and drawing, what they held until
// then ("Scanning..." included). The first slice runs now, so small trees are shown before this
// returns. trees must stay alive, unchanged in shape, until done is called or the next fill
// starts. A fill in progress is replaced: its done is never called.
void start_tree_fill(HWND window, const FileTrees* trees, std::function<void()> done);

// A newer refresh has begun: the fill in progress puts nothing more in, and its hidden pair is
// emptied and destroyed like a replaced one; the shown trees stay as they are. Nothing happens
// when no fill is in progress.
void supersede_tree_fill();

// The window goes: no more slices; the trees keep what they hold.
void abandon_tree_fill(HWND window);

// The procedure every new tree control is subclassed with, as the window's own trees are.
void set_new_tree_proc(WNDPROC proc);

// Runs change on the shown trees while they do not draw, then lets them draw again: a tree
// control that draws repaints, for every item inserted, each item
// shown below it one by one, which in a tree of thousands of folders takes long.
void change_trees_quietly(HWND window, const std::function<void()>& change);

// True while slices are due: trees are being filled or replaced ones emptied.
bool tree_fill_pending();

// The items of the shown trees by pair number.
const TreeItems& shown_tree_items();
// The items of the trees under the dialog id tree_id: the shown ones, or those being filled
// (IDC_MAIN_*_TREE_COMING); null for any other id.
const TreeItems* tree_items_of(int tree_id);
// The shown tree of the same side as a tree being filled or replaced; null for any other.
HWND shown_tree_instead(HWND tree);
// The number of fills shown since the program began: one per refresh of the input side whose
// result the trees show.
unsigned tree_fills_shown();

// The slice message and timer: the next slice, unless the number is not the one awaited.
void on_tree_slice_message(WPARAM slice);
bool on_tree_slice_timer(HWND window, UINT_PTR timer);

// Caps the items a slice handles (0: no cap, the default), besides the time each slice may
// take; lets the tests stop a fill halfway.
void set_tree_slice_items(std::size_t items);
