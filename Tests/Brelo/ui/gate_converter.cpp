// A converter for the run tests that holds a run at a known place: it waits until the named
// event of its first argument is set (a minute at most), then writes "gated" to its output file
// and reports success. Arguments: event name, input file, output file.
#include <cstdio>

#include <windows.h>

int main(int argc, char** argv) {
    if (argc != 4) return 1;
    HANDLE gate = OpenEventA(SYNCHRONIZE, FALSE, argv[1]);
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
