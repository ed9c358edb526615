// The one walk through the input tree, and the path rules it goes by.
#include "engine/walk.h"

#include <optional>
#include <set>
#include <vector>

#include "engine/pattern_set.h"
#include "engine/run_settings.h"
#include "platform/platform.h"

namespace {

// A folder of the walk and whether its first match has been reported yet.
struct Level {
    WalkFolder folder;
    Level* parent = nullptr;
    bool reached = false;
};

class Walk {
public:
    Walk(const RunSettings& settings, const PatternSet& patterns, WalkVisitor& visitor)
        : settings_(settings), patterns_(patterns), visitor_(visitor) {
        FolderId output;
        if (folder_identity(settings.output_directory, output)) output_ = output;
        FolderId input;
        if (folder_identity(settings.input_directory, input)) seen_.insert(input);
    }

    // False when the visitor stopped the walk.
    bool walk(Level& level) {
        const bool completed = walk_entries(level);
        if (level.reached) visitor_.folder_left(level.folder);
        return completed;
    }

private:
    bool walk_entries(Level& level) {
        // The level is read whole before anything is done with it, so files that the
        // converters write into it meanwhile (output directory equal to the input directory)
        // are not taken up again.
        std::vector<DirEntry> entries;
        if (!list_directory(level.folder.input_path, [&](const DirEntry& entry) {
                entries.push_back(entry);
                return true;
            })) {
            visitor_.folder_unreadable(level.folder);
            return true;
        }
        for (const DirEntry& entry : entries) {
            if (visitor_.stop_requested()) return false;
            if (entry.is_directory) {
                if (!enter(level, entry.name)) return false;
                continue;
            }
            if (match_file_name(patterns_, entry.name)) {
                reach(level);
                visitor_.file_matched(level.folder, entry.name);
            }
        }
        return true;
    }

    bool enter(Level& level, const std::string& name) {
        if (!settings_.include_subfolders || name == "." || name == "..") return true;
        const std::string path = join_path(level.folder.input_path, name);
        if (is_output_directory(path, settings_)) return true;
        // Links can lead back up the tree or to the output directory under another name; by
        // identity each folder is walked once and the output directory never.
        FolderId id;
        if (folder_identity(path, id)) {
            if (output_ && id == *output_) return true;
            if (!seen_.insert(id).second) return true;
        }
        Level sub;
        sub.folder.parent = &level.folder;
        sub.folder.name = name;
        sub.folder.input_path = path;
        sub.folder.output_path = join_path(level.folder.output_path, name);
        sub.parent = &level;
        return walk(sub);
    }

    // Outer folders are reported first, so a folder's parent is always known before it.
    void reach(Level& level) {
        if (level.reached) return;
        if (level.parent) reach(*level.parent);
        level.reached = true;
        visitor_.folder_reached(level.folder);
    }

    const RunSettings& settings_;
    const PatternSet& patterns_;
    WalkVisitor& visitor_;
    std::optional<FolderId> output_;
    std::set<FolderId> seen_;
};

// One directory's path cut into its parts, each as the file system compares names: on Windows
// path_compare_key has made every "/" a "\\" and ignores case.
std::vector<std::string> path_parts(const std::string& path, bool& absolute) {
    const std::string key = path_compare_key(path);
    absolute = !key.empty() && key.front() == path_separator;
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= key.size()) {
        std::size_t end = key.find(path_separator, start);
        if (end == std::string::npos) end = key.size();
        std::string part = key.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty() && parts.back() != "..") {
                parts.pop_back();
            } else if (!absolute) {
                parts.push_back(part);
            }
        } else if (!part.empty() && part != ".") {
            parts.push_back(std::move(part));
        }
        start = end + 1;
    }
    return parts;
}

}  // namespace

bool walk_input(const RunSettings& settings, const PatternSet& patterns, WalkVisitor& visitor) {
    Level top;
    top.folder.input_path = settings.input_directory;
    top.folder.output_path = settings.output_directory;
    return Walk(settings, patterns, visitor).walk(top);
}

std::string output_path_of(const WalkFolder& folder, const std::string& name,
                           const std::string& output_pattern) {
    return join_path(folder.output_path, derive_output_name(name, output_pattern));
}

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

bool is_output_directory(const std::string& path, const RunSettings& settings) {
    return same_directory_path(path, settings.output_directory);
}
