// A shard of a run: the key its output folder's lock goes by, and its part of a walk.
#include "engine/run_shard.h"

#include <cstdint>
#include <string>

#include "engine/run_request.h"
#include "engine/run_plan.h"

namespace {

// 64-bit FNV-1a: the key only has to tell runs apart, not to withstand anyone.
class RunKey {
public:
    void add(const std::string& text) {
        for (const char c : text) add_byte(static_cast<unsigned char>(c));
        add_byte(0);  // so that "ab" + "c" differs from "a" + "bc"
    }
    void add(unsigned long long number) { add(std::to_string(number)); }
    std::uint64_t value() const { return hash_; }

private:
    void add_byte(unsigned char byte) {
        hash_ ^= byte;
        hash_ *= 0x100000001b3ULL;
    }
    std::uint64_t hash_ = 0xcbf29ce484222325ULL;
};

}  // namespace

std::optional<FolderShard> folder_shard_of(const CheckedRequest& checked) {
    const RunRequest& request = checked.request;
    if (!request.shard) return std::nullopt;
    const RunSettings& settings = checked.walked;
    RunKey key;
    FolderId input;
    if (folder_identity(settings.input_directory, input)) {
        key.add(input.device);
        key.add(input.file);
    } else {
        key.add(settings.input_directory);
    }
    key.add(settings.input_patterns);
    key.add(settings.include_subfolders ? 1 : 0);
    key.add(settings.output_pattern);
    if (request.converter) {
        key.add(request.converter->exe_file);
        key.add(request.converter->arguments);
        key.add(request.converter->work_dir);
    }
    return FolderShard{request.shard->number, request.shard->count, key.value()};
}

ShardWalkFilter::ShardWalkFilter(const RunShard& shard, WalkVisitor& inner)
    : number_(shard.number), count_(shard.count), inner_(inner) {}

void ShardWalkFilter::folder_reached(const WalkFolder& folder) {
    open_.push_back(Open{&folder, false});
}

void ShardWalkFilter::folder_left(const WalkFolder& folder) {
    const bool passed_on = open_.back().passed_on;
    open_.pop_back();
    if (passed_on) inner_.folder_left(folder);
}

void ShardWalkFilter::file_matched(const WalkFolder& folder, const std::string& name) {
    if (!RunShard{number_, count_}.takes(place_++)) return;
    // The open folders not yet passed on are the innermost ones, outer before inner.
    for (Open& open : open_) {
        if (open.passed_on) continue;
        inner_.folder_reached(*open.folder);
        open.passed_on = true;
    }
    inner_.file_matched(folder, name);
}

void ShardWalkFilter::folder_unreadable(const WalkFolder& folder) {
    inner_.folder_unreadable(folder);
}

bool ShardWalkFilter::stop_requested() { return inner_.stop_requested(); }
