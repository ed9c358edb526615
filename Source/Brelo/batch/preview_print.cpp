// brelo-batch --preview: both trees as text.
#include "batch/preview_print.h"

#include <utility>

namespace {

// The lines gathered before they go out.
constexpr std::size_t piece_size = 64 * 1024;

}  // namespace

PreviewPrinter::PreviewPrinter(std::ostream& out, std::string line_end)
    : out_(out), line_end_(std::move(line_end)) {
    pending_.reserve(piece_size + 4096);
}

void PreviewPrinter::folder_added(const FileTrees& trees, std::size_t place, int depth) {
    if (place == 0) {
        pending_ += "Input:";
        pending_ += line_end_;
        line(0, trees.input_root);
        return;
    }
    line(depth, trees.folders[place].name);
}

// The files come once their folder is left: after the folders below it, where the trees
// show them.
void PreviewPrinter::files_added(const FileTrees& trees, std::size_t place, int depth) {
    for (const PreviewFile& file : trees.files_of(trees.folders[place])) line(depth + 1, file.name);
}

void PreviewPrinter::print_output_tree(const FileTrees& trees, bool marks) {
    pending_ += line_end_;
    pending_ += "Output preview:";
    pending_ += line_end_;
    visit_tree_lines(trees, TreeSide::Output, [this, marks](const TreeLine& item) {
        line(item.depth, item.text, marks && item.file ? output_mark_suffix(item.file->mark) : "");
    });
    flush();
    out_.flush();
}

void PreviewPrinter::line(int depth, std::string_view text, const char* suffix) {
    pending_.append(2 * static_cast<std::size_t>(depth), ' ');
    pending_ += text;
    pending_ += suffix;
    pending_ += line_end_;
    if (pending_.size() >= piece_size) flush();
}

void PreviewPrinter::flush() {
    out_.write(pending_.data(), static_cast<std::streamsize>(pending_.size()));
    pending_.clear();
}
