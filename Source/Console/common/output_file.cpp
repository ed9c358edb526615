// Output files written beside their target and renamed over it when complete, Windows and POSIX.
#include "output_file.h"

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>

#include <fcntl.h>
#include <sys/stat.h>
#ifdef _WIN32
#include <io.h>
#include <process.h>
#include <windows.h>
#else
#include <climits>
#include <unistd.h>
#endif

#include "file_names.h"

namespace {

// A collision costs only another try, as every temporary file is created exclusively; a hundred
// collisions in a row mean something else is wrong.
constexpr int creation_attempts = 100;
constexpr int link_hops = 40;

enum class Placement { Temporary, Direct, Refused };

// The part of path up to and including its last separator ("" for a bare name), so that a name
// appended to it lies in the same folder and the final rename stays on one volume.
std::string folder_prefix(const std::string& path) {
#ifdef _WIN32
    std::size_t cut = path.find_last_of("\\/:");
#else
    std::size_t cut = path.rfind('/');
#endif
    return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

// Names no user would pick, different in every process and at every try: the process id, the
// clock and the stack's address (randomised per process) seed a 64-bit mixer.
class TemporaryNames {
public:
    TemporaryNames() {
        const auto now = std::chrono::high_resolution_clock::now().time_since_epoch().count();
#ifdef _WIN32
        const std::uint64_t process = static_cast<std::uint64_t>(_getpid());
#else
        const std::uint64_t process = static_cast<std::uint64_t>(getpid());
#endif
        state_ = static_cast<std::uint64_t>(now) ^ (process << 40) ^
                 static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(&state_));
    }

    std::string next(const std::string& folder, const char* tool) {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        z ^= z >> 31;
        static const char hex[] = "0123456789abcdef";
        std::string digits(12, '0');
        for (char& digit : digits) {
            digit = hex[z & 0x0F];
            z >>= 4;
        }
        return folder + "." + tool + "-" + digits + ".tmp";
    }

private:
    std::uint64_t state_;
};

#ifdef _WIN32

bool is_reserved_device_name(const std::string& path) {
    std::string name = path.substr(folder_prefix(path).size());
    name = name.substr(0, name.find('.'));
    while (!name.empty() && name.back() == ' ') name.pop_back();
    for (char& c : name) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    if (name == "CON" || name == "PRN" || name == "AUX" || name == "NUL" || name == "CONIN$" ||
        name == "CONOUT$") {
        return true;
    }
    return name.size() == 4 && (name.compare(0, 3, "COM") == 0 || name.compare(0, 3, "LPT") == 0) &&
           name[3] >= '1' && name[3] <= '9';
}

// NUL, CON, COM1 and the like exist in every folder; \\.\ names and pipes are devices too.
bool is_device(const std::string& path) {
    if (path.compare(0, 4, "\\\\.\\") == 0 || is_reserved_device_name(path)) return true;
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    HANDLE handle = CreateFileW(utf8_to_wide(path).c_str(), 0, share, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    const bool device = GetFileType(handle) != FILE_TYPE_DISK;
    CloseHandle(handle);
    return device;
}

Placement place_output(const std::string& path, bool in_place, std::string& target) {
    target = path;
    if (in_place) return Placement::Temporary;
    if (is_device(path)) return Placement::Direct;
    const DWORD attributes = GetFileAttributesW(utf8_to_wide(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return Placement::Temporary;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return Placement::Direct;
    // Opening a read-only file for writing fails; replacing it must not succeed instead.
    if (attributes & FILE_ATTRIBUTE_READONLY) return Placement::Refused;
    return Placement::Temporary;
}

// Marks the open file to be deleted when its last handle closes (or, with deleted false, takes
// the mark back). A handle opened with FILE_FLAG_DELETE_ON_CLOSE could never take it back.
bool mark_for_deletion(HANDLE file, bool deleted) {
    FILE_DISPOSITION_INFO disposition;
    disposition.DeleteFile = deleted ? TRUE : FALSE;
    return SetFileInformationByHandle(file, FileDispositionInfo, &disposition,
                                      sizeof disposition) != FALSE;
}

// Null, with collided set, when a file of that name exists already. The file is marked for
// deletion at once, so that the system removes it however the process ends, killed included;
// removes_itself tells whether the mark took. Without it the file stays until it is removed.
std::FILE* create_exclusive(const std::string& name, bool& collided, bool& removes_itself) {
    removes_itself = false;
    HANDLE file = CreateFileW(utf8_to_wide(name).c_str(), GENERIC_WRITE | DELETE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    collided = file == INVALID_HANDLE_VALUE && (GetLastError() == ERROR_FILE_EXISTS ||
                                                GetLastError() == ERROR_ALREADY_EXISTS);
    if (file == INVALID_HANDLE_VALUE) return nullptr;
    removes_itself = mark_for_deletion(file, true);
    const int descriptor =
        _open_osfhandle(reinterpret_cast<std::intptr_t>(file), _O_WRONLY | _O_BINARY);
    if (descriptor < 0) {
        CloseHandle(file);
        if (!removes_itself) remove_file(name);
        return nullptr;
    }
    std::FILE* stream = _fdopen(descriptor, "wb");
    if (!stream) {
        _close(descriptor);
        if (!removes_itself) remove_file(name);
    }
    return stream;
}

// Keeps the file when its stream closes. False, the file then going with its handle, when the
// mark cannot be taken back.
bool keep_on_close(std::FILE* stream) {
    return mark_for_deletion(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream))), false);
}

// The C runtime's permission bits are only the read-only attribute, which a replaced file cannot
// have had.
void copy_permissions(const std::string&, std::FILE*) {}

bool replace_file(const std::string& from, const std::string& to) {
    return MoveFileExW(utf8_to_wide(from).c_str(), utf8_to_wide(to).c_str(),
                       MOVEFILE_REPLACE_EXISTING) != 0;
}

#else

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

// Null, with collided set, when a file of that name exists already.
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

std::string descriptor_link(int descriptor) {
    return "/proc/self/fd/" + std::to_string(descriptor);
}

// A file without a name in folder ("" for the current one), which vanishes with its last
// descriptor, however the process ends. Null where the kernel or the file system has no such
// files (O_TMPFILE), or where /proc, through which the file later gets its name, is missing.
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

// Gives the unnamed file open as descriptor the name target: straight when the name is free,
// otherwise under a temporary name that is then renamed over the old file, as rename replaces
// in one step and a link never does.
bool name_unnamed(int descriptor, const std::string& target, const char* tool) {
    const std::string link = descriptor_link(descriptor);
    if (linkat(AT_FDCWD, link.c_str(), AT_FDCWD, target.c_str(), AT_SYMLINK_FOLLOW) == 0)
        return true;
    if (errno != EEXIST) return false;
    TemporaryNames names;
    for (int attempt = 0; attempt < creation_attempts; ++attempt) {
        const std::string name = names.next(folder_prefix(target), tool);
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

// The owner first: changing it clears the set-id bits that the mode then restores. Failing to
// change either is no error: the new file then has what the user's own new files get.
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

#endif

}  // namespace

bool OutputFile::open(const std::string& path, const char* tool) {
    return open_as(path, tool, false);
}

bool OutputFile::open_in_place(const std::string& path, const char* tool) {
    return open_as(path, tool, true);
}

bool OutputFile::open_as(const std::string& path, const char* tool, bool in_place) {
    discard();
    std::string target;
    switch (place_output(path, in_place, target)) {
    case Placement::Refused:
        return false;
    case Placement::Direct:
        // The name as given: a descriptor link must be opened through /proc, not at its end.
        stream_ = open_file(path, "wb");
        return stream_ != nullptr;
    case Placement::Temporary:
        break;
    }
    const std::string folder = folder_prefix(target);
#ifndef _WIN32
    stream_ = create_unnamed(folder);
    if (stream_) {
        target_ = target;
        tool_ = tool;
        unnamed_ = true;
        copy_permissions(target_, stream_);
        return true;
    }
#endif
    TemporaryNames names;
    for (int attempt = 0; attempt < creation_attempts; ++attempt) {
        const std::string name = names.next(folder, tool);
        bool collided = false;
        stream_ = create_exclusive(name, collided, removes_itself_);
        if (stream_) {
            target_ = target;
            temporary_ = name;
            copy_permissions(target_, stream_);
            return true;
        }
        if (!collided) return false;
    }
    return false;
}

bool OutputFile::commit() {
    if (!stream_) return false;
    bool ok = std::fflush(stream_) == 0 && !std::ferror(stream_);
#ifndef _WIN32
    if (unnamed_) {
        // A second descriptor holds the file while the stream closes, so that a failed close
        // still keeps the old output, as it does for a named file.
        const int keeper = ok ? fcntl(fileno(stream_), F_DUPFD_CLOEXEC, 0) : -1;
        if (std::fclose(stream_) != 0 || keeper < 0) ok = false;
        stream_ = nullptr;
        if (ok) ok = name_unnamed(keeper, target_, tool_);
        if (keeper >= 0) close(keeper);
        forget();
        return ok;
    }
#endif
    // The mark comes off just before the close and the rename: only a kill between the two
    // leaves the file behind.
    bool kept = !removes_itself_;
    if (ok && removes_itself_) ok = kept = keep_on_close(stream_);
    if (std::fclose(stream_) != 0) ok = false;
    stream_ = nullptr;
    if (temporary_.empty()) return ok;
    if (ok) ok = replace_file(temporary_, target_);
    if (!ok && kept) remove_file(temporary_);
    forget();
    return ok;
}

void OutputFile::discard() {
    if (stream_) std::fclose(stream_);
    stream_ = nullptr;
    // A marked file went with its handle, and an unnamed one with its descriptor.
    if (!temporary_.empty() && !removes_itself_) remove_file(temporary_);
    forget();
}

void OutputFile::forget() {
    target_.clear();
    temporary_.clear();
    tool_ = "";
    unnamed_ = false;
    removes_itself_ = false;
}
