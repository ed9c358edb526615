// Brelo's UTF-8 text at the edge of the Windows API, whose W functions take UTF-16, and where
// a piece of UTF-8 may be cut off inside a character.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// How the UTF-8 character starting at a byte stands: whole, cut off by the end of the text
// after well-formed first bytes, or no well-formed character at all.
enum class Utf8Char { Whole, Cut, Invalid };

// Reads the character starting at text[at] (at < text.size()); length receives the number of
// bytes it takes (1 to 4) unless it is Invalid. Well-formed means RFC 3629: no overlong forms,
// no surrogates, nothing past U+10FFFF.
Utf8Char utf8_char_at(std::string_view text, std::size_t at, std::size_t& length);

// The length of the longest start of text that does not end inside a UTF-8 character: text's
// whole length, unless it ends with the first one to three bytes of a character that needs more.
// Bytes that are no UTF-8 at all count as whole, so nothing waits for bytes that cannot come.
std::size_t utf8_whole_length(std::string_view text);

// The longest start of text that has at most max_bytes bytes and does not end inside a UTF-8
// character. A text that fits comes back whole.
std::string utf8_prefix(const std::string& text, std::size_t max_bytes);

#ifdef _WIN32

// The UTF-16 form of a UTF-8 text, for the W functions. A text that is not UTF-8 is read in the
// system's ANSI code page instead, as the 8-bit functions read it, so that a name from an older
// source still reaches its file. An empty text, and one that neither reads, give "".
std::wstring utf8_to_wide(std::string_view text);

// The UTF-8 form of UTF-16 text from the W functions; a surrogate without its partner becomes
// U+FFFD. The first form reads up to the terminating NUL; a null pointer gives "".
std::string wide_to_utf8(const wchar_t* text);
std::string wide_to_utf8(const wchar_t* text, std::size_t length);
inline std::string wide_to_utf8(const std::wstring& text) {
    return wide_to_utf8(text.data(), text.size());
}

// The arguments wmain received, the program's name first, in UTF-8.
std::vector<std::string> utf8_arguments(int argc, wchar_t* argv[]);

#endif
