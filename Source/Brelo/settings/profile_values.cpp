// Numbers and texts as the settings file spells them.
#include "settings/profile_values.h"

#include <algorithm>
#include <climits>

namespace {

bool is_blank(unsigned char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Bytes that some reader may take for a blank at either end of a value: ASCII white space, the
// old end-of-file mark ^Z, and the next-line and no-break spaces of single-byte code pages.
bool may_be_dropped(unsigned char c) { return is_blank(c) || c == 0x1a || c == 0x85 || c == 0xa0; }

bool is_quote(char c) { return c == '"' || c == '\''; }

}  // namespace

int read_integer(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && is_blank(static_cast<unsigned char>(text[i]))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    // Past the range of int the value only needs to stay there, so it stops growing.
    constexpr long long limit = static_cast<long long>(INT_MAX) + 1;
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = std::min(value * 10 + (text[i] - '0'), limit);
    if (negative) value = -value;
    if (value > INT_MAX) return INT_MAX;
    return static_cast<int>(value);
}

std::string stored_text(const std::string& text) {
    if (text.empty()) return text;
    unsigned char first = static_cast<unsigned char>(text.front());
    unsigned char last = static_cast<unsigned char>(text.back());
    bool enclosed = text.size() >= 2 && is_quote(text.front()) && text.back() == text.front();
    if (may_be_dropped(first) || may_be_dropped(last) || enclosed) return '"' + text + '"';
    return text;
}
