// The sections and keys of the settings, spelled once. The checks' notices name the same
// section and key as the setting they are about, so both use these texts.
#pragma once

inline constexpr const char* input_section = "Input";
inline constexpr const char* output_section = "Output";
inline constexpr const char* converter_section = "Converter";

// Keys of the histories (followed in the settings file by a blank and a three-digit slot).
inline constexpr const char* input_directory_key = "Input Directory";
inline constexpr const char* input_patterns_key = "File Patterns";
inline constexpr const char* output_directory_key = "Output Directory";
inline constexpr const char* output_pattern_key = "File Patterns";

inline constexpr const char* include_subfolders_key = "Include Subfolders";
inline constexpr const char* auto_refresh_key = "Auto Refresh";
inline constexpr const char* converter_number_key = "Converter_Number";
inline constexpr const char* current_converter_key = "Current Converter";

// The key of the notices a run gives itself, in the converter section.
inline constexpr const char* run_key = "Run";
