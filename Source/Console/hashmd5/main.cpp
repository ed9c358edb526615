// hashmd5: writes the MD5 digest of a file into another file, for use as a batch converter.
#include <cstdio>
#include <string>
#include <vector>

#include "file_system.h"
#include "hash_file.h"

namespace {
constexpr const char* banner = "hashmd5: writes the MD5 digest of a file as 32 hexadecimal digits.\n";
constexpr const char* usage = "hashmd5 [Input File] [Output File]\n";
constexpr const char* message_success = "Encrypt successful.\n";
constexpr const char* message_failure = "Encrypt failed.\n";

// The arguments, the program's name first.
int run(const std::vector<std::string>& args) {
    if (args.size() == 1) {
        std::fputs(banner, stdout);
        std::fputs(usage, stdout);
        return 0;
    }
    if (args.size() != 3) return 1;
    if (hash_file(args[1], args[2])) {
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
