// The lock of a folder: one holder at a time, whoever asks, and free again once released.
#include <gtest/gtest.h>

#include <thread>

#include "platform/platform.h"
#include "Support/temp_dir.h"

namespace {

using test_support::TempDir;

// Asked from another thread: on Windows the thread that holds a mutex may take it again, so the
// second holder must be someone else, as another run is.
LockResult lock_elsewhere(const FolderId& id) {
    LockResult result = LockResult::Failed;
    std::thread other([&] {
        FolderLock* lock = nullptr;
        result = lock_folder(id, lock);
        unlock_folder(lock);
    });
    other.join();
    return result;
}

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

}  // namespace
