// Console text checked for UTF-8 piece by piece, and read in a code page where it is not.
#include "engine/console_text.h"

#include <algorithm>

#include "platform/platform.h"
#include "Common/wide_text.h"

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
