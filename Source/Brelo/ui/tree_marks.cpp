// The output tree's marks as state images, and the tips that explain them.
#include "ui/tree_marks.h"

#include <unordered_map>
#include <utility>

#include <commctrl.h>

#include "engine/batch_run.h"
#include "engine/run_plan.h"
#include "engine/walk.h"
#include "platform/platform.h"
#include "ui/app.h"
#include "ui/controls.h"
#include "ui/resource.h"
#include "ui/tree_fill.h"

namespace {

// The marks of the shown trees, by pair number; touched only on the window's thread.
struct MarkState {
    const FileTrees* trees = nullptr;
    std::vector<unsigned char> shown;  // the state image each output item carries
    // The run's marks and reasons, by pair; empty while no run has marked anything.
    std::vector<FileRunMark> run;
    // The file pairs by their paths below the input directory, as path_compare_key gives
    // them; made at the start of a run, empty when the run's files are not the trees'.
    std::unordered_map<std::string, std::size_t> by_path;
    bool coming_remarked = false;  // the items being filled may carry marks no longer right
};

MarkState marks;

// The pairs of the files, as the fill numbered them: each file's pointer is in items.files. A
// folder comes after the folder it is in, so its path is known from its parent's.
void list_paths(const FileTrees& trees,
                const std::unordered_map<const PreviewFile*, std::size_t>& pairs) {
    std::vector<std::string> paths(trees.folders.size());
    for (std::size_t place = 0; place < trees.folders.size(); ++place) {
        const PreviewFolder& folder = trees.folders[place];
        if (place > 0) {
            paths[place] = paths[folder.parent] + path_separator + std::string(folder.name);
        }
        for (const PreviewFile& file : trees.files_of(folder)) {
            const auto found = pairs.find(&file);
            if (found == pairs.end()) continue;
            marks.by_path.emplace(
                path_compare_key(paths[place] + path_separator + std::string(file.name)),
                found->second);
        }
    }
}

void set_state_image(HWND tree, HTREEITEM item, int image) {
    TVITEMW change = {};
    change.mask = TVIF_STATE;
    change.hItem = item;
    change.state = INDEXTOSTATEIMAGEMASK(image);
    change.stateMask = TVIS_STATEIMAGEMASK;
    SendMessageW(tree, TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&change));
}

// Each output file item shows the run's mark where there is one, else the preview's; only
// the items whose image changes are told.
void show_marks(HWND window, const TreeItems& items) {
    HWND tree = GetDlgItem(window, IDC_MAIN_OUTPUT_TREE);
    marks.shown.resize(items.output.size(), 0);
    for (std::size_t pair = 0; pair < items.files.size(); ++pair) {
        const PreviewFile* file = items.files[pair];
        if (!file || !items.output[pair]) continue;
        const RunMark run = pair < marks.run.size() ? marks.run[pair].mark : RunMark::None;
        const int image =
            run != RunMark::None ? state_image_of(run) : state_image_of(file->mark);
        if (marks.shown[pair] == image) continue;
        marks.shown[pair] = static_cast<unsigned char>(image);
        set_state_image(tree, items.output[pair], image);
    }
}

}  // namespace

int state_image_of(OutputMark mark) {
    switch (mark) {
    case OutputMark::New:         return blank_state_image;
    case OutputMark::Replace:     return 1;
    case OutputMark::UpToDate:    return 2;
    case OutputMark::Shared:      return 3;
    case OutputMark::SameAsInput: return 4;
    }
    return blank_state_image;
}

int state_image_of(RunMark mark) {
    switch (mark) {
    case RunMark::None:       return 0;
    case RunMark::Converted:  return 5;
    case RunMark::Failed:     return 6;
    case RunMark::Skipped:    return 7;
    case RunMark::Stopped:    return 8;
    case RunMark::NotStarted: return 9;
    }
    return 0;
}

