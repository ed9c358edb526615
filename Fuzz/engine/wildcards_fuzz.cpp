// The wildcard matcher against a plain reference: for every patterns text and name, a name
// matches when one "|"-piece of the trimmed text matches all of it, "*" taking any run and "?"
// any one character (a well-formed UTF-8 sequence, else one byte), ASCII letters compared
// without case, both texts taken character by character. The input is the patterns text, a NUL
// byte and the name.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "engine/pattern_set.h"

namespace {

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// The text cut into characters: a sequence decodes to a code point of its own length's range,
// neither a surrogate nor past U+10FFFF; any other byte is a character by itself.
std::vector<std::string> characters(const std::string& text) {
    std::vector<std::string> out;
    for (std::size_t at = 0; at < text.size();) {
        const unsigned char lead = static_cast<unsigned char>(text[at]);
        std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        if (lead >= 0xF8 || at + length > text.size()) length = 1;
        if (length > 1) {
            unsigned long code = lead & (0xFF >> (length + 1));
            for (std::size_t i = 1; i < length && length > 1; ++i) {
                const unsigned char next = static_cast<unsigned char>(text[at + i]);
                if ((next & 0xC0) != 0x80) length = 1;
                code = (code << 6) | (next & 0x3F);
            }
            const unsigned long lowest[] = {0, 0, 0x80, 0x800, 0x10000};
            if (length > 1 && (code < lowest[length] || code > 0x10FFFF ||
                               (code >= 0xD800 && code <= 0xDFFF)))
                length = 1;
        }
        out.push_back(lower(text[at]) == text[at] || length > 1 ? text.substr(at, length)
                                                                 : std::string(1, lower(text[at])));
        at += length;
    }
    return out;
}

// Whether the piece matches the whole name: the textbook table over both lengths.
bool reference_piece(const std::string& piece_text, const std::string& name_text) {
    const std::vector<std::string> piece = characters(piece_text);
    const std::vector<std::string> name = characters(name_text);
    std::vector<std::vector<char>> can(piece.size() + 1, std::vector<char>(name.size() + 1, 0));
    can[0][0] = 1;
    for (std::size_t p = 1; p <= piece.size(); ++p) {
        const std::string& c = piece[p - 1];
        can[p][0] = c == "*" && can[p - 1][0];
        for (std::size_t n = 1; n <= name.size(); ++n) {
            if (c == "*") {
                can[p][n] = can[p - 1][n] || can[p][n - 1];
            } else {
                can[p][n] = can[p - 1][n - 1] && (c == "?" || c == name[n - 1]);
            }
        }
    }
    return can[piece.size()][name.size()];
}

bool reference(const std::string& patterns, const std::string& name) {
    std::size_t first = patterns.find_first_not_of("| ");
    if (first == std::string::npos) return name.empty();
    const std::size_t last = patterns.find_last_not_of("| ");
    const std::string text = patterns.substr(first, last - first + 1);
    std::size_t start = 0;
    for (;;) {
        const std::size_t bar = std::min(text.find('|', start), text.size());
        if (reference_piece(text.substr(start, bar - start), name)) return true;
        if (bar == text.size()) return false;
        start = bar + 1;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const char* bytes = reinterpret_cast<const char*>(data);
    const void* nul = std::memchr(bytes, '\0', size);
    if (!nul || size > 600) return 0;
    const std::size_t split = static_cast<const char*>(nul) - bytes;
    const std::string patterns(bytes, split);
    const std::string name(bytes + split + 1, size - split - 1);
    PatternSet set;
    try {
        set = compile_patterns(patterns);
    } catch (const std::exception&) {
        return 0;  // the checks report a text the expression refuses before anything is matched
    }
    if (match_file_name(set, name) != reference(patterns, name)) std::abort();
    return 0;
}
