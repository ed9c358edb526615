// BRELO.ini: the history lists, the check boxes, the current converter and the converter list,
// carried from one start of brelo to the next.
#pragma once

#include <string>
#include <vector>

#include "engine/converter.h"
#include "engine/current_settings.h"
#include "engine/window_parts.h"

// The parts of the main window that the settings file fills and reads.
struct SettingsParts {
    MainFields& fields;
    HistoryList& input_directory;
    HistoryList& input_patterns;
    HistoryList& output_directory;
    HistoryList& output_pattern;
    ConverterBox& converter_box;
};

SettingsParts settings_parts(MainWindow& window);

// Converter entries up to this number are read even when none of their keys is in the file,
// as four empty texts. Beyond it the list ends at the first entry with no key at all: a saved
// file holds all four keys of every entry, and a damaged count must not fill the list with
// millions of empty converters.
constexpr int converters_read_without_keys = 1000;

// The directory of brelo's executable with its trailing separator, found once per process.
// Empty while it cannot be found.
std::string program_directory();

// directory followed by "BRELO.ini". Empty when directory is empty or the joined path would not
// fit 259 characters: a cut path would name some other file, so no settings file is used then.
std::string settings_path_in(const std::string& directory);
// settings_path_in(program_directory()).
std::string settings_file_path();

// Appends the slots of field's history from the file to the list, up to the first empty or
// missing slot, and selects row 0; with no slot loaded the field's text becomes fallback.
void load_history(HistoryList& list, MainFields& fields, HistoryField field,
                  const std::string& path, const std::string& fallback);
// Writes all ten slots of field's history: the rows, then empty values. False when a write
// failed.
bool save_history(const HistoryList& list, HistoryField field, const std::string& path);

// Fills the four histories and the three check boxes from the file at path, sets the switches
// and the converter position of settings (-1 unless it names one of the converters) and
// replaces converters with the file's list, keyed 0, 1, ... in file order. The converter box is
// left to the caller. A missing or unreadable file, section or key gives its default.
void load_settings(const SettingsParts& parts, const std::string& path, CurrentSettings& settings,
                   ConverterList& converters);
// The same with settings_file_path(); with no usable path everything takes its default.
void load_settings(MainWindow& window, CurrentSettings& settings, ConverterList& converters);

// The converters' keys in the order the file numbers them: the converter box's rows, then any
// converter of the list that no row shows, so that none is lost. Each key appears once.
std::vector<int> converter_save_order(const ConverterBox& box, const ConverterList& converters);

// Captures the window and writes every key of the file at path: histories, check boxes, the
// converter count, the current converter's position and the converters in display order.
// Keys the program no longer uses stay as they are. False when a write failed; the caller has
// nothing to do about it, the file simply keeps what it had.
bool save_settings(const SettingsParts& parts, const ConverterList& converters,
                   const std::string& path);
// The same with settings_file_path(); false with no usable path.
bool save_settings(MainWindow& window, const ConverterList& converters);
