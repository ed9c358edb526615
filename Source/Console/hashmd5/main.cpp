// hashmd5: writes the MD5 digest of a file into another file, for use as a batch converter.
#include <cstdio>

#include "hash_file.h"

namespace {
constexpr const char* banner = "hashmd5: writes the MD5 digest of a file as 32 hexadecimal digits.\n";
constexpr const char* usage = "hashmd5 [Input File] [Output File]\n";
constexpr const char* message_success = "Encrypt successful.\n";
constexpr const char* message_failure = "Encrypt failed.\n";
}  // namespace

int main(int argc, char* argv[]) {
    if (argc == 1) {
        std::fputs(banner, stdout);
        std::fputs(usage, stdout);
        return 0;
    }
    if (argc != 3) return 1;
    if (hash_file(argv[1], argv[2])) {
        std::fputs(message_success, stdout);
        return 0;
    }
    std::fputs(message_failure, stdout);
    return 1;
}
