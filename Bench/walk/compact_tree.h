// An in-memory tree view built for size: items are small records linked to their parent, first
// child and next sibling, and all texts share one character store. A scan into it costs what the
// scan costs, not what a general-purpose container costs.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/window_parts.h"

class CompactTree : public FileTree {
public:
    void clear() override {
        blocks_.clear();
        count_ = 0;
        first_root_ = last_root_ = 0;
        texts_.clear();
    }

    TreeItem insert_item(TreeItem parent, TreeItem after, const std::string& text,
                         TreeImage image) override {
        if (count_ % block_size == 0) blocks_.emplace_back(new Item[block_size]);
        const std::uint32_t id = ++count_;
        Item& item = at(id);
        item = Item{};
        item.parent = static_cast<std::uint32_t>(parent);
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
        return texts_.substr(i.text_start, i.text_size < 259 ? i.text_size : 259);
    }
    void set_text(TreeItem item, const std::string& text) override { store_text(at(item), text); }

    std::size_t size() const { return count_; }

private:
    struct Item {
        std::uint32_t parent = 0, first_child = 0, last_child = 0, next = 0, partner = 0;
        std::uint32_t text_start = 0, text_size = 0;
        std::uint8_t image = 0;
        bool expanded = false;
    };
    static constexpr std::uint32_t block_size = 1u << 14;

    Item& at(TreeItem id) { return blocks_[(id - 1) / block_size][(id - 1) % block_size]; }
    const Item& at(TreeItem id) const {
        return blocks_[(id - 1) / block_size][(id - 1) % block_size];
    }
    void store_text(Item& item, const std::string& text) {
        item.text_start = static_cast<std::uint32_t>(texts_.size());
        item.text_size = static_cast<std::uint32_t>(text.size());
        texts_ += text;
    }

    std::vector<std::unique_ptr<Item[]>> blocks_;
    std::uint32_t count_ = 0;
    std::uint32_t first_root_ = 0, last_root_ = 0;
    TreeItem selected_ = no_item;
    std::string texts_;
};
