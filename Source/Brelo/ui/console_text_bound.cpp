// The beginning and end of a converter's console text, and the line for what lies between.
#include "ui/console_text_bound.h"

#include <algorithm>

ConsoleTextBound::ConsoleTextBound(std::size_t head_capacity, std::size_t tail_capacity)
    : head_capacity_(head_capacity), tail_capacity_(tail_capacity) {}

void ConsoleTextBound::begin() {
    head_used_ = 0;
    dropped_ = 0;
    tail_.clear();
}

std::string ConsoleTextBound::take(const std::string& piece) {
    const std::size_t to_head = std::min(piece.size(), head_capacity_ - head_used_);
    head_used_ += to_head;
    if (to_head == piece.size()) return piece;
    const std::size_t rest = piece.size() - to_head;
    if (rest >= tail_capacity_) {
        // The piece alone fills the tail: whatever was held goes.
        dropped_ += tail_.size() + rest - tail_capacity_;
        tail_.assign(piece, piece.size() - tail_capacity_, tail_capacity_);
    } else {
        tail_.append(piece, to_head, rest);
        // Trimmed only once it holds twice the capacity, so the front is cut once per
        // capacity's worth of text rather than once per piece.
        if (tail_.size() >= 2 * tail_capacity_) {
            const std::size_t cut = tail_.size() - tail_capacity_;
            dropped_ += cut;
            tail_.erase(0, cut);
        }
    }
    return piece.substr(0, to_head);
}

std::string ConsoleTextBound::end() {
    std::string text;
    if (tail_.size() > tail_capacity_) {
        const std::size_t cut = tail_.size() - tail_capacity_;
        dropped_ += cut;
        tail_.erase(0, cut);
    }
    if (dropped_ > 0) text = left_out_line(dropped_);
    text += tail_;
    begin();
    return text;
}

std::size_t ConsoleTextBound::left_out() const {
    return dropped_ + (tail_.size() > tail_capacity_ ? tail_.size() - tail_capacity_ : 0);
}

std::string left_out_line(std::size_t bytes) {
    return "\r\n\t... " + std::to_string(bytes) + " bytes of console text left out ...\r\n";
}
