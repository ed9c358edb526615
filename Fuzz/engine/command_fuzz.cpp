// Command lines built for a converter cut back into exactly the arguments meant: whatever the
// input and output paths hold, each reaches the converter as one argument, unchanged, and no
// placeholder text inside a path is expanded. The input is the input path, a NUL byte and the
// output path.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "engine/converter.h"
#include "platform/command_line.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const char* bytes = reinterpret_cast<const char*>(data);
    const void* nul = std::memchr(bytes, '\0', size);
    if (!nul) return 0;
    const std::size_t split = static_cast<const char*>(nul) - bytes;
    const std::string input(bytes, split);
    const std::string output(bytes + split + 1, size - split - 1);
    // A NUL cannot be part of a command line.
    if (output.find('\0') != std::string::npos) return 0;
    static const PreparedCommand command =
        prepare_command({"T", "conv", "-i ${infile} -o ${outfile} ${outfile} end", ""});
    const std::vector<std::string> args =
        split_command_line(expand_command(command, input, output));
    const std::vector<std::string> expected = {"conv", "-i", input, "-o", output, output, "end"};
    if (args != expected) std::abort();
    return 0;
}
