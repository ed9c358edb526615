// brelo's own way of starting converters, timed: COUNT starts of PROGRAM through the converter
// command line and run_console_process, as a run does them (with its stop event unless
// "--no-stop" is given). Usage: spawn_runner COUNT PROGRAM WORKDIR [--no-stop]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/console_process.h"
#include "engine/converter.h"
#include "platform/platform.h"

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: spawn_runner COUNT PROGRAM WORKDIR [--no-stop]\n");
        return 2;
    }
    const long count = std::atol(argv[1]);
    const bool with_stop = !(argc > 4 && std::strcmp(argv[4], "--no-stop") == 0);
    Converter converter{"Bench", argv[2], "${infile} ${outfile}", argv[3]};
    PreparedCommand prepared = prepare_command(converter);
    Event* stop = with_stop ? create_event() : nullptr;

    ConversionLog log;
    auto start = std::chrono::steady_clock::now();
    {
        ConverterWatch watch(stop);  // one for all the starts, as a run has
        for (long i = 0; i < count; ++i) {
            std::string line = expand_command(prepared, "in.txt", "out.txt");
            log += "in.txt -> out.txt\r\n\tConsole:";
            run_console_process(line, prepared.work_dir, log, watch);
            log += "\r\n";
        }
    }
    std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    std::printf("spawn_runner%s %ld starts %.3f s %zu log bytes\n", with_stop ? "" : " (no stop)",
                count, took.count(), log.size());
    close_event(stop);
    return 0;
}
