// An in-memory tree view built for size: items are 24-byte records linked to their first child,
// last child and next sibling, and texts sit in character blocks that are filled and never moved.
// A tree view keeps at most 259 characters of an item's text, and so does this one. A scan into
// it costs what the scan costs, not what a general-purpose container costs.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#ifdef __linux__
#include <sys/mman.h>
#endif

#include "engine/window_parts.h"

// Memory in 2 MiB blocks, zeroed, each aligned to its size. On Linux the blocks come straight
// from the kernel, which hands out zeroed pages as they are first touched and is asked to back
// them with large pages: a tree of a hundred thousand items then costs a handful of page faults
// instead of thousands.
class BlockStore {
public:
    static constexpr std::size_t block_bytes = std::size_t{2} << 20;
    // False: the kernel is not asked for large pages (to show what they are worth).
    static inline bool large_pages = true;

    BlockStore() = default;
    BlockStore(const BlockStore&) = delete;
    BlockStore& operator=(const BlockStore&) = delete;
    ~BlockStore() { clear(); }

    char* add_block() {
        char* block = allocate();
        if (!block) throw std::bad_alloc();
        blocks_.push_back(block);
        return block;
    }
    char* block(std::size_t index) const { return blocks_[index]; }
    std::size_t size() const { return blocks_.size(); }
    void clear() {
        for (char* block : blocks_) release(block);
        blocks_.clear();
    }

private:
#ifdef __linux__
    static char* allocate() {
        // Twice the size, then the unaligned ends given back.
        void* mapped = mmap(nullptr, 2 * block_bytes, PROT_READ | PROT_WRITE,
                            MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (mapped == MAP_FAILED) return nullptr;
        char* start = static_cast<char*>(mapped);
        const std::uintptr_t address = reinterpret_cast<std::uintptr_t>(start);
        char* aligned = start + (block_bytes - address % block_bytes) % block_bytes;
        if (aligned > start) munmap(start, static_cast<std::size_t>(aligned - start));
        const std::size_t after = static_cast<std::size_t>(start + 2 * block_bytes -
                                                           (aligned + block_bytes));
        if (after > 0) munmap(aligned + block_bytes, after);
        if (large_pages) madvise(aligned, block_bytes, MADV_HUGEPAGE);
        return aligned;
    }
    static void release(char* block) { munmap(block, block_bytes); }
#else
    static char* allocate() { return static_cast<char*>(std::calloc(1, block_bytes)); }
    static void release(char* block) { std::free(block); }
#endif

    std::vector<char*> blocks_;
};

class CompactTree : public FileTree {
public:
    void clear() override {
        items_.clear();
        count_ = 0;
        first_root_ = last_root_ = 0;
        texts_.clear();
        text_end_ = 0;
    }

    TreeItem insert_item(TreeItem parent, TreeItem after, const std::string& text,
                         TreeImage image) override {
        if (count_ % block_items == 0) items_.add_block();
        const std::uint32_t id = ++count_;
        Item& item = at(id);  // zero from its block
        item.image = static_cast<std::uint8_t>(image);
        store_text(item, text);
        std::uint32_t& first = parent ? at(parent).first_child : first_root_;
        std::uint32_t& last = parent ? at(parent).last_child : last_root_;
        if (after == tree_first || first == 0) {
            item.next = first;
            first = id;
            if (last == 0) last = id;
        } else if (after == tree_last || after == last) {
            at(last).next = id;
            last = id;
        } else {
            Item& before = at(after);
            item.next = before.next;
            before.next = id;
        }
        return id;
    }

    void set_partner(TreeItem item, TreeItem partner) override {
        at(item).partner = static_cast<std::uint32_t>(partner);
    }
    TreeItem partner(TreeItem item) const override { return at(item).partner; }
    void select(TreeItem item) override { selected_ = item; }
    void expand(TreeItem item) override { at(item).expanded = true; }
    TreeItem first_root() const override { return first_root_; }
    TreeItem first_child(TreeItem item) const override { return at(item).first_child; }
    TreeItem next_sibling(TreeItem item) const override { return at(item).next; }
    std::string text(TreeItem item) const override {
        const Item& i = at(item);
        return std::string(text_at(i.text_start), i.text_size);
    }
    void set_text(TreeItem item, const std::string& text) override { store_text(at(item), text); }

    std::size_t size() const { return count_; }

private:
    struct Item {
        std::uint32_t first_child, last_child, next, partner;
        std::uint32_t text_start;
        std::uint16_t text_size;
        std::uint8_t image;
        bool expanded;
    };
    static_assert(sizeof(Item) == 24, "items stay small");
    static constexpr std::uint32_t block_items = BlockStore::block_bytes / sizeof(Item);
    static constexpr std::uint32_t text_block_bytes = BlockStore::block_bytes;
    static constexpr std::size_t longest_text = 259;

    Item& at(TreeItem id) const {
        const std::uint32_t index = static_cast<std::uint32_t>(id) - 1;
        return reinterpret_cast<Item*>(items_.block(index / block_items))[index % block_items];
    }
    char* text_at(std::uint32_t start) const {
        return texts_.block(start / text_block_bytes) + start % text_block_bytes;
    }
    void store_text(Item& item, const std::string& text) {
        const std::size_t size = text.size() < longest_text ? text.size() : longest_text;
        // A text never straddles two blocks.
        if (texts_.size() == 0 || text_end_ % text_block_bytes + size > text_block_bytes) {
            text_end_ = static_cast<std::uint32_t>(texts_.size()) * text_block_bytes;
            texts_.add_block();
        }
        std::memcpy(text_at(text_end_), text.data(), size);
        item.text_start = text_end_;
        item.text_size = static_cast<std::uint16_t>(size);
        text_end_ += static_cast<std::uint32_t>(size);
    }

    BlockStore items_;
    std::uint32_t count_ = 0;
    std::uint32_t first_root_ = 0, last_root_ = 0;
    TreeItem selected_ = no_item;
    BlockStore texts_;
    std::uint32_t text_end_ = 0;  // where the next text goes: block * text_block_bytes + offset
};
