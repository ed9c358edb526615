// The console's window parts: texts, rows and trees in memory, the log box on a stream.
#include "batch/console_window.h"

#include <algorithm>
#include <stdexcept>

#include "engine/text_limits.h"

void ConsoleLogBox::set_text(const std::string& text) {
    if (streaming_) {
        // A run only ever appends to its log, so the new end is what follows the old text.
        // Should a different text come anyway, it is printed whole rather than lost.
        const bool grown = text.compare(0, text_.size(), text_) == 0;
        out_ << (grown ? text.substr(text_.size()) : text);
        out_.flush();
    } else if (expected_header_ && text == *expected_header_) {
        // The run has passed its checks: from here on the box holds the run's log.
        streaming_ = true;
        out_ << text;
        out_.flush();
    }
    text_ = text;
}

std::string ConsoleFields::text(HistoryField field) const {
    auto found = texts_.find(field);
    return found == texts_.end() ? std::string() : fit_text(found->second);
}

void ConsoleFields::set_text(HistoryField field, const std::string& text) {
    texts_[field] = fit_text(text);
}

bool ConsoleFields::is_checked(Switch box) const {
    auto found = checks_.find(box);
    return found != checks_.end() && found->second;
}

void ConsoleFields::set_checked(Switch box, bool checked) { checks_[box] = checked; }

std::string ConsoleHistoryList::row(int index) const { return fit_text(rows_.at(index)); }

void ConsoleHistoryList::insert_row(int index, const std::string& text) {
    if (index < 0 || index > count()) throw std::out_of_range("history row");
    rows_.insert(rows_.begin() + index, text);
}

void ConsoleHistoryList::delete_row(int index) { rows_.erase(rows_.begin() + index); }

void ConsoleHistoryList::select_row(int index) { fields_.set_text(field_, row(index)); }

int ConsoleConverterBox::key_at(int row) const { return rows_.at(row).key; }

void ConsoleConverterBox::select_row(int row) {
    fields_.set_converter_row(row >= 0 && row < count() ? row : -1);
}

void ConsoleConverterBox::clear() {
    rows_.clear();
    fields_.set_converter_row(-1);
}

void ConsoleConverterBox::add_row(const std::string& title, int key) {
    rows_.push_back(Row{title, key});
}

TextTree::Node& TextTree::node(TreeItem item) {
    return const_cast<Node&>(static_cast<const TextTree&>(*this).node(item));
}

const TextTree::Node& TextTree::node(TreeItem item) const {
    if (item == no_item || item > nodes_.size()) throw std::out_of_range("tree item");
    return nodes_[item - 1];
}

std::vector<TreeItem>& TextTree::siblings_of(TreeItem parent) {
    return parent == no_item ? top_ : node(parent).children;
}

const std::vector<TreeItem>& TextTree::siblings_of(TreeItem parent) const {
    return parent == no_item ? top_ : node(parent).children;
}

void TextTree::clear() {
    nodes_.clear();
    top_.clear();
}

TreeItem TextTree::insert_item(TreeItem parent, TreeItem after, const std::string& text,
                               TreeImage) {
    std::size_t position = siblings_of(parent).size();
    if (after == tree_first) {
        position = 0;
    } else if (after != tree_last) {
        // The scan inserts after the newest sibling, so the search starts from the back.
        const std::vector<TreeItem>& siblings = siblings_of(parent);
        auto found = std::find(siblings.rbegin(), siblings.rend(), after);
        if (found == siblings.rend()) throw std::logic_error("insert after a non-sibling");
        position = static_cast<std::size_t>(siblings.rend() - found);
    }
    // Adding the node may move every node, so the sibling list is looked up again after it.
    nodes_.push_back(Node{text, parent, no_item, {}});
    const TreeItem item = nodes_.size();
    std::vector<TreeItem>& siblings = siblings_of(parent);
    siblings.insert(siblings.begin() + static_cast<std::ptrdiff_t>(position), item);
    return item;
}

TreeItem TextTree::first_root() const { return top_.empty() ? no_item : top_.front(); }

TreeItem TextTree::first_child(TreeItem item) const {
    const std::vector<TreeItem>& children = node(item).children;
    return children.empty() ? no_item : children.front();
}

TreeItem TextTree::next_sibling(TreeItem item) const {
    const std::vector<TreeItem>& siblings = siblings_of(node(item).parent);
    auto found = std::find(siblings.begin(), siblings.end(), item);
    return found == siblings.end() || found + 1 == siblings.end() ? no_item : *(found + 1);
}

std::string TextTree::text(TreeItem item) const { return fit_text(node(item).text); }

std::string TextTree::render(const std::string& line_end) const {
    std::string out;
    for (TreeItem item : top_) render(item, 0, line_end, out);
    return out;
}

void TextTree::render(TreeItem item, int depth, const std::string& line_end,
                      std::string& out) const {
    const Node& n = node(item);
    out += std::string(2 * static_cast<std::size_t>(depth), ' ') + n.text + line_end;
    for (TreeItem child : n.children) render(child, depth + 1, line_end, out);
}

HistoryList& ConsoleWindow::history(HistoryField field) {
    switch (field) {
    case HistoryField::InputDirectory: return input_directory_;
    case HistoryField::InputPatterns: return input_patterns_;
    case HistoryField::OutputDirectory: return output_directory_;
    case HistoryField::OutputPattern: return output_pattern_;
    }
    return input_directory_;
}
