// The console converters' files on Windows: UTF-8 names through the system's UTF-16 calls.
#include "file_system.h"

#include <cstdint>

#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <windows.h>

namespace {

HANDLE handle_of(std::FILE* stream) {
    return reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
}

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

// Marks the open file to be deleted when its last handle closes (or, with deleted false, takes
// the mark back). A handle opened with FILE_FLAG_DELETE_ON_CLOSE could never take it back.
bool mark_for_deletion(HANDLE file, bool deleted) {
    FILE_DISPOSITION_INFO disposition;
    disposition.DeleteFile = deleted ? TRUE : FALSE;
    return SetFileInformationByHandle(file, FileDispositionInfo, &disposition,
                                      sizeof disposition) != FALSE;
}

}  // namespace

std::FILE* open_file(const std::string& path, const char* mode) {
    // The mode is ASCII, so each of its letters widens as it is.
    const std::wstring wide_mode(mode, mode + std::char_traits<char>::length(mode));
    return _wfopen(utf8_to_wide(path).c_str(), wide_mode.c_str());
}

bool remove_file(const std::string& path) { return _wremove(utf8_to_wide(path).c_str()) == 0; }

bool is_regular_file(std::FILE* file) {
    HANDLE handle = handle_of(file);
    BY_HANDLE_FILE_INFORMATION info;
    return handle != INVALID_HANDLE_VALUE && GetFileInformationByHandle(handle, &info) &&
           !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool names_open_file(std::FILE* input, const std::string& path) {
    HANDLE other = CreateFileW(utf8_to_wide(path).c_str(), 0,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (other == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION a, b;
    bool same = GetFileInformationByHandle(handle_of(input), &a) &&
                GetFileInformationByHandle(other, &b) &&
                a.dwVolumeSerialNumber == b.dwVolumeSerialNumber &&
                a.nFileIndexHigh == b.nFileIndexHigh && a.nFileIndexLow == b.nFileIndexLow;
    CloseHandle(other);
    return same;
}

unsigned long process_number() { return static_cast<unsigned long>(_getpid()); }

std::string folder_prefix(const std::string& path) {
    const std::size_t cut = path.find_last_of("\\/:");
    return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
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

// The file is marked for deletion at once, so that the system removes it however the process
// ends, killed included. Without the mark the file stays until it is removed.
std::FILE* create_exclusive(const std::string& name, bool& collided, bool& removes_itself) {
    removes_itself = false;
    HANDLE file = CreateFileW(utf8_to_wide(name).c_str(), GENERIC_WRITE | DELETE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    collided = file == INVALID_HANDLE_VALUE &&
               (GetLastError() == ERROR_FILE_EXISTS || GetLastError() == ERROR_ALREADY_EXISTS);
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

bool keep_on_close(std::FILE* stream) { return mark_for_deletion(handle_of(stream), false); }

// A file marked for deletion from its creation does the same work here.
std::FILE* create_unnamed(const std::string&) { return nullptr; }

bool close_unnamed(std::FILE* stream, bool, const std::string&,
                   const std::function<std::string()>&) {
    std::fclose(stream);
    return false;
}

// The C runtime's permission bits are only the read-only attribute, which a replaced file cannot
// have had.
void copy_permissions(const std::string&, std::FILE*) {}

bool replace_file(const std::string& from, const std::string& to) {
    return MoveFileExW(utf8_to_wide(from).c_str(), utf8_to_wide(to).c_str(),
                       MOVEFILE_REPLACE_EXISTING) != 0;
}
