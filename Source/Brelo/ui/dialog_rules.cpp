// The pure decisions of the main window and the converters dialog.
#include "ui/dialog_rules.h"

#include <cstdio>

#include "engine/converter.h"
#include "ui/resource.h"

RefreshSide f5_side(int focus_id, int parent_id) {
    switch (focus_id) {
    case IDC_MAIN_INPUT_BROWSE:
    case IDC_MAIN_INPUT_REFRESH:
    case IDC_MAIN_SUBFOLDERS:
    case IDC_MAIN_INPUT_TREE:
    case IDC_MAIN_INPUT_AUTO:
        return RefreshSide::Input;
    case IDC_MAIN_OUTPUT_REFRESH:
    case IDC_MAIN_OUTPUT_BROWSE:
    case IDC_MAIN_OUTPUT_TREE:
    case IDC_MAIN_OUTPUT_AUTO:
    case IDC_MAIN_SKIP_UP_TO_DATE:
    case IDC_MAIN_KEEP_TIMES:
        return RefreshSide::Output;
    }
    switch (parent_id) {
    case IDC_MAIN_INPUT_DIR:
    case IDC_MAIN_INPUT_PATTERNS:
        return RefreshSide::Input;
    case IDC_MAIN_OUTPUT_DIR:
    case IDC_MAIN_OUTPUT_PATTERN:
        return RefreshSide::Output;
    }
    return RefreshSide::None;
}

int other_tree_id(int tree_id) {
    if (tree_id == IDC_MAIN_INPUT_TREE) return IDC_MAIN_OUTPUT_TREE;
    if (tree_id == IDC_MAIN_OUTPUT_TREE) return IDC_MAIN_INPUT_TREE;
    return 0;
}

DropEffect drop_effect(const std::string& path, bool is_directory, bool exists) {
    DropEffect effect;
    if (is_directory) {
        effect.set_directory = true;
        effect.directory = path;
        return effect;
    }
    if (!exists) return effect;
    effect.set_pattern = true;
    const auto cut = path.rfind('\\');
    if (cut == std::string::npos) return effect;  // pattern emptied, directory left alone
    effect.set_directory = true;
    effect.directory = path.substr(0, cut);
    effect.pattern = path.substr(cut + 1);
    return effect;
}

ConverterButtons converter_buttons(int rows, int selected) {
    ConverterButtons buttons;
    if (rows <= 0) return buttons;
    buttons.fields = true;
    buttons.remove = true;
    buttons.up = rows > 1 && selected != 0;
    buttons.down = rows > 1 && selected != rows - 1;
    return buttons;
}

int smallest_free_key(const KeyedConverters& converters) {
    // The map is ordered: the first gap among the non-negative keys is the answer.
    int candidate = 0;
    for (auto it = converters.lower_bound(0); it != converters.end() && it->first == candidate;
         ++it)
        ++candidate;
    return candidate;
}

namespace {

// The number a field's digits make (after any blanks), clamped to 0 ... most; shown when the
// text has no digits or still shows that value.
int number_from_field(const std::string& text, int shown, int most) {
    if (text == std::to_string(shown)) return shown;
    std::size_t at = text.find_first_not_of(" \t");
    if (at == std::string::npos || text[at] < '0' || text[at] > '9') return shown;
    int value = 0;
    // Digits beyond the range change nothing more, so a long number cannot overflow.
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
        value = value * 10 + (text[at] - '0');
        if (value > most) return most;
    }
    return value;
}

}  // namespace

int parallel_from_field(const std::string& text, int shown) {
    return number_from_field(text, shown, most_parallel_in_field);
}

int time_limit_from_field(const std::string& text, int shown) {
    return number_from_field(text, shown, most_time_limit);
}

std::string progress_caption(const std::string& caption, int done, int matching) {
    return caption + " - " + std::to_string(done) + " of " +
           std::to_string(matching < done ? done : matching);
}

std::string new_converter_title(int rows) {
    char title[32];
    std::snprintf(title, sizeof title, "Converter %03d", rows + 1);
    return title;
}

std::string copy_title(const std::string& title) {
    return "Copy of " + title;
}

int row_after_delete(int selected, int rows_left) {
    if (rows_left <= 0) return -1;
    if (selected >= rows_left) return rows_left - 1;
    return selected;
}

int row_after_move(int selected, int rows, bool up) {
    if (selected < 0 || selected >= rows) return -1;
    if (up) return selected == 0 ? -1 : selected - 1;
    return selected == rows - 1 ? -1 : selected + 1;
}

WindowPosition centred_position(int window_width, int window_height, int area_width,
                                int area_height) {
    return {(area_width - window_width) / 2, (area_height - window_height) / 2};
}
