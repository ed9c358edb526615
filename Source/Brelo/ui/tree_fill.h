// Both trees emptied and filled with a scan's result a slice at a time, between the window's
// messages: a tree of tens of thousands of items never holds the window's thread for long.
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

// Replaces what both trees show with trees (null: both stay empty). The trees stop drawing;
// the items of the fill before are taken out, then both trees are cleared with one
// TVM_DELETEITEM of TVI_ROOT ("Scanning..." goes with it), then the new items go in: under
// each folder its sub-folders, then its files, in the order the value gives them, each item
// carrying its pair number (TreeItems), the output files asking for their names; at the end
// both roots are selected and expanded and the trees draw again; done is called then, once. The
// first slice runs now, so small trees are shown before this returns. trees must stay alive,
// unchanged in shape, until the next fill starts or the window goes. A fill in progress is
// replaced: its done is never called.
void start_tree_fill(HWND window, const FileTrees* trees, std::function<void()> done);

// A newer refresh has begun: the fill in progress puts nothing more in, and what it put in is
// taken out again in slices, so the trees never end up showing part of two results; a
// "Scanning..." item stays. Nothing happens when the trees are complete.
void supersede_tree_fill();

// The window goes: no more slices; the trees keep what they hold.
void abandon_tree_fill(HWND window);

// Runs change on the window's trees while they do not draw, then lets them draw again unless a
// fill holds them: a tree control that draws repaints, for every item inserted, each item
// shown below it one by one, which in a tree of thousands of folders takes long.
void change_trees_quietly(HWND window, const std::function<void()>& change);

// True while slices are due: the trees are being emptied or filled.
bool tree_fill_pending();

// The items shown by pair number, as far as the newest fill has put them in.
const TreeItems& shown_tree_items();

// The slice message and timer: the next slice, unless the number is not the one awaited.
void on_tree_slice_message(WPARAM slice);
bool on_tree_slice_timer(HWND window, UINT_PTR timer);

// Caps the items a slice handles (0: no cap, the default), besides the time each slice may
// take; lets the tests stop a fill halfway.
void set_tree_slice_items(std::size_t items);
