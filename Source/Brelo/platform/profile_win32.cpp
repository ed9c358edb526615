// The settings file's bytes and the program's directory through the Windows API's W calls.
#include "platform/profile.h"

#include <algorithm>
#include <atomic>

#include <windows.h>

#include "Common/wide_text.h"

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
        if (!WriteFile(file, bytes.data() + done, piece, &put, nullptr)) return false;
        if (put == 0) {
            SetLastError(ERROR_WRITE_FAULT);
            return false;
        }
        done += put;
    }
    return true;
}

// The calling thread's last error, never ERROR_SUCCESS after a call that failed.
DWORD last_error() {
    const DWORD error = GetLastError();
    return error != ERROR_SUCCESS ? error : ERROR_GEN_FAILURE;
}

// The system's text for error, in UTF-8 without its line end and final full stop.
std::string system_message(DWORD error) {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string message = length ? wide_to_utf8(text, length) : std::string();
    if (text) LocalFree(text);
    while (!message.empty() && (message.back() == '.' || message.back() == ' ' ||
                                message.back() == '\r' || message.back() == '\n'))
        message.pop_back();
    return message;
}

// False, with failure saying what error (of the call that failed) means.
bool fail_with(WriteFailure& failure, DWORD error) {
    switch (error) {
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: failure.problem = WriteProblem::DiskFull; break;
    case ERROR_ACCESS_DENIED: failure.problem = WriteProblem::AccessDenied; break;
    case ERROR_PATH_NOT_FOUND: failure.problem = WriteProblem::FolderMissing; break;
    default: failure.problem = WriteProblem::Other; break;
    }
    failure.system_message = system_message(error);
    return false;
}

bool fail_with(WriteFailure& failure, WriteProblem problem) {
    failure.problem = problem;
    return false;
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

bool replace_profile_file(const std::string& path, const std::string& bytes,
                          WriteFailure* failure) {
    ++writes;
    WriteFailure unused;
    WriteFailure& why = failure ? *failure : unused;
    why = WriteFailure();
    const std::wstring wide = utf8_to_wide(path);
    const DWORD old = GetFileAttributesW(wide.c_str());
    const bool exists = old != INVALID_FILE_ATTRIBUTES;
    if (exists && (old & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return fail_with(why, WriteProblem::NotAFile);
    if (exists && (old & FILE_ATTRIBUTE_READONLY) != 0)
        return fail_with(why, WriteProblem::ReadOnly);

    static std::atomic<unsigned> counter{0};
    std::wstring temporary;
    HANDLE file = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 100 && file == INVALID_HANDLE_VALUE; ++attempt) {
        temporary = wide + L".tmp" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                    std::to_wstring(counter++);
        file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS)
            return fail_with(why, last_error());
    }
    if (file == INVALID_HANDLE_VALUE) return fail_with(why, ERROR_FILE_EXISTS);
    // Each step keeps the error of its own failure for the message.
    DWORD error = ERROR_SUCCESS;
    if (!write_all(file, bytes)) error = last_error();
    // On the disk before it takes the name: a power cut must not leave an empty file there.
    if (!error && !FlushFileBuffers(file)) error = last_error();
    if (!CloseHandle(file) && !error) error = last_error();
    if (!error && exists && (old & kept_attributes) != 0 &&
        !SetFileAttributesW(temporary.c_str(), old & kept_attributes))
        error = last_error();
    if (!error && !MoveFileExW(temporary.c_str(), wide.c_str(),
                               MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        error = last_error();
    if (error) {
        DeleteFileW(temporary.c_str());
        return fail_with(why, error);
    }
    return true;
}

ProfileFileCounts profile_file_counts() { return ProfileFileCounts{reads.load(), writes.load()}; }
