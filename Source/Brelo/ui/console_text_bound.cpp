// The beginning and end of a converter's console text, and the line for what lies between.
#include "ui/console_text_bound.h"

#include <utility>

#include "Common/wide_text.h"

namespace {

bool is_continuation(char byte) {
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

// The first place at or after at where no UTF-8 character goes on: at itself, or up to three
// continuation bytes further. Text that is no UTF-8 is cut where it was asked.
std::size_t character_start(const std::string& text, std::size_t at) {
    for (std::size_t next = at; next < text.size() && next < at + 4; ++next)
        if (!is_continuation(text[next])) return next;
    return at + 3 < text.size() ? at : text.size();
}

}  // namespace

ConsoleTextBound::ConsoleTextBound(std::size_t head_capacity, std::size_t tail_capacity)
    : head_capacity_(head_capacity), tail_capacity_(tail_capacity) {}

void ConsoleTextBound::begin() {
    head_used_ = 0;
    head_open_ = true;
    dropped_ = 0;
    held_.clear();
    tail_.clear();
}

std::string ConsoleTextBound::take(const std::string& piece) {
    if (!head_open_) {
        hold_for_tail(piece, 0);
        return std::string();
    }
    std::string text = std::move(held_);
    held_.clear();
    text += piece;
    const std::size_t room = head_used_ < head_capacity_ ? head_capacity_ - head_used_ : 0;
    // The head ends where the first character at or beyond its capacity starts: a character
    // across its end is kept whole.
    const std::size_t end = text.size() <= room ? text.size() : character_start(text, room);
    if (end == text.size()) {
        // The start of a character whose end may come with the next piece waits for it.
        const std::size_t whole = utf8_whole_length(text);
        held_.assign(text, whole, std::string::npos);
        head_used_ += whole;
        text.resize(whole);
        return text;
    }
    head_open_ = false;
    hold_for_tail(text, end);
    text.resize(end);
    return text;
}

void ConsoleTextBound::hold_for_tail(const std::string& text, std::size_t from) {
    const std::size_t rest = text.size() - from;
    if (rest >= tail_capacity_) {
        // The text alone fills the tail: whatever was held goes.
        const std::size_t start = character_start(text, text.size() - tail_capacity_);
        dropped_ += tail_.size() + start - from;
        tail_.assign(text, start, std::string::npos);
        return;
    }
    tail_.append(text, from, rest);
    // Trimmed only once it holds twice the capacity, so the front is cut once per capacity's
    // worth of text rather than once per piece.
    if (tail_.size() >= 2 * tail_capacity_) trim_tail();
}

void ConsoleTextBound::trim_tail() {
    if (tail_.size() <= tail_capacity_) return;
    const std::size_t cut = character_start(tail_, tail_.size() - tail_capacity_);
    dropped_ += cut;
    tail_.erase(0, cut);
}

std::string ConsoleTextBound::end() {
    // What is still held is the unfinished end of a text that fitted the head: it ends the head.
    std::string text = std::move(held_);
    trim_tail();
    if (dropped_ > 0) text += left_out_line(dropped_);
    text += tail_;
    begin();
    return text;
}

std::size_t ConsoleTextBound::left_out() const {
    if (tail_.size() <= tail_capacity_) return dropped_;
    return dropped_ + character_start(tail_, tail_.size() - tail_capacity_);
}

std::string left_out_line(std::size_t bytes) {
    return "\r\n\t... " + std::to_string(bytes) + " bytes of console text left out ...\r\n";
}
