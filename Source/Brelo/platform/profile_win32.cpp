// The settings file's bytes and the program's directory through the Windows API's W calls.
#include "platform/profile.h"

#include <algorithm>
#include <atomic>

#include <windows.h>

#include "platform/wide_text.h"

namespace {

// The program's path must fit the buffer the 8-bit calls had, in UTF-16 units now.
constexpr DWORD buffer_size = MAX_PATH;

std::atomic<std::size_t> reads{0};
std::atomic<std::size_t> writes{0};

// The attributes a replacement can carry over; the others belong to the file system's own
// bookkeeping and cannot be set.
constexpr DWORD kept_attributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                  FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

bool write_all(HANDLE file, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const DWORD piece = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1 << 20));
        DWORD put = 0;
        if (!WriteFile(file, bytes.data() + done, piece, &put, nullptr) || put == 0) return false;
        done += put;
    }
    return true;
}

}  // namespace

std::string executable_directory() {
    wchar_t module_path[buffer_size] = {};
    DWORD length = GetModuleFileNameW(nullptr, module_path, buffer_size);
    // A result that fills the buffer is a cut path (older systems do not even end it with NUL).
    if (length == 0 || length >= buffer_size) return std::string();
    wchar_t full_path[buffer_size] = {};
    wchar_t* file_part = nullptr;
    DWORD full_length = GetFullPathNameW(module_path, buffer_size, full_path, &file_part);
    if (full_length == 0 || full_length >= buffer_size || file_part == nullptr)
        return std::string();
    return wide_to_utf8(full_path, static_cast<std::size_t>(file_part - full_path));
}

FileRead read_profile_file(const std::string& path, std::string& bytes) {
    ++reads;
    bytes.clear();
    // Sharing everything: a reader must not stop another program from replacing the file.
    HANDLE file = CreateFileW(utf8_to_wide(path).c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? FileRead::Missing
                                                                               : FileRead::Failed;
    }
    LARGE_INTEGER size;
    if (GetFileType(file) != FILE_TYPE_DISK || !GetFileSizeEx(file, &size)) {
        CloseHandle(file);
        return FileRead::Failed;
    }
    bytes.reserve(static_cast<std::size_t>(size.QuadPart));
    char chunk[65536];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file, chunk, sizeof chunk, &got, nullptr)) {
            CloseHandle(file);
            bytes.clear();
            return FileRead::Failed;
        }
        if (got == 0) break;
        bytes.append(chunk, got);
    }
    CloseHandle(file);
    return FileRead::Read;
}

bool replace_profile_file(const std::string& path, const std::string& bytes) {
    ++writes;
    const std::wstring wide = utf8_to_wide(path);
    const DWORD old = GetFileAttributesW(wide.c_str());
    const bool exists = old != INVALID_FILE_ATTRIBUTES;
    if (exists && (old & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) != 0) return false;

    static std::atomic<unsigned> counter{0};
    std::wstring temporary;
    HANDLE file = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 100 && file == INVALID_HANDLE_VALUE; ++attempt) {
        temporary = wide + L".tmp" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                    std::to_wstring(counter++);
        file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) return false;
    }
    if (file == INVALID_HANDLE_VALUE) return false;
    bool written = write_all(file, bytes);
    if (!CloseHandle(file)) written = false;
    if (written && exists && (old & kept_attributes) != 0)
        written = SetFileAttributesW(temporary.c_str(), old & kept_attributes) != FALSE;
    if (!written || !MoveFileExW(temporary.c_str(), wide.c_str(),
                                 MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileW(temporary.c_str());
        return false;
    }
    return true;
}

ProfileFileCounts profile_file_counts() { return ProfileFileCounts{reads.load(), writes.load()}; }
