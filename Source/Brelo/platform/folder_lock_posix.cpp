// Folder locks on Linux: names in the abstract UNIX socket namespace. A name exists only while a
// socket is bound to it, so it leaves no file behind and goes when its process does, and one
// name can be bound only once. Shards need more than that, a lock that several hold at once; the
// kernel lists every bound name in /proc/net/unix, so a shard binds a name of its own and then
// reads who else holds the folder. A whole run reads the list the same way after binding, so of
// two that bind at the same moment at least one sees the other.
#include "platform/platform.h"

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

struct FolderLock {
    std::vector<int> sockets;
};

namespace {

// The name of the whole folder's lock, and the start of every shard's name for that folder.
std::string folder_lock_name(const FolderId& id) {
    char name[96];
    std::snprintf(name, sizeof name, "brelo-out-%lu-%llx-%llx",
                  static_cast<unsigned long>(getuid()), id.device, id.file);
    return name;
}

std::string shard_group_name(const std::string& folder, const FolderShard& shard) {
    char group[64];
    std::snprintf(group, sizeof group, "-shard-%016llx-%d-", shard.run, shard.count);
    return folder + group;
}

// Binds a socket to the abstract name: a socket, or -1 with errno EADDRINUSE when the name is
// taken.
int bind_name(const std::string& name) {
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    // The abstract namespace: the path starts with a NUL byte and is not NUL-terminated.
    std::memcpy(address.sun_path + 1, name.data(), name.size());
    const socklen_t size =
        static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
    if (bind(fd, reinterpret_cast<const sockaddr*>(&address), size) != 0) {
        const int error = errno;
        close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

LockResult bind_into(const std::string& name, FolderLock& lock) {
    const int fd = bind_name(name);
    if (fd < 0) return errno == EADDRINUSE ? LockResult::Busy : LockResult::Failed;
    lock.sockets.push_back(fd);
    return LockResult::Locked;
}

// The bound abstract names of the folder's locks (the whole folder's and its shards'), as the
// kernel lists them (the last column, after an "@"). False when the list cannot be read.
bool bound_names(const std::string& folder, std::vector<std::string>& names) {
    const std::string shards = folder + "-shard-";
    std::ifstream list("/proc/net/unix");
    if (!list) return false;
    std::string line;
    if (!std::getline(list, line)) return false;  // the column titles
    while (std::getline(list, line)) {
        const std::size_t last = line.rfind(' ');
        if (last == std::string::npos || line.compare(last + 1, 1, "@") != 0) continue;
        std::string name = line.substr(last + 2);
        if (name == folder || name.compare(0, shards.size(), shards) == 0) {
            names.push_back(std::move(name));
        }
    }
    return true;
}

LockResult refused(FolderLock* lock, FolderLock*& out, LockResult result) {
    unlock_folder(lock);
    out = nullptr;
    return result;
}

}  // namespace

LockResult lock_folder(const FolderId& id, FolderLock*& lock) {
    lock = new FolderLock;
    const std::string folder = folder_lock_name(id);
    const LockResult bound = bind_into(folder, *lock);
    if (bound != LockResult::Locked) return refused(lock, lock, bound);
    // Without the list, shards take this same name, so the bind above is enough.
    std::vector<std::string> names;
    if (bound_names(folder, names)) {
        for (const std::string& name : names) {
            if (name != folder) return refused(lock, lock, LockResult::Busy);
        }
    }
    return LockResult::Locked;
}

LockResult lock_folder(const FolderId& id, const FolderShard& shard, FolderLock*& lock) {
    lock = new FolderLock;
    const std::string folder = folder_lock_name(id);
    const std::string group = shard_group_name(folder, shard);
    const LockResult bound = bind_into(group + std::to_string(shard.number), *lock);
    if (bound != LockResult::Locked) return refused(lock, lock, bound);
    std::vector<std::string> names;
    if (!bound_names(folder, names)) {
        // Nobody can see who holds what: the shard holds the whole folder, as a run would.
        const LockResult whole = bind_into(folder, *lock);
        return whole == LockResult::Locked ? whole : refused(lock, lock, whole);
    }
    for (const std::string& name : names) {
        // The whole run's name, or a shard of another run or of another count.
        if (name.compare(0, group.size(), group) != 0) return refused(lock, lock, LockResult::Busy);
    }
    return LockResult::Locked;
}

void unlock_folder(FolderLock* lock) {
    if (!lock) return;
    for (const int fd : lock->sockets) close(fd);
    delete lock;
}
