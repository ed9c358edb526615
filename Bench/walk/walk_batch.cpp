// One whole batch run with in-memory window parts, timed: checks, walk, a converter start per
// matching file, log updates, total. The log box copies every text it gets, as an edit control
// does. Usage: walk_batch INPUT_DIR OUTPUT_DIR PROGRAM PATTERNS INTERVAL_MS
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "Support/fake_file_tree.h"
#include "Support/fake_window.h"
#include "engine/batch_run.h"
#include "platform/platform.h"

int main(int argc, char** argv) {
    if (argc < 6) {
        std::fprintf(stderr, "usage: walk_batch INPUT_DIR OUTPUT_DIR PROGRAM PATTERNS INTERVAL_MS\n");
        return 2;
    }
    test_support::FakeMainWindow window;
    RunRequest request;
    request.settings.input_directory = argv[1];
    request.settings.output_directory = argv[2];
    request.settings.input_patterns = argv[4];
    request.settings.output_pattern = "${prefix}.out";
    request.settings.include_subfolders = true;
    request.converter = Converter{"Bench", argv[3], "${infile} ${outfile}", argv[2]};
    RunControl control;
    control.stop_event = create_event();
    control.log_interval = std::chrono::milliseconds(std::atol(argv[5]));
    control.running = true;

    const auto start = std::chrono::steady_clock::now();
    const int result = run_batch(window, request, control);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    close_event(control.stop_event);
    std::printf("walk_batch result %d, %.3f s, %d log updates, %zu log bytes\n", result,
                took.count(), window.log.updates, window.log.text.size());
    return result;
}
