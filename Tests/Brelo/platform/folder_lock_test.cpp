// The lock of a folder: one whole run at a time, or the shards of one run together, whoever
// asks, and free again once released.
#include <gtest/gtest.h>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "platform/platform.h"
#include "Support/temp_dir.h"

namespace {

using test_support::TempDir;

// Asked from another thread: on Windows the thread that holds a mutex may take it again, so the
// second holder must be someone else, as another run is. A shard's lock is held by its asker,
// none for the whole folder.
struct Asker {
    std::optional<FolderShard> shard;
};

LockResult take(const FolderId& id, const Asker& asker, FolderLock*& lock) {
    return asker.shard ? lock_folder(id, *asker.shard, lock) : lock_folder(id, lock);
}

LockResult lock_elsewhere(const FolderId& id, const Asker& asker = {}) {
    LockResult result = LockResult::Failed;
    std::thread other([&] {
        FolderLock* lock = nullptr;
        result = take(id, asker, lock);
        unlock_folder(lock);
    });
    other.join();
    return result;
}

// Holds locks on a thread of its own until it is released, as a run in another process would.
class Holder {
public:
    Holder(const FolderId& id, const Asker& asker) {
        thread_ = std::thread([this, id, asker] {
            FolderLock* lock = nullptr;
            {
                std::lock_guard<std::mutex> guard(mutex_);
                result_ = take(id, asker, lock);
                taken_ = true;
            }
            changed_.notify_all();
            std::unique_lock<std::mutex> guard(mutex_);
            changed_.wait(guard, [this] { return released_; });
            unlock_folder(lock);
        });
        std::unique_lock<std::mutex> guard(mutex_);
        changed_.wait(guard, [this] { return taken_; });
    }
    ~Holder() {
        {
            std::lock_guard<std::mutex> guard(mutex_);
            released_ = true;
        }
        changed_.notify_all();
        thread_.join();
    }
    LockResult result() const { return result_; }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool taken_ = false, released_ = false;
    LockResult result_ = LockResult::Failed;
    std::thread thread_;
};

TEST(FolderLock, OneHolderPerFolderUntilReleased) {
    TempDir one, two;
    FolderId first, second;
    ASSERT_TRUE(folder_identity(one.path(), first));
    ASSERT_TRUE(folder_identity(two.path(), second));
    FolderLock* lock = nullptr;
    ASSERT_EQ(lock_folder(first, lock), LockResult::Locked);
    ASSERT_NE(lock, nullptr);
    EXPECT_EQ(lock_elsewhere(first), LockResult::Busy);
    EXPECT_EQ(lock_elsewhere(second), LockResult::Locked);
    unlock_folder(lock);
    EXPECT_EQ(lock_elsewhere(first), LockResult::Locked);
    // Nothing is left in the folder the lock is about.
    int entries = 0;
    list_directory(one.path(), [&](const DirEntry& entry) {
        if (entry.name != "." && entry.name != "..") ++entries;
        return true;
    });
    EXPECT_EQ(entries, 0);
}

// The shards of one run share the folder; anything that could write an output another holder
// writes is kept out: a whole run, the same shard twice, a shard of another run or another count.
TEST(FolderLock, ShardsOfOneRunShareTheFolderAndNothingElseDoes) {
    const Asker whole;
    const auto shard = [](int number, int count, unsigned long long run) {
        return Asker{FolderShard{number, count, run}};
    };
    struct Row {
        const char* label;
        std::vector<Asker> holders;
        Asker asker;
        LockResult expected;
    };
    const std::vector<Row> rows = {
        {"a shard of a free folder", {}, shard(2, 3, 7), LockResult::Locked},
        {"the other shards of the run", {shard(1, 3, 7), shard(3, 3, 7)}, shard(2, 3, 7),
         LockResult::Locked},
        {"the same shard twice", {shard(1, 3, 7), shard(2, 3, 7)}, shard(2, 3, 7),
         LockResult::Busy},
        {"a shard of another run", {shard(1, 3, 7)}, shard(2, 3, 8), LockResult::Busy},
        {"a shard of another count", {shard(1, 3, 7)}, shard(2, 2, 7), LockResult::Busy},
        {"a shard while a whole run writes", {whole}, shard(1, 3, 7), LockResult::Busy},
        {"a whole run while shards write", {shard(1, 3, 7), shard(2, 3, 7)}, whole,
         LockResult::Busy},
        {"the one shard of one", {}, shard(1, 1, 7), LockResult::Locked},
        {"a whole run while the one shard of one writes", {shard(1, 1, 7)}, whole,
         LockResult::Busy},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        TempDir folder;
        FolderId id;
        ASSERT_TRUE(folder_identity(folder.path(), id));
        std::vector<std::unique_ptr<Holder>> holders;
        for (const Asker& holder : row.holders) {
            holders.push_back(std::make_unique<Holder>(id, holder));
            ASSERT_EQ(holders.back()->result(), LockResult::Locked);
        }
        EXPECT_EQ(lock_elsewhere(id, row.asker), row.expected);
        // Once every holder let go, anyone may have it, and a refused asker left nothing held.
        holders.clear();
        EXPECT_EQ(lock_elsewhere(id), LockResult::Locked);
        EXPECT_EQ(lock_elsewhere(id, shard(1, 2, 9)), LockResult::Locked);
    }
}

// The folder stays kept from whole runs until its last shard lets go.
TEST(FolderLock, WholeRunWaitsForTheLastShard) {
    TempDir folder;
    FolderId id;
    ASSERT_TRUE(folder_identity(folder.path(), id));
    auto first = std::make_unique<Holder>(id, Asker{FolderShard{1, 2, 5}});
    auto second = std::make_unique<Holder>(id, Asker{FolderShard{2, 2, 5}});
    ASSERT_EQ(first->result(), LockResult::Locked);
    ASSERT_EQ(second->result(), LockResult::Locked);
    first.reset();
    EXPECT_EQ(lock_elsewhere(id), LockResult::Busy);
    EXPECT_EQ(lock_elsewhere(id, Asker{FolderShard{1, 2, 6}}), LockResult::Busy);
    // The run's first shard may come again.
    EXPECT_EQ(lock_elsewhere(id, Asker{FolderShard{1, 2, 5}}), LockResult::Locked);
    second.reset();
    EXPECT_EQ(lock_elsewhere(id), LockResult::Locked);
}

}  // namespace
