// The encodings a settings file may come in, and UTF-8 texts cut to a byte budget.
#include "settings/text_encoding.h"

#include "Common/wide_text.h"

namespace {

void append_utf8(std::string& out, char32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

constexpr char32_t replacement = 0xFFFD;

}  // namespace

bool is_valid_utf8(std::string_view text) {
    for (std::size_t i = 0, length = 0; i < text.size(); i += length) {
        if (utf8_char_at(text, i, length) != Utf8Char::Whole) return false;
    }
    return true;
}

std::string utf16_to_utf8(std::string_view bytes, bool big_endian) {
    std::string out;
    out.reserve(bytes.size() * 3 / 2);
    auto unit_at = [&](std::size_t i) -> char16_t {
        const unsigned char a = static_cast<unsigned char>(bytes[i]);
        const unsigned char b = static_cast<unsigned char>(bytes[i + 1]);
        return static_cast<char16_t>(big_endian ? (a << 8 | b) : (b << 8 | a));
    };
    std::size_t i = 0;
    for (; i + 1 < bytes.size(); i += 2) {
        const char16_t unit = unit_at(i);
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 3 < bytes.size()) {
            const char16_t next = unit_at(i + 2);
            if (next >= 0xDC00 && next <= 0xDFFF) {
                append_utf8(out, 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00));
                i += 2;
                continue;
            }
        }
        append_utf8(out, unit >= 0xD800 && unit <= 0xDFFF ? replacement : unit);
    }
    if (i < bytes.size()) append_utf8(out, replacement);
    return out;
}

