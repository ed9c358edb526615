// How much of one converter's console text the window keeps: its beginning and its end. A
// converter may write any amount; the window's log must not grow with it.
#pragma once

#include <cstddef>
#include <string>

// The console text one window's log keeps of each converter: the first head_capacity bytes, as
// they come, and the last tail_capacity bytes, held back until the converter's entry ends.
// The bytes in between are counted and replaced by one line that says how many were left out.
// A text no longer than both capacities together comes out whole and unchanged. Neither cut
// falls inside a UTF-8 character: the head keeps the character across its capacity whole, up to
// three bytes more, and the tail begins with the first character that starts within its last
// tail_capacity bytes, up to three bytes less. The start of a character at the end of a piece
// that still goes to the head waits for the rest of it.
class ConsoleTextBound {
public:
    static constexpr std::size_t default_capacity = 64 * 1024;

    explicit ConsoleTextBound(std::size_t head_capacity = default_capacity,
                              std::size_t tail_capacity = default_capacity);

    // A new entry begins: nothing is held or counted.
    void begin();
    // The part of piece to show at once: what still belongs to the head, in whole characters.
    // The rest is held for the tail, of which only the last tail_capacity bytes survive.
    std::string take(const std::string& piece);
    // The entry ends: what the head still waited for, the line telling how many bytes were
    // left out (none when nothing was), then the held tail. Afterwards nothing is held.
    std::string end();

    // The bytes left out of the current entry so far.
    std::size_t left_out() const;

private:
    // Adds text from from on to the tail, trimming it once it holds twice its capacity.
    void hold_for_tail(const std::string& text, std::size_t from);
    // Cuts the tail down to its capacity, at the start of a character.
    void trim_tail();

    std::size_t head_capacity_;
    std::size_t tail_capacity_;
    std::size_t head_used_ = 0;
    bool head_open_ = true;    // false once a piece overflowed the head
    std::size_t dropped_ = 0;  // bytes that fell out of the front of tail_, or never reached it
    std::string held_;         // an unfinished character at the end of the head so far
    std::string tail_;         // may hold up to twice tail_capacity_ before it is trimmed
};

// The line in place of the left-out bytes: on a line of its own, indented like the log's other
// lines about a file.
std::string left_out_line(std::size_t bytes);
