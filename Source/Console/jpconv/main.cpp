// jpconv: converts a Japanese text file between Shift_JIS, EUC-JP and 7-bit JIS, for use as a
// batch converter.
#include <cstdio>

#include "convert_file.h"

namespace {
constexpr const char* banner =
    "jpconv: converts Japanese text between Shift_JIS, EUC-JP and 7-bit JIS; the input's encoding "
    "is detected.\n";
constexpr const char* usage =
    "jpconv -sjis|-euc|-newjis|-oldjis|-necjis|-fullsize [Input File] [Output File]\n";
constexpr const char* message_success = "Convertion successful.\n";
constexpr const char* message_failure = "Convertion failed.\n";
}  // namespace

int main(int argc, char* argv[]) {
    if (argc == 1) {
        std::fputs(banner, stdout);
        std::fputs(usage, stdout);
        return 0;
    }
    if (argc != 4) return 1;
    ConversionRequest request;
    if (!parse_option(argv[1], request)) return 1;
    if (convert_file(argv[2], argv[3], request)) {
        std::fputs(message_success, stdout);
        return 0;
    }
    std::fputs(message_failure, stdout);
    return 1;
}
