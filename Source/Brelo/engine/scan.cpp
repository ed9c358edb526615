// The directory scan behind the two trees, and the renaming of the preview.
#include "engine/scan.h"

#include <vector>

#include "engine/conversion_log.h"
#include "engine/current_settings.h"
#include "engine/pattern_set.h"
#include "platform/platform.h"

namespace {

enum Side { Input = 0, Output = 1 };

// A folder of the scan. Its items are made only when its first match turns up, so that no
// folder without matches ever appears and nothing has to be pruned afterwards; making them
// first makes its parent's, so outer folders always go in before inner ones.
struct Folder {
    Folder* parent = nullptr;
    std::string name;
    TreeItem items[2] = {no_item, no_item};
    // The last sub-folder item inserted under this folder's items. Sub-folders go in after it
    // (the first after tree_first) and files at tree_last, so sub-folders lead whatever order
    // the disk delivers.
    TreeItem last_folder[2] = {tree_first, tree_first};
};

struct Scan {
    FileTree* trees[2];
    const CurrentSettings& settings;
    const PatternSet& patterns;
    ScanReport report;

    void make_items(Folder& folder) {
        if (folder.items[Input] != no_item) return;
        Folder& parent = *folder.parent;  // the top level's items exist from the start
        make_items(parent);
        for (int side : {Input, Output}) {
            folder.items[side] = insert_folder_item(*trees[side], parent.items[side],
                                                    parent.last_folder[side], folder.name);
            parent.last_folder[side] = folder.items[side];
        }
        link_items(*trees[Input], *trees[Output], folder.items[Input], folder.items[Output]);
    }

    void scan(const std::string& directory, Folder& folder) {
        TreeItem last_file[2] = {tree_last, tree_last};
        list_directory(directory, [&](const DirEntry& entry) {
            if (entry.is_directory) {
                if (!settings.include_subfolders || entry.name == "." || entry.name == "..") {
                    return true;
                }
                const std::string path = join_path(directory, entry.name);
                if (is_output_directory(path, settings)) return true;
                Folder sub;
                sub.parent = &folder;
                sub.name = entry.name;
                scan(path, sub);
                return true;
            }
            switch (match_name(patterns, entry.name)) {
            case NameMatch::NotMatched:
                return true;
            case NameMatch::TooComplex:
                if (report.too_complex++ == 0) {
                    report.first_too_complex = join_path(directory, entry.name);
                }
                return true;
            case NameMatch::Matched:
                break;
            }
            make_items(folder);
            const std::string names[2] = {entry.name,
                                          derive_output_name(entry.name, settings.output_pattern)};
            for (int side : {Input, Output}) {
                last_file[side] = trees[side]->insert_item(folder.items[side], last_file[side],
                                                           names[side], TreeImage::File);
            }
            link_items(*trees[Input], *trees[Output], last_file[Input], last_file[Output]);
            return true;
        });
    }
};

// One directory's path cut into its parts, ready for comparison.
std::vector<std::string> path_parts(const std::string& path, bool& absolute) {
#ifdef _WIN32
    const auto is_separator = [](char c) { return c == '\\' || c == '/'; };
#else
    const auto is_separator = [](char c) { return c == path_separator; };
#endif
    absolute = !path.empty() && is_separator(path.front());
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = start;
        while (end < path.size() && !is_separator(path[end])) ++end;
        std::string part = path.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty() && parts.back() != "..") {
                parts.pop_back();
            } else if (!absolute) {
                parts.push_back(part);
            }
        } else if (!part.empty() && part != ".") {
#ifdef _WIN32
            for (char& c : part) {
                if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
            }
#endif
            parts.push_back(std::move(part));
        }
        start = end + 1;
    }
    return parts;
}

