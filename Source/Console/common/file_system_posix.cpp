// The console converters' files on POSIX systems: the bytes are the names.
#include "file_system.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int link_hops = 40;
// A collision costs only another try; a hundred in a row mean something else is wrong.
constexpr int naming_attempts = 100;

bool in_proc(const std::string& folder) {
    return folder == "/proc" || folder.compare(0, 6, "/proc/") == 0;
}

// The name path's links lead to: its folder with every link resolved, then the last name followed
// while it is a symbolic link (a dangling one leads to the name it would create). through_proc
// tells that a step passed through /proc, where /dev/stdout and /dev/fd/N lead: those links
// stand for open descriptors, not for files to replace. Empty when a folder does not exist.
std::string follow_links(std::string path, bool& through_proc) {
    for (int hop = 0; hop < link_hops; ++hop) {
        const std::string prefix = folder_prefix(path);
        const std::string name = path.substr(prefix.size());
        if (name.empty() || name == "." || name == "..") return path;  // a folder
        char* resolved = realpath(prefix.empty() ? "." : prefix.c_str(), nullptr);
        if (!resolved) return std::string();
        const std::string folder(resolved);
        std::free(resolved);
        if (in_proc(folder)) through_proc = true;
        path = (folder == "/" ? std::string() : folder) + "/" + name;
        struct stat info;
        if (lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
        char text[PATH_MAX];
        const ssize_t length = readlink(path.c_str(), text, sizeof text);
        if (length <= 0 || length >= static_cast<ssize_t>(sizeof text)) return path;
        const std::string link(text, static_cast<std::size_t>(length));
        path = link[0] == '/' ? link : folder + "/" + link;
    }
    return path;
}

std::string descriptor_link(int descriptor) {
    return "/proc/self/fd/" + std::to_string(descriptor);
}

bool name_unnamed(int descriptor, const std::string& target,
                  const std::function<std::string()>& next_name) {
    const std::string link = descriptor_link(descriptor);
    if (linkat(AT_FDCWD, link.c_str(), AT_FDCWD, target.c_str(), AT_SYMLINK_FOLLOW) == 0)
        return true;
    if (errno != EEXIST) return false;
    for (int attempt = 0; attempt < naming_attempts; ++attempt) {
        const std::string name = next_name();
        if (linkat(AT_FDCWD, link.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) != 0) {
            if (errno == EEXIST) continue;
            return false;
        }
        if (std::rename(name.c_str(), target.c_str()) == 0) return true;
        unlink(name.c_str());
        return false;
    }
    return false;
}

}  // namespace

std::FILE* open_file(const std::string& path, const char* mode) {
    return std::fopen(path.c_str(), mode);
}

bool remove_file(const std::string& path) { return std::remove(path.c_str()) == 0; }

bool is_regular_file(std::FILE* file) {
    struct stat info;
    return fstat(fileno(file), &info) == 0 && S_ISREG(info.st_mode);
}

bool names_open_file(std::FILE* input, const std::string& path) {
    struct stat a, b;
    return fstat(fileno(input), &a) == 0 && stat(path.c_str(), &b) == 0 && a.st_dev == b.st_dev &&
           a.st_ino == b.st_ino;
}

unsigned long process_number() { return static_cast<unsigned long>(getpid()); }

std::string folder_prefix(const std::string& path) {
    const std::size_t cut = path.rfind('/');
    return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

Placement place_output(const std::string& path, bool in_place, std::string& target) {
    bool through_proc = false;
    target = follow_links(path, through_proc);
    if (target.empty()) return Placement::Refused;
    if (in_place) return Placement::Temporary;
    if (through_proc) return Placement::Direct;
    struct stat info;
    if (stat(target.c_str(), &info) != 0) return Placement::Temporary;
    if (!S_ISREG(info.st_mode)) return Placement::Direct;
    // Opening a read-only file for writing fails; replacing it must not succeed instead.
    if (access(target.c_str(), W_OK) != 0) return Placement::Refused;
    return Placement::Temporary;
}

std::FILE* create_exclusive(const std::string& name, bool& collided, bool& removes_itself) {
    removes_itself = false;
    const int descriptor = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    collided = descriptor < 0 && errno == EEXIST;
    if (descriptor < 0) return nullptr;
    std::FILE* stream = fdopen(descriptor, "wb");
    if (!stream) {
        close(descriptor);
        unlink(name.c_str());
    }
    return stream;
}

bool keep_on_close(std::FILE*) { return true; }

// Null also where /proc, through which the file later gets its name, is missing.
std::FILE* create_unnamed(const std::string& folder) {
#ifdef O_TMPFILE
    const int descriptor =
        ::open(folder.empty() ? "." : folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (descriptor < 0) return nullptr;
    struct stat link;
    std::FILE* stream = nullptr;
    if (lstat(descriptor_link(descriptor).c_str(), &link) == 0) stream = fdopen(descriptor, "wb");
    if (!stream) close(descriptor);
    return stream;
#else
    (void)folder;
    return nullptr;
#endif
}

bool close_unnamed(std::FILE* stream, bool keep, const std::string& target,
                   const std::function<std::string()>& next_name) {
    // A second descriptor holds the file while the stream closes, so that a failed close still
    // keeps the old output, as it does for a named file.
    const int keeper = keep ? fcntl(fileno(stream), F_DUPFD_CLOEXEC, 0) : -1;
    bool ok = std::fclose(stream) == 0 && keeper >= 0;
    if (ok) ok = name_unnamed(keeper, target, next_name);
    if (keeper >= 0) close(keeper);
    return ok;
}

// The owner first: changing it clears the set-id bits that the mode then restores.
void copy_permissions(const std::string& target, std::FILE* to) {
    struct stat old_file, new_file;
    const int descriptor = fileno(to);
    if (stat(target.c_str(), &old_file) != 0 || fstat(descriptor, &new_file) != 0) return;
    if (old_file.st_uid != new_file.st_uid || old_file.st_gid != new_file.st_gid) {
        if (fchown(descriptor, old_file.st_uid, old_file.st_gid) != 0) {
            // Not the owner's to give away; the file stays the user's.
        }
    }
    fchmod(descriptor, old_file.st_mode & 07777);
}

bool replace_file(const std::string& from, const std::string& to) {
    return std::rename(from.c_str(), to.c_str()) == 0;
}
