// jpconv: converts a Japanese text file between Shift_JIS, EUC-JP and 7-bit JIS, for use as a
// batch converter.
#include <cstdio>
#include <string>
#include <vector>

#include "convert_file.h"
#include "file_system.h"

namespace {
constexpr const char* banner =
    "jpconv: converts Japanese text between Shift_JIS, EUC-JP and 7-bit JIS; the input's encoding "
    "is detected.\n";
constexpr const char* usage =
    "jpconv -sjis|-euc|-newjis|-oldjis|-necjis|-fullsize [Input File] [Output File]\n";
constexpr const char* message_success = "Convertion successful.\n";
constexpr const char* message_failure = "Convertion failed.\n";

// The arguments, the program's name first.
int run(const std::vector<std::string>& args) {
    if (args.size() == 1) {
        std::fputs(banner, stdout);
        std::fputs(usage, stdout);
        return 0;
    }
    if (args.size() != 4) return 1;
    ConversionRequest request;
    if (!parse_option(args[1], request)) return 1;
    if (convert_file(args[2], args[3], request)) {
        std::fputs(message_success, stdout);
        return 0;
    }
    std::fputs(message_failure, stdout);
    return 1;
}
}  // namespace

#ifdef _WIN32
// The entry point of a -municode program: the file names arrive in UTF-16, whatever the ANSI
// code page can spell.
int wmain(int argc, wchar_t* argv[]) { return run(utf8_arguments(argc, argv)); }
#else
int main(int argc, char* argv[]) { return run(std::vector<std::string>(argv, argv + argc)); }
#endif
