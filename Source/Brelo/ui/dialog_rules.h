// The decisions buried in brelo's two dialogs, as pure functions: compiled on every platform and
// tested without a window.
#pragma once

#include <map>
#include <string>

#include "engine/converter.h"

// Which side of the main window a refresh is for.
enum class RefreshSide { None, Input, Output };

// The side F5 refreshes, from the control id of the focused window and that of its parent.
// The edit field inside every combo box carries id 1001 whatever its box, so an edit field is
// placed by its parent; the Run button, "Configure...", the converter box and the log box give
// None.
RefreshSide f5_side(int focus_id, int parent_id);

// The partner of a tree: 1019 for 1020 and 1020 for 1019; 0 for any other id.
int other_tree_id(int tree_id);

// Tree scrolling is mirrored by sending the same message to the other tree with this value as
// its second parameter; a message that carries it is not mirrored back.
constexpr long long scroll_mirror_marker = 0x100;

// What a path dropped on the Input or Output frame does to the side's directory and pattern
// boxes. Texts use the Windows separator, as the shell hands them over.
struct DropEffect {
    bool set_directory = false;
    std::string directory;
    bool set_pattern = false;
    std::string pattern;
};

// A directory goes into the directory box whole. An existing file is cut at its last backslash:
// the part before it into the directory box, the name after it into the pattern box; a file
// path without a backslash only empties the pattern box. A path that does not exist changes
// nothing.
DropEffect drop_effect(const std::string& path, bool is_directory, bool exists);

// Which controls of the converters dialog are enabled for rows rows and selected row selected
// (-1 for none). "New", "Copy", "OK", "Cancel" and the two "Browse..." are always enabled.
struct ConverterButtons {
    bool fields = false;  // the four edit fields; with no rows they are also emptied
    bool remove = false;  // "Delete"
    bool up = false;
    bool down = false;
};
ConverterButtons converter_buttons(int rows, int selected);

// The converters dialog's working copy: each row's converter under the key the row carries, so a
// row moves without its converter. The rows the dialog opens with carry 0, 1, ...
using KeyedConverters = std::map<int, Converter>;

// The smallest non-negative integer that is not yet a key: the key of a new row.
int smallest_free_key(const KeyedConverters& converters);

// The range of the converters dialog's Parallel field: 0 (one converter per processor) to this.
inline constexpr int most_parallel_in_field = 64;

// A converter's count of converters at once from the Parallel field's text: the number its
// digits make (after any blanks), clamped to 0 ... most_parallel_in_field. A text without
// digits, or one still showing the converter's value shown (which BRELO.ini may set beyond the
// field's range), keeps shown.
int parallel_from_field(const std::string& text, int shown);

// A converter's time limit in seconds from the Time limit field's text, read as the Parallel
// field's is, clamped to 0 ... most_time_limit.
int time_limit_from_field(const std::string& text, int shown);

// The main window's caption during a run: the caption, " - ", the files done, " of " and the
// files matching ("Brelo - 12 of 400"). A run that meets more files than were counted shows
// the files done as the files matching.
std::string progress_caption(const std::string& caption, int done, int matching);

// The title of a new converter: "Converter %03d" with rows + 1, rows counted before the addition.
std::string new_converter_title(int rows);

// "Copy of " followed by the title, nothing added at the end.
std::string copy_title(const std::string& title);

// The row selected after the row selected was deleted, rows_left rows remaining: the same index,
// or the new last row when the last row went; -1 when the list became empty.
int row_after_delete(int selected, int rows_left);

// Where the selected row lands when it moves up or down one place, or -1 when it cannot move
// (no selection, Up on the first row, Down on the last).
int row_after_move(int selected, int rows, bool up);

// The top-left corner that centres a window of the given size in an area of the given size.
// Signed division truncating toward zero: a window wider than the area lands at a negative x
// (a width one larger than the area still gives 0).
struct WindowPosition {
    int x = 0;
    int y = 0;
};
WindowPosition centred_position(int window_width, int window_height, int area_width,
                                int area_height);
