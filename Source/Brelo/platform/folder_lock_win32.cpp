// Folder locks on Windows: named objects in the session's namespace. A whole run holds a mutex
// named after the folder. Shards hold events, which exist while anyone has a handle to them: one
// for every shard of the folder, one for the shards of their run and one for each shard. A short
// gate mutex lets one shard at a time look at them and add its own, so what a shard sees there
// is all there is. A whole run takes its mutex and then looks for the shards' event; a shard makes
// that event and then looks at the mutex, so of two that come at the same moment at least one
// sees the other.
#include "platform/platform.h"

#include <string>
#include <vector>

#include <windows.h>

struct FolderLock {
    HANDLE mutex = nullptr;  // a whole run's
    std::vector<HANDLE> events;  // a shard's
};

namespace {

// Long enough for any other shard to look and leave: the gate is held for a few calls.
constexpr DWORD gate_wait_ms = 5000;

std::wstring folder_lock_name(const FolderId& id) {
    return L"Local\\Brelo-out-" + std::to_wstring(id.device) + L"-" + std::to_wstring(id.file);
}

std::wstring run_part(const FolderShard& shard) {
    std::wstring run(16, L'0');
    for (int i = 0; i < 16; ++i) run[15 - i] = L"0123456789abcdef"[(shard.run >> (4 * i)) & 15];
    return run + L"-" + std::to_wstring(shard.count);
}

// Opens or makes the event; existed tells which. False when the name cannot be had.
bool hold_event(const std::wstring& name, FolderLock& lock, bool& existed) {
    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, name.c_str());
    if (!event) return false;
    existed = GetLastError() == ERROR_ALREADY_EXISTS;
    lock.events.push_back(event);
    return true;
}

// Whether a whole run holds the folder's mutex now. Taking it for a moment is the only way to
// ask; a whole run that asks in that moment is refused, as it would be a moment later.
bool whole_run_holds(const std::wstring& folder) {
    HANDLE mutex = OpenMutexW(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, folder.c_str());
    if (!mutex) return false;  // nobody has it open
    const DWORD waited = WaitForSingleObject(mutex, 0);
    if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) ReleaseMutex(mutex);
    CloseHandle(mutex);
    return waited == WAIT_TIMEOUT;
}

// The shard's part, behind the gate.
LockResult join_shards(const std::wstring& folder, const FolderShard& shard, FolderLock& lock) {
    bool any_shards = false, own_run = false, same_shard = false;
    if (!hold_event(folder + L"-shards", lock, any_shards)) return LockResult::Failed;
    const std::wstring run = folder + L"-shards-" + run_part(shard);
    if (!hold_event(run, lock, own_run)) return LockResult::Failed;
    if (any_shards && !own_run) return LockResult::Busy;  // shards of another run hold it
    if (!hold_event(run + L"-" + std::to_wstring(shard.number), lock, same_shard)) {
        return LockResult::Failed;
    }
    if (same_shard || whole_run_holds(folder)) return LockResult::Busy;
    return LockResult::Locked;
}

}  // namespace

LockResult lock_folder(const FolderId& id, FolderLock*& lock) {
    lock = nullptr;
    const std::wstring folder = folder_lock_name(id);
    HANDLE mutex = CreateMutexW(nullptr, FALSE, folder.c_str());
    if (!mutex) return LockResult::Failed;
    const DWORD waited = WaitForSingleObject(mutex, 0);
    if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) {
        CloseHandle(mutex);
        return waited == WAIT_TIMEOUT ? LockResult::Busy : LockResult::Failed;
    }
    if (HANDLE shards = OpenEventW(SYNCHRONIZE, FALSE, (folder + L"-shards").c_str())) {
        CloseHandle(shards);
        ReleaseMutex(mutex);
        CloseHandle(mutex);
        return LockResult::Busy;
    }
    lock = new FolderLock;
    lock->mutex = mutex;
    return LockResult::Locked;
}

LockResult lock_folder(const FolderId& id, const FolderShard& shard, FolderLock*& lock) {
    lock = nullptr;
    const std::wstring folder = folder_lock_name(id);
    HANDLE gate = CreateMutexW(nullptr, FALSE, (folder + L"-gate").c_str());
    if (!gate) return LockResult::Failed;
    const DWORD waited = WaitForSingleObject(gate, gate_wait_ms);
    if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) {
        CloseHandle(gate);
        return waited == WAIT_TIMEOUT ? LockResult::Busy : LockResult::Failed;
    }
    FolderLock* held = new FolderLock;
    const LockResult result = join_shards(folder, shard, *held);
    // A refused shard's events go before the gate opens: the next one must not count them.
    if (result == LockResult::Locked) {
        lock = held;
    } else {
        unlock_folder(held);
    }
    ReleaseMutex(gate);
    CloseHandle(gate);
    return result;
}

void unlock_folder(FolderLock* lock) {
    if (!lock) return;
    if (lock->mutex) {
        ReleaseMutex(lock->mutex);
        CloseHandle(lock->mutex);
    }
    for (HANDLE event : lock->events) CloseHandle(event);
    delete lock;
}
