// The output tree's marks: a state image beside each file item for what Run would do with its
// output (the preview's marks, from the value the trees show) and, once a run has reached the
// file, for what the run did; the item's tip says it in words. A run's marks stay until the
// next refresh of either side.
#pragma once

#include <string>
#include <vector>

#include <windows.h>

#include "engine/output_marks.h"
#include "engine/run_settings.h"
#include "engine/scan.h"
#include "ui/window_values.h"

// The state image of a mark in the list of tree_mark_images(); a new output shows the blank
// one, as do the folders and the root, so that every item of a level stands in line (an item
// without a state image is drawn further left). RunMark::None has none: the file shows its
// preview mark.
constexpr int blank_state_image = 10;
int state_image_of(OutputMark mark);
int state_image_of(RunMark mark);

// A tree control of the output side (shown, being filled or being emptied) gets the marks'
// image list as its state images; any other tree is left alone.
void set_mark_images(HWND tree);

// The fill of trees is now shown (null: the trees are empty): a run's marks are forgotten, and
// the items carry the preview's marks, with which they were made, unless the value was marked
// anew while it was being filled (coming_trees_remarked): then every item is told its mark.
void marks_trees_shown(HWND window, const FileTrees* trees, const TreeItems& items);
// The value being filled was renamed and marked anew while part of it was in the trees.
void coming_trees_remarked();

// The output side was refreshed and the files of the shown value marked anew: the items whose
// mark changed are changed, and a run's marks go.
void show_preview_marks(HWND window, const TreeItems& items);

// A run of these settings starts: an earlier run's marks go. The run's files are found in the
// trees by their paths below the input directory, when the trees show the run's input
// directory; otherwise the run marks nothing.
void start_run_marks(HWND window, const RunSettings& settings);

// Files of the run are done with: each one the trees show gets its mark and its tip.
void show_run_marks(HWND window, const std::vector<FileRunMark>& marks);

// The tip of the output item with parameter pair: the run's mark and reason, or else what Run
// would do; empty for a new output, a folder and the roots.
std::string output_item_tip(const TreeItems& items, LPARAM pair);

// The tree asks for an item's tip (TVN_GETINFOTIPA or W): the tip goes into its buffer, in
// UTF-16 or in the code page, cut to fit. False for a notification that is no tip request.
bool on_output_tip_wanted(NMHDR& header, const TreeItems& items);
