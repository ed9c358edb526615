// Streams a file through MD5 in 4096-byte reads and writes the digest as hexadecimal text.
#include "hash_file.h"

#include <cstdio>
#include <cstring>

#include "md5.h"

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <sys/stat.h>
#endif

namespace {

constexpr std::size_t read_size = 4096;
constexpr std::size_t stream_buffer_size = 64 * 1024;

bool is_regular_file(std::FILE* file) {
#ifdef _WIN32
    HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
    BY_HANDLE_FILE_INFORMATION info;
    return handle != INVALID_HANDLE_VALUE && GetFileInformationByHandle(handle, &info) &&
           !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
#else
    struct stat info;
    return fstat(fileno(file), &info) == 0 && S_ISREG(info.st_mode);
#endif
}

// True when path names the file that is open as input: opening it for writing would empty the
// input before a byte of it is read. Compares file identities, so other spellings, relative paths
// and links are caught too.
bool names_open_file(std::FILE* input, const std::string& path) {
#ifdef _WIN32
    HANDLE open = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(input)));
    HANDLE other = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (other == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION a, b;
    bool same = GetFileInformationByHandle(open, &a) && GetFileInformationByHandle(other, &b) &&
                a.dwVolumeSerialNumber == b.dwVolumeSerialNumber &&
                a.nFileIndexHigh == b.nFileIndexHigh && a.nFileIndexLow == b.nFileIndexLow;
    CloseHandle(other);
    return same;
#else
    struct stat a, b;
    return fstat(fileno(input), &a) == 0 && stat(path.c_str(), &b) == 0 && a.st_dev == b.st_dev &&
           a.st_ino == b.st_ino;
#endif
}

}  // namespace

std::string format_digest(const unsigned char digest[16]) {
    static const char hex[] = "0123456789ABCDEF";
    std::string text(32, '0');
    for (int i = 0; i < 16; ++i) {
        text[2 * i] = hex[digest[i] >> 4];
        text[2 * i + 1] = hex[digest[i] & 0x0F];
    }
    return text;
}

bool hash_file(const std::string& input_path, const std::string& output_path) {
    std::FILE* input = std::fopen(input_path.c_str(), "rb");
    if (!input) return false;
    // The stream fetches 64 KiB per system call; the 4096-byte reads below come from its buffer.
    static char stream_buffer[stream_buffer_size];
    std::setvbuf(input, stream_buffer, _IOFBF, sizeof stream_buffer);
    // A directory opens for reading on POSIX; it is refused here, before the output exists.
    if (!is_regular_file(input) || names_open_file(input, output_path)) {
        std::fclose(input);
        return false;
    }
    std::FILE* output = std::fopen(output_path.c_str(), "w");
    if (!output) {
        std::fclose(input);
        return false;
    }

    Md5Context context;
    std::memset(&context, 0, sizeof context);
    md5_init(context);
    unsigned char buffer[read_size];
    bool read_failed = false;
    while (!std::feof(input)) {
        std::memset(buffer, 0, sizeof buffer);
        std::size_t n = std::fread(buffer, 1, read_size, input);
        md5_update(context, buffer, static_cast<std::uint32_t>(n));
        // A read error is not the end of the file, and a digest of part of it would be wrong.
        if (std::ferror(input)) {
            read_failed = true;
            break;
        }
    }
    std::fclose(input);
    if (read_failed) {
        std::fclose(output);
        std::remove(output_path.c_str());
        return false;
    }

    unsigned char digest[16];
    md5_final(digest, context);
    std::fputs(format_digest(digest).c_str(), output);
    std::fclose(output);
    return true;
}