void set_mark_images(HWND tree) {
    switch (GetDlgCtrlID(tree)) {
    case IDC_MAIN_OUTPUT_TREE:
    case IDC_MAIN_OUTPUT_TREE_COMING:
    case IDC_MAIN_OUTPUT_TREE_RETIRED:
        SendMessageW(tree, TVM_SETIMAGELIST, TVSIL_STATE,
                     reinterpret_cast<LPARAM>(tree_mark_images()));
    }
}

void marks_trees_shown(HWND window, const FileTrees* trees, const TreeItems& items) {
    marks.trees = trees;
    marks.run.clear();
    marks.by_path.clear();
    if (std::exchange(marks.coming_remarked, false)) {
        // No state image has this number, so every item is told.
        marks.shown.assign(items.output.size(), 0xFF);
        show_marks(window, items);
        return;
    }
    marks.shown.assign(items.output.size(), 0);
    for (std::size_t pair = 0; pair < items.files.size(); ++pair)
        if (const PreviewFile* file = items.files[pair])
            marks.shown[pair] = static_cast<unsigned char>(state_image_of(file->mark));
}

void coming_trees_remarked() {
    marks.coming_remarked = true;
}

void show_preview_marks(HWND window, const TreeItems& items) {
    marks.run.clear();
    marks.by_path.clear();
    show_marks(window, items);
}

void start_run_marks(HWND window, const RunSettings& settings) {
    const TreeItems& items = shown_tree_items();
    marks.run.clear();
    marks.by_path.clear();
    show_marks(window, items);
    if (!marks.trees) return;
    RunSettings shown = settings;
    shown.input_directory = marks.trees->input_root;
    if (!same_directory_path(resolved_settings(shown).input_directory,
                             resolved_settings(settings).input_directory))
        return;
    std::unordered_map<const PreviewFile*, std::size_t> pairs;
    for (std::size_t pair = 0; pair < items.files.size(); ++pair)
        if (items.files[pair]) pairs.emplace(items.files[pair], pair);
    list_paths(*marks.trees, pairs);
}

void show_run_marks(HWND window, const std::vector<FileRunMark>& done) {
    if (marks.by_path.empty()) return;
    const TreeItems& items = shown_tree_items();
    marks.run.resize(items.files.size());
    for (const FileRunMark& mark : done) {
        const auto found = marks.by_path.find(path_compare_key(mark.relative_input));
        if (found == marks.by_path.end()) continue;
        marks.run[found->second] = mark;
    }
    show_marks(window, items);
}

std::string output_item_tip(const TreeItems& items, LPARAM pair) {
    if (pair <= 0 || static_cast<std::size_t>(pair) >= items.files.size()) return std::string();
    const std::size_t index = static_cast<std::size_t>(pair);
    const PreviewFile* file = items.files[index];
    if (!file) return std::string();
    if (index < marks.run.size() && marks.run[index].mark != RunMark::None)
        return run_mark_tip(marks.run[index]);
    return output_mark_tip(file->mark);
}

bool on_output_tip_wanted(NMHDR& header, const TreeItems& items) {
    if (header.code == TVN_GETINFOTIPW) {
        NMTVGETINFOTIPW& tip = reinterpret_cast<NMTVGETINFOTIPW&>(header);
        if (!tip.pszText || tip.cchTextMax <= 0) return true;
        const std::wstring text = fit_wide(output_item_tip(items, tip.lParam),
                                           static_cast<std::size_t>(tip.cchTextMax));
        text.copy(tip.pszText, text.size());
        tip.pszText[text.size()] = L'\0';
        return true;
    }
    if (header.code == TVN_GETINFOTIPA) {
        NMTVGETINFOTIPA& tip = reinterpret_cast<NMTVGETINFOTIPA&>(header);
        if (!tip.pszText || tip.cchTextMax <= 0) return true;
        const std::wstring text = fit_wide(output_item_tip(items, tip.lParam));
        tip.pszText[0] = '\0';
        if (!WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, tip.pszText, tip.cchTextMax,
                                 nullptr, nullptr))
            tip.pszText[0] = '\0';
        return true;
    }
    return false;
}
