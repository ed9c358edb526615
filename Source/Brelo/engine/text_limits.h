// The one place where texts meet the 260-byte buffers of the 8-bit Windows API.
#pragma once

#include <cstddef>
#include <string>

constexpr std::size_t text_capacity = 260;  // bytes, terminating NUL included

// The text cut to what a buffer of capacity bytes holds: at most capacity - 1 characters.
inline std::string fit_text(std::string text, std::size_t capacity = text_capacity) {
    if (capacity > 0 && text.size() > capacity - 1) text.resize(capacity - 1);
    return text;
}
