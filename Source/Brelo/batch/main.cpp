// brelo-batch: brelo's batch run from a console, for scripts, scheduled tasks and machines
// without a display.
#include <iostream>
#include <string>
#include <vector>

#include "batch/batch_program.h"
#include "platform/console_platform.h"

int main(int argc, char* argv[]) {
    use_binary_output();
    const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    const int result = run_batch_program(args, std::cout, std::cerr);
    std::cout.flush();
    return result;
}
