// Names kept in a few large blocks of memory.
#include "engine/name_blocks.h"

#include <algorithm>
#include <cstring>

namespace {

// Big enough that a tree of 100,000 names takes some twenty blocks; a longer name gets a block
// of its own size.
constexpr std::size_t block_size = 64 * 1024;

}  // namespace

std::string_view NameBlocks::keep(std::string_view text) {
    if (text.empty()) return std::string_view();
    if (capacity_ - used_ < text.size()) {
        capacity_ = std::max(block_size, text.size());
        blocks_.push_back(std::unique_ptr<char[]>(new char[capacity_]));  // not zeroed
        used_ = 0;
    }
    char* place = blocks_.back().get() + used_;
    std::memcpy(place, text.data(), text.size());
    used_ += text.size();
    return std::string_view(place, text.size());
}

void NameBlocks::clear() {
    blocks_.clear();
    used_ = 0;
    capacity_ = 0;
}
