// An in-memory tree view, for tests and benchmarks of the scan. It renders itself as indented
// text so that a test compares a whole tree at once.
#pragma once

#include <algorithm>
#include <cstddef>
#include <deque>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/window_parts.h"

namespace test_support {

class FakeFileTree : public FileTree {
public:
    struct Node {
        std::string text;
        TreeImage image = TreeImage::Folder;
        TreeItem parent = no_item;
        TreeItem partner = no_item;
        bool selected = false;
        bool expanded = false;
        std::vector<TreeItem> children;
    };

    void clear() override {
        nodes_.clear();
        top_.clear();
        selected_ = no_item;
    }

    TreeItem insert_item(TreeItem parent, TreeItem after, const std::string& text,
                         TreeImage image) override {
        std::size_t position = siblings(parent).size();
        if (after == tree_first) {
            position = 0;
        } else if (after != tree_last) {
            // Usually the last sibling or close to it, so search from the back.
            const auto& list = siblings(parent);
            auto found = std::find(list.rbegin(), list.rend(), after);
            if (found == list.rend()) throw std::logic_error("insert after a non-sibling");
            position = static_cast<std::size_t>(list.rend() - found);
        }
        nodes_.push_back(Node{text, image, parent, no_item, false, false, {}});
        const TreeItem item = nodes_.size();
        auto& list = siblings(parent);
        list.insert(list.begin() + static_cast<std::ptrdiff_t>(position), item);
        return item;
    }

    void set_partner(TreeItem item, TreeItem partner) override { node(item).partner = partner; }
    TreeItem partner(TreeItem item) const override { return node(item).partner; }

    void select(TreeItem item) override {
        if (selected_ != no_item) node(selected_).selected = false;
        selected_ = item;
        node(item).selected = true;
    }
    void expand(TreeItem item) override { node(item).expanded = true; }

    TreeItem first_root() const override { return top_.empty() ? no_item : top_.front(); }
    TreeItem first_child(TreeItem item) const override {
        const auto& children = node(item).children;
        return children.empty() ? no_item : children.front();
    }
    TreeItem next_sibling(TreeItem item) const override {
        const std::vector<TreeItem>& list = siblings(node(item).parent);
        auto found = std::find(list.begin(), list.end(), item);
        return found + 1 == list.end() ? no_item : *(found + 1);
    }
    std::string text(TreeItem item) const override { return node(item).text.substr(0, 259); }
    void set_text(TreeItem item, const std::string& text) override { node(item).text = text; }

    const Node& node(TreeItem item) const {
        if (item == no_item || item > nodes_.size()) throw std::logic_error("no such item");
        return nodes_[item - 1];
    }
    Node& node(TreeItem item) {
        return const_cast<Node&>(static_cast<const FakeFileTree&>(*this).node(item));
    }
    std::size_t size() const { return nodes_.size(); }
    const std::vector<TreeItem>& top_items() const { return top_; }

    // One line per item, two blanks of indent per level. Folder-image items end with "/";
    // a selected item is marked " [selected]", an expanded one " [expanded]".
    std::string render() const {
        std::string out;
        for (TreeItem item : top_) render(item, 0, out);
        return out;
    }

private:
    std::vector<TreeItem>& siblings(TreeItem parent) {
        return parent == no_item ? top_ : node(parent).children;
    }
    const std::vector<TreeItem>& siblings(TreeItem parent) const {
        return parent == no_item ? top_ : node(parent).children;
    }
    void render(TreeItem item, int depth, std::string& out) const {
        const Node& n = node(item);
        out += std::string(2 * depth, ' ') + n.text;
        if (n.image == TreeImage::Folder) out += "/";
        if (n.selected) out += " [selected]";
        if (n.expanded) out += " [expanded]";
        out += "\n";
        for (TreeItem child : n.children) render(child, depth + 1, out);
    }

    std::deque<Node> nodes_;  // never moves a node, so a large tree fills quickly
    std::vector<TreeItem> top_;
    TreeItem selected_ = no_item;
};

// True when the two trees have the same shape and every item and its counterpart at the same
// place name each other as partners.
inline bool trees_linked(const FakeFileTree& a, const FakeFileTree& b) {
    struct Walker {
        const FakeFileTree& a;
        const FakeFileTree& b;
        bool same(const std::vector<TreeItem>& xs, const std::vector<TreeItem>& ys) const {
            if (xs.size() != ys.size()) return false;
            for (std::size_t i = 0; i < xs.size(); ++i) {
                if (a.partner(xs[i]) != ys[i] || b.partner(ys[i]) != xs[i]) return false;
                if (!same(a.node(xs[i]).children, b.node(ys[i]).children)) return false;
            }
            return true;
        }
    };
    return Walker{a, b}.same(a.top_items(), b.top_items());
}

}  // namespace test_support
