// The settings file's bytes and the program's directory on POSIX systems.
//
// Where this departs from Windows: the executable's path comes from /proc/self/exe; a symbolic
// link to the settings file is followed so that the link survives the replacement; a file
// without any write permission bit counts as read-only.
#include "platform/profile.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::size_t path_capacity = 260;

std::atomic<std::size_t> reads{0};
std::atomic<std::size_t> writes{0};

bool write_all(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t put = write(fd, bytes.data() + done, bytes.size() - done);
        if (put < 0 && errno == EINTR) continue;
        if (put == 0) errno = EIO;
        if (put <= 0) return false;
        done += static_cast<std::size_t>(put);
    }
    return true;
}

// The file a write should change: a symbolic link is followed, so the link itself survives.
std::string write_target(const std::string& file) {
    struct stat info;
    if (lstat(file.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
        if (char* resolved = realpath(file.c_str(), nullptr)) {
            std::string target = resolved;
            std::free(resolved);
            return target;
        }
    }
    return file;
}

// False, with failure saying what errno (of the call that failed) means.
bool fail_with(WriteFailure& failure, int error) {
    switch (error) {
    case ENOSPC:
    case EDQUOT: failure.problem = WriteProblem::DiskFull; break;
    case EACCES:
    case EPERM: failure.problem = WriteProblem::AccessDenied; break;
    case ENOENT:
    case ENOTDIR: failure.problem = WriteProblem::FolderMissing; break;
    default: failure.problem = WriteProblem::Other; break;
    }
    failure.system_message = std::strerror(error);
    return false;
}

bool fail_with(WriteFailure& failure, WriteProblem problem) {
    failure.problem = problem;
    return false;
}

// After a rename, the folder holds the new name only in memory until it too reaches the disk.
// A folder that cannot be synced is no error: the rename itself was done.
void sync_folder_of(const std::string& file) {
    const std::size_t slash = file.rfind('/');
    const std::string folder =
        slash == std::string::npos ? "." : slash == 0 ? "/" : file.substr(0, slash);
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    if (fsync(fd) != 0) {
        // Some file systems cannot sync a folder; the file's own bytes are on the disk.
    }
    close(fd);
}

}  // namespace

std::string executable_directory() {
    std::string path(4096, '\0');
    for (;;) {
        ssize_t length = readlink("/proc/self/exe", &path[0], path.size());
        if (length <= 0) return std::string();
        if (static_cast<std::size_t>(length) < path.size()) {
            path.resize(static_cast<std::size_t>(length));
            break;
        }
        path.resize(path.size() * 2);
    }
    std::size_t slash = path.rfind('/');
    if (slash == std::string::npos || slash + 1 >= path_capacity) return std::string();
    return path.substr(0, slash + 1);
}

FileRead read_profile_file(const std::string& path, std::string& bytes) {
    ++reads;
    bytes.clear();
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno == ENOENT || errno == ENOTDIR ? FileRead::Missing : FileRead::Failed;
    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        return FileRead::Failed;
    }
    if (info.st_size > 0) bytes.reserve(static_cast<std::size_t>(info.st_size));
    char chunk[65536];
    for (;;) {
        ssize_t got = read(fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            close(fd);
            bytes.clear();
            return FileRead::Failed;
        }
        if (got == 0) break;
        bytes.append(chunk, static_cast<std::size_t>(got));
    }
    close(fd);
    return FileRead::Read;
}

bool replace_profile_file(const std::string& path, const std::string& bytes,
                          WriteFailure* failure) {
    ++writes;
    WriteFailure unused;
    WriteFailure& why = failure ? *failure : unused;
    why = WriteFailure();
    const std::string target = write_target(path);
    struct stat old;
    const bool exists = stat(target.c_str(), &old) == 0;
    if (exists && !S_ISREG(old.st_mode)) return fail_with(why, WriteProblem::NotAFile);
    if (exists && (old.st_mode & 0222) == 0) return fail_with(why, WriteProblem::ReadOnly);

    static std::atomic<unsigned> counter{0};
    std::string temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = target + ".tmp" + std::to_string(getpid()) + "-" + std::to_string(counter++);
        fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) return fail_with(why, errno);
    }
    if (fd < 0) return fail_with(why, EEXIST);
    // Each step keeps the errno of its own failure for the message.
    int error = 0;
    if (!write_all(fd, bytes)) error = errno;
    if (!error && exists && fchmod(fd, old.st_mode & 07777) != 0) error = errno;
    // On the disk before it takes the name: a power cut must not leave an empty file there.
    if (!error && fsync(fd) != 0) error = errno;
    if (close(fd) != 0 && !error) error = errno;
    if (!error && rename(temporary.c_str(), target.c_str()) != 0) error = errno;
    if (error) {
        unlink(temporary.c_str());
        return fail_with(why, error);
    }
    sync_folder_of(target);
    return true;
}

ProfileFileCounts profile_file_counts() { return ProfileFileCounts{reads.load(), writes.load()}; }
