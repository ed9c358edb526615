// The one place where texts meet the 260-byte buffers of the 8-bit Windows API.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "Common/wide_text.h"

constexpr std::size_t text_capacity = 260;  // bytes, terminating NUL included

// The text cut to what a buffer of capacity bytes holds: at most capacity - 1 bytes, never
// ending inside a UTF-8 character (its first bytes go with it).
inline std::string fit_text(std::string text, std::size_t capacity = text_capacity) {
    return capacity > 0 ? utf8_prefix(text, capacity - 1) : text;
}
