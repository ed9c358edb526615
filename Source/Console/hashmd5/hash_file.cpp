// Streams a file through MD5 in 4096-byte reads and writes the digest as hexadecimal text.
#include "hash_file.h"

#include <cstdio>
#include <cstring>

#include "file_system.h"
#include "md5.h"
#include "output_file.h"

namespace {

constexpr std::size_t read_size = 4096;
constexpr std::size_t stream_buffer_size = 64 * 1024;

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
    std::FILE* input = open_file(input_path, "rb");
    if (!input) return false;
    // The stream fetches 64 KiB per system call; the 4096-byte reads below come from its buffer.
    static char stream_buffer[stream_buffer_size];
    std::setvbuf(input, stream_buffer, _IOFBF, sizeof stream_buffer);
    // A directory opens for reading on POSIX; it is refused here, before the output exists.
    if (!is_regular_file(input) || names_open_file(input, output_path)) {
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
    if (read_failed) return false;

    unsigned char digest[16];
    md5_final(digest, context);
    // The output is opened only now that its text is known: nothing of it exists while the
    // input is read, and a failed read leaves the old output untouched.
    OutputFile output;
    if (!output.open(output_path, "hashmd5")) return false;
    if (std::fputs(format_digest(digest).c_str(), output.stream()) == EOF) return false;
    return output.commit();
}
