// Console text checked for UTF-8 piece by piece, and read in a code page where it is not.
#include "engine/console_text.h"

#include <algorithm>

#include "platform/platform.h"

namespace {

enum class Utf8Char { Whole, Cut, Invalid };

// How the UTF-8 character starting at text[at] stands; length receives its length when whole.
// The second byte's range is narrower after some leads: that rules out overlong forms (E0, F0),
// surrogates (ED) and codes past U+10FFFF (F4).
Utf8Char utf8_char_at(std::string_view text, std::size_t at, std::size_t& length) {
    const unsigned char lead = static_cast<unsigned char>(text[at]);
    unsigned char low = 0x80, high = 0xBF;
    if (lead < 0x80) {
        length = 1;
        return Utf8Char::Whole;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return Utf8Char::Invalid;
    }
    const std::size_t present = std::min(length, text.size() - at);
    for (std::size_t k = 1; k < present; ++k) {
        const unsigned char byte = static_cast<unsigned char>(text[at + k]);
        if (k == 1 ? byte < low || byte > high : (byte & 0xC0) != 0x80) return Utf8Char::Invalid;
    }
    return present < length ? Utf8Char::Cut : Utf8Char::Whole;
}

}  // namespace

bool SystemCodePage::is_lead_byte(unsigned char byte) const {
    return ::is_lead_byte(number_, byte);
}

std::string SystemCodePage::to_utf8(const std::string& bytes) const {
    return code_page_to_utf8(number_, bytes);
}

void ConsoleTextDecoder::decode(std::string_view piece, std::string& out) {
    std::string joined;
    std::string_view text = piece;
    if (!held_.empty()) {
        joined = held_;
        joined.append(piece.data(), piece.size());
        held_.clear();
        text = joined;
    }
    if (reads_code_page_) {
        decode_code_page(text, out);
        return;
    }
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t length = 0;
        const Utf8Char found = utf8_char_at(text, at, length);
        if (found == Utf8Char::Whole) {
            at += length;
            continue;
        }
        out.append(text.data(), at);
        if (found == Utf8Char::Cut) {
            held_.assign(text.data() + at, text.size() - at);
        } else {
            reads_code_page_ = true;
            decode_code_page(text.substr(at), out);
        }
        return;
    }
    out.append(text.data(), text.size());
}

void ConsoleTextDecoder::finish(std::string& out) {
    if (held_.empty()) return;
    reads_code_page_ = true;
    out += code_page_.to_utf8(held_);
    held_.clear();
}

void ConsoleTextDecoder::decode_code_page(std::string_view bytes, std::string& out) {
    // Characters are counted from the start, since a trail byte may look like a lead byte: only
    // a lead byte that is the very last byte waits for its partner.
    std::size_t whole = 0;
    for (std::size_t at = 0; at < bytes.size();) {
        at += code_page_.is_lead_byte(static_cast<unsigned char>(bytes[at])) ? 2 : 1;
        if (at <= bytes.size()) whole = at;
    }
    if (whole > 0) out += code_page_.to_utf8(std::string(bytes.substr(0, whole)));
    held_.assign(bytes.data() + whole, bytes.size() - whole);
}
