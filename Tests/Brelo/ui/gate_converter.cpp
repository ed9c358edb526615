// A converter for the run tests that holds a run at a known place: it waits until the named
// event of its first argument is set (a minute at most), then writes "gated" to its output file
// and reports success. An input file holding just "pass" goes through without waiting, so a
// test can hold the run at one file of its choice. Arguments: event name, input file, output
// file.
#include <cstdio>
#include <cstring>

#include <windows.h>

namespace {

bool passes_at_once(const char* input_path) {
    std::FILE* input = std::fopen(input_path, "rb");
    if (!input) return false;
    char text[8] = {};
    const std::size_t length = std::fread(text, 1, sizeof text - 1, input);
    std::fclose(input);
    return length == 4 && std::memcmp(text, "pass", 4) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) return 1;
    HANDLE gate = passes_at_once(argv[2]) ? nullptr : OpenEventA(SYNCHRONIZE, FALSE, argv[1]);
    if (gate) {
        WaitForSingleObject(gate, 60000);
        CloseHandle(gate);
    }
    std::FILE* output = std::fopen(argv[3], "wb");
    if (!output) {
        std::printf("Gate failed.\n");
        return 1;
    }
    std::fputs("gated", output);
    std::fclose(output);
    std::printf("Gate passed.\n");
    return 0;
}
