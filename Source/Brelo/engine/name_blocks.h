// Names kept in a few large blocks of memory instead of one allocation each.
#pragma once

#include <cstddef>
#include <memory>
#include <string_view>
#include <vector>

// Holds copies of texts, many to a block. A view handed out stays valid, and in place, for as
// long as the blocks live, also when they are moved; they are never copied (a copy of texts
// means keeping them again). clear() gives up every view handed out.
class NameBlocks {
public:
    NameBlocks() = default;
    NameBlocks(NameBlocks&&) noexcept = default;
    NameBlocks& operator=(NameBlocks&&) noexcept = default;
    NameBlocks(const NameBlocks&) = delete;
    NameBlocks& operator=(const NameBlocks&) = delete;

    // A copy of text in the blocks.
    std::string_view keep(std::string_view text);
    void clear();

private:
    std::vector<std::unique_ptr<char[]>> blocks_;
    std::size_t used_ = 0;      // in the last block
    std::size_t capacity_ = 0;  // of the last block
};
