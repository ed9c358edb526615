// brelo-batch --preview: both trees as text, the input tree printed while the scan walks.
#pragma once

#include <cstddef>
#include <ostream>
#include <string>
#include <string_view>

#include "engine/scan.h"

// Prints the trees as the window shows them: "Input:", the input tree, an empty line, "Output
// preview:" and the output tree, one line per item indented by two blanks per level. The input
// tree goes out while the scan walks (as its listener); the output tree, whose notices need
// the whole scan, goes out afterwards from the trees' value. The lines gather in pieces of some
// tens of kilobytes, so a big tree takes few writes and no copy of its whole text.
class PreviewPrinter : public ScanListener {
public:
    PreviewPrinter(std::ostream& out, std::string line_end);

    void folder_added(const FileTrees& trees, std::size_t place, int depth) override;
    void files_added(const FileTrees& trees, std::size_t place, int depth) override;

    // The output tree after the scan, then everything printed goes out. With marks, each
    // output name is followed by its mark's suffix (output_mark_suffix).
    void print_output_tree(const FileTrees& trees, bool marks = false);

private:
    void line(int depth, std::string_view text, const char* suffix = "");
    void flush();

    std::ostream& out_;
    std::string line_end_;
    std::string pending_;
};
