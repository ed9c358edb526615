// The one place where the main window's controls meet values: the fields as RunSettings, the
// stored settings shown in the controls and the edits that go into them, the histories after a
// run, the two trees and the log box.
#pragma once

#include <string>
#include <vector>

#include <windows.h>
#include <commctrl.h>

#include "engine/run_settings.h"
#include "engine/scan.h"
#include "engine/stored_settings.h"

// The run's fields as typed, through capture_settings: the four texts (each cut to 259
// characters, the directories without trailing backslashes) and the two switches a run reads.
RunSettings read_run_settings(HWND window);

// Shows the stored settings: each history in its combo box with row 0 selected, or the field's
// fallback text when the history is empty; the four switches ("Include Subfolders", both "Auto
// Refresh" and "Skip up-to-date files"); the converter box as show_converters fills it.
void show_stored_settings(HWND window, const StoredSettings& stored);

// One converter box row per converter, in display order, with the current converter's row
// selected (none for -1).
void show_converters(HWND window, const StoredSettings& stored);

// The tick box with this id has changed: its switch in stored takes the box's state. Ids that
// are not one of the four switches' boxes change nothing.
void read_tick(HWND window, int id, StoredSettings& stored);

// remember_values on stored, then each history shown anew in its combo box: afterwards the value
// heads the rows and is selected, so the field shows it.
void remember_in_history_boxes(HWND window, StoredSettings& stored, const RememberedValues& values);

// The items of both trees by pair number: the items at the same place in the two trees share
// a number, which each item carries as its parameter; 0 is no pair. Number 1 is the two roots.
struct TreeItems {
    std::vector<HTREEITEM> input;   // [0] unused
    std::vector<HTREEITEM> output;  // [0] unused
    // The file of each pair, null for folders and roots: the output tree asks for a file's
    // name when it shows it, so a renaming only repaints. Points into the value shown.
    std::vector<const PreviewFile*> files;
};

// Sets the text of a tree item, cut as fit_wide cuts it.
void set_item_text(HWND tree, HTREEITEM item, const std::string& text);

// The partner in the other tree of the item with parameter pair in tree tree_id; null for no
// pair (the "Scanning..." items) or a number that is not shown.
HTREEITEM partner_item(const TreeItems& items, int tree_id, LPARAM pair);

// The output tree asks for the text of an item it shows: the file's output name in UTF-16, cut
// as fit_wide cuts it to the smaller of capacity and 260 units, into buffer, which holds
// capacity units. False for an item that is not an output file.
bool output_item_text(const TreeItems& items, LPARAM pair, wchar_t* buffer, int capacity);

// The item both trees show above what they hold while a scan runs.
inline constexpr const char* scanning_text = "Scanning...";

// Puts a "Scanning..." item at the top of both trees, unless it is there already; what the
// trees held stays below it until the scan's result replaces everything. The item has no
// partner, so selecting it mirrors nothing.
void show_scanning_items(HWND window);

// Paints anew what the trees and the log box cover, frames and scroll bars included: controls
// filled while they did not draw, or emptied, leave nothing of their old picture behind.
void repaint_trees_and_log(HWND window);

// Shows the output tree as trees names it now: the root's text becomes the output directory and
// the file items, which ask for their names, are painted anew. items must come from
// the fill of this value (tree_fill.h); nothing is added or removed.
void show_output_names(HWND window, const FileTrees& trees, const TreeItems& items);

// Lifts the log box's limit on the text it accepts: typing and appending obey it, and a long run
// writes far more than the default.
void raise_log_limit(HWND window);
// Replaces the log box's whole text.
void set_log_text(HWND window, const std::string& text);
// Adds text at the end of the log box, leaving what it shows untouched.
void append_log_text(HWND window, const std::string& text);
// Brings the last line of the log box into view.
void scroll_log_to_end(HWND window);
// True when the user has changed the log box's text since set_log_text or append_log_text.
bool log_edited_by_user(HWND window);
