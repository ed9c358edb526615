// brelo-batch: brelo's batch run from a console, for scripts, scheduled tasks and machines
// without a display.
#include <iostream>
#include <string>
#include <vector>

#include "batch/batch_program.h"
#include "platform/console_platform.h"
#include "platform/platform.h"
#ifdef _WIN32
#include "Common/wide_text.h"
#endif

namespace {

int run(const std::vector<std::string>& args) {
    use_binary_output();
    use_utf8_output();
    // Started without a console (by a service, or detached), it takes a hidden one, so that its
    // converters share a console as they do when it runs in one, and a request to end reaches
    // them.
    share_hidden_console();
    const int result = run_batch_program(args, std::cout, std::cerr);
    std::cout.flush();
    return result;
}

}  // namespace

#ifdef _WIN32
// The entry point of a -municode program: the arguments come as the system keeps them, in
// UTF-16, so that any name reaches the program, not only those of the ANSI code page.
int wmain(int argc, wchar_t* argv[]) {
    std::vector<std::string> args = utf8_arguments(argc, argv);
    if (!args.empty()) args.erase(args.begin());  // the program's name
    return run(args);
}
#else
int main(int argc, char* argv[]) {
    return run(std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc));
}
#endif