void rename_files(FileTree& input_tree, FileTree& output_tree, TreeItem folder,
                  const std::string& output_pattern) {
    for (TreeItem item = input_tree.first_child(folder); item != no_item;
         item = input_tree.next_sibling(item)) {
        // Every folder item holds at least one child, so a childless item is a file.
        if (input_tree.first_child(item) != no_item) {
            rename_files(input_tree, output_tree, item, output_pattern);
        } else {
            output_tree.set_text(input_tree.partner(item),
                                 derive_output_name(input_tree.text(item), output_pattern));
        }
    }
}

}  // namespace

std::string join_path(const std::string& directory, const std::string& name) {
    std::string path;
    path.reserve(directory.size() + 1 + name.size());
    path += directory;
    path += path_separator;
    path += name;
    return path;
}

bool same_directory_path(const std::string& a, const std::string& b) {
    bool a_absolute = false;
    bool b_absolute = false;
    const auto a_parts = path_parts(a, a_absolute);
    const auto b_parts = path_parts(b, b_absolute);
    return a_absolute == b_absolute && a_parts == b_parts;
}

bool is_output_directory(const std::string& path, const CurrentSettings& settings) {
    return same_directory_path(path, settings.output_directory);
}

TreeItem insert_folder_item(FileTree& tree, TreeItem parent, TreeItem after,
                            const std::string& text) {
    return tree.insert_item(parent, after, text, TreeImage::Folder);
}

void link_items(FileTree& input_tree, FileTree& output_tree, TreeItem input_item,
                TreeItem output_item) {
    input_tree.set_partner(input_item, output_item);
    output_tree.set_partner(output_item, input_item);
}

bool contains_match(const std::string& directory, const PatternSet& patterns,
                    const CurrentSettings& settings) {
    bool found = false;
    list_directory(directory, [&](const DirEntry& entry) {
        if (entry.is_directory) {
            if (settings.include_subfolders && entry.name != "." && entry.name != "..") {
                const std::string path = join_path(directory, entry.name);
                found = !is_output_directory(path, settings) &&
                        contains_match(path, patterns, settings);
            }
        } else {
            found = match_file_name(patterns, entry.name);
        }
        return !found;
    });
    return found;
}

ScanReport scan_directory(FileTree& input_tree, FileTree& output_tree,
                          const CurrentSettings& settings, const PatternSet& patterns) {
    Scan scan{{&input_tree, &output_tree}, settings, patterns, {}};
    Folder top;
    top.items[Input] = insert_folder_item(input_tree, no_item, tree_first,
                                          settings.input_directory);
    top.items[Output] = insert_folder_item(output_tree, no_item, tree_first,
                                           settings.output_directory);
    input_tree.select(top.items[Input]);
    output_tree.select(top.items[Output]);
    link_items(input_tree, output_tree, top.items[Input], top.items[Output]);
    scan.scan(settings.input_directory, top);
    input_tree.expand(top.items[Input]);
    output_tree.expand(top.items[Output]);
    return scan.report;
}

void refresh_input_tree(MainWindow& window) {
    const CurrentSettings settings = capture_settings(window.fields());
    window.input_tree().clear();
    window.output_tree().clear();
    PatternSet patterns;
    if (!check_input(window.log_box(), settings, patterns)) return;
    check_output(window.log_box(), settings);
    const ScanReport report =
        scan_directory(window.input_tree(), window.output_tree(), settings, patterns);
    if (report.too_complex > 0) {
        std::string message = too_complex_message(settings.input_patterns,
                                                  report.first_too_complex);
        if (report.too_complex > 1) {
            message += " " + std::to_string(report.too_complex - 1) +
                       " more names were taken likewise.";
        }
        show_notice(window.log_box(), input_section, input_patterns_key, message);
    }
}

void refresh_output_tree(MainWindow& window) {
    const CurrentSettings settings = capture_settings(window.fields());
    check_output(window.log_box(), settings);
    FileTree& input_tree = window.input_tree();
    FileTree& output_tree = window.output_tree();
    const TreeItem root = input_tree.first_root();
    if (root == no_item) return;
    output_tree.set_text(input_tree.partner(root), settings.output_directory);
    rename_files(input_tree, output_tree, root, settings.output_pattern);
}
