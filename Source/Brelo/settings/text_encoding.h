// The encodings a settings file may come in, and UTF-8 texts cut to a byte budget.
#pragma once

#include "Common/wide_text.h"  // utf8_prefix

#include <cstddef>
#include <string>
#include <string_view>

// True when text is well-formed UTF-8: no stray or missing continuation bytes, no overlong
// forms, no surrogates, nothing above U+10FFFF. An empty text and plain ASCII are UTF-8.
bool is_valid_utf8(std::string_view text);

// The UTF-16 bytes (little-endian unless big_endian, no byte order mark) in UTF-8. A surrogate
// without its partner, and an odd last byte, become U+FFFD.
std::string utf16_to_utf8(std::string_view bytes, bool big_endian);


