// Opens an output file, writes four mebibytes into it and waits without committing, so that a
// test can kill it in the middle of a write. Arguments: the output, then "new" or "in-place".
#include <cstdio>
#include <cstring>
#include <string>

#include "output_file.h"

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    OutputFile output;
    const bool in_place = std::strcmp(argv[2], "in-place") == 0;
    if (!(in_place ? output.open_in_place(argv[1], "holder") : output.open(argv[1], "holder")))
        return 1;
    const std::string block(1 << 20, 'x');
    for (int i = 0; i < 4; ++i) std::fwrite(block.data(), 1, block.size(), output.stream());
    std::fflush(output.stream());
    std::puts("writing");
    std::fflush(stdout);
    // Standard input ends only when the test lets it; by then the test has killed this process.
    while (std::getchar() != EOF) {
    }
    return 0;
}
