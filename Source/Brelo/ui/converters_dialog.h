// The converters dialog: create, copy, delete, reorder and edit converters on a working copy.
#pragma once

#include <optional>
#include <vector>

#include <windows.h>

#include "engine/converter.h"

// What the dialog hands back on "OK": the converters in the dialog's order and the row selected
// there, -1 for none.
struct EditedConverters {
    std::vector<Converter> converters;
    int selected = -1;
};

// Opens the dialog modally over owner, showing converters in their order with the first one
// selected, and returns when it is closed: on "OK" the converters as edited, nothing on "Cancel"
// or the close box.
std::optional<EditedConverters> open_converters_dialog(HWND owner,
                                                       const std::vector<Converter>& converters);
