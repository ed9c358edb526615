// A shard of a run as two things see it that know nothing of runs: the output folder's lock,
// and a walk that should meet only the shard's files.
#pragma once

#include <optional>
#include <vector>

#include "engine/walk.h"
#include "platform/platform.h"

struct CheckedRequest;
struct RunShard;

// The shard of the request as the lock of its output folder knows it; none for a whole run. The
// run key is the same for every shard of one run and changes with anything that decides which
// file a place of the walk is and what becomes of it: the input folder (by identity when it can
// be read, else by its absolute path), the patterns, Include Subfolders, the output pattern, and
// the converter's program, arguments and working directory. How many converters run at once,
// time limits, skipping and retries may differ between the shards.
std::optional<FolderShard> folder_shard_of(const CheckedRequest& checked);

// Hands on to another visitor only the shard's part of a walk: the matching files whose place
// in the walk (counted from 0 over all matching files) belongs to the shard, and the folders
// that hold one of them, each reached just before its first such file, so a folder none of
// whose files is the shard's is never reported. Unreadable folders and stop requests pass as
// they are.
class ShardWalkFilter : public WalkVisitor {
public:
    ShardWalkFilter(const RunShard& shard, WalkVisitor& inner);
    void folder_reached(const WalkFolder& folder) override;
    void folder_left(const WalkFolder& folder) override;
    void file_matched(const WalkFolder& folder, const std::string& name) override;
    void folder_unreadable(const WalkFolder& folder) override;
    bool stop_requested() override;

private:
    struct Open {
        const WalkFolder* folder;
        bool passed_on;
    };
    int number_;
    int count_;
    WalkVisitor& inner_;
    std::vector<Open> open_;
    int place_ = 0;
};
