// The one place where the main window's controls meet values: the fields as CurrentSettings,
// the stored settings going into the controls at start and coming out at close, the histories
// after a run, the two trees and the log box.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include <windows.h>
#include <commctrl.h>

#include "engine/converter.h"
#include "engine/current_settings.h"
#include "engine/scan.h"
#include "engine/stored_settings.h"

// The fields as typed, through capture_settings: the four texts (each cut to 259 characters,
// the directories without trailing backslashes), the three switches and the selected row of the
// converter box (-1 for none).
CurrentSettings read_current_settings(HWND window);

// The converter of the converter box's selected row, as a copy; nothing when no row is selected
// or the row's key is not in converters.
std::optional<Converter> selected_converter(HWND window, const ConverterList& converters);

// Shows the stored settings: each history in its combo box with row 0 selected, or the field's
// fallback text when the history is empty; the three switches; one converter box row per
// converter in display order, keyed 0, 1, ..., with the current converter's row selected (none
// for -1). converters is replaced by the converters under those keys.
void show_stored_settings(HWND window, const StoredSettings& stored, ConverterList& converters);

// The settings as the controls hold them now: the histories from the combo boxes' rows (at most
// history_capacity each), the switches, the converters in the converter box's row order followed
// by every converter of converters that no row shows (so none is lost), and as current converter
// the selected row's converter's position in that order, or -1.
StoredSettings read_stored_settings(HWND window, const ConverterList& converters);

// remember_history on each of the four combo boxes: afterwards the value heads the rows and is
// selected, so the field shows it.
void remember_in_history_boxes(HWND window, const RememberedValues& values);

// The output tree's items a renaming reaches: its root and every file item, in the order
// show_output_names visits the trees value.
struct OutputItems {
    HTREEITEM root = nullptr;
    std::vector<HTREEITEM> files;
};

// Empties both trees, each with one TVM_DELETEITEM of TVI_ROOT, and with trees (null: leave them
// empty) fills them while neither redraws: under each folder its sub-folders, then its files, in
// the order the value gives them; every item's parameter holds its partner in the other tree;
// both roots selected and expanded. Returns the output items for later renamings.
OutputItems show_file_trees(HWND window, const FileTrees* trees);

// Sets the texts of the output items to what trees names them now: the root the output
// directory, every file its output name. items must come from show_file_trees for a value of
// the same shape; nothing is added or removed.
void show_output_names(HWND window, const FileTrees& trees, const OutputItems& items);

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
