// The floor for a run of brelo under Windows: starts the converter for every *.txt file below
// INPUT_DIR the plain way -- CreateProcess with one pipe for standard output and error, read
// to the end, wait -- and nothing else: no window, no log, no job, no stop watch. The output
// tree mirrors the input tree, as brelo's does.
// Usage: hash_loop CONVERTER INPUT_DIR OUTPUT_DIR
// Prints "press S end S run S" (wall clock, seconds since 1970, and the run's length) and
// "Total N files"; exits with 1 when a converter could not be started.
#include <cstdio>
#include <cstring>
#include <string>

#include <windows.h>

#include "bench_clock.h"

namespace {

constexpr const char* matched_suffix = ".txt";

struct Loop {
    std::string converter;
    std::string work_dir;  // the converter's folder, as brelo's ${location}
    int total = 0;
    bool failed = false;
};

bool has_suffix(const std::string& name, const char* suffix) {
    const std::size_t length = std::strlen(suffix);
    return name.size() > length &&
           lstrcmpiA(name.c_str() + name.size() - length, suffix) == 0;
}

// Makes the folder and any missing folder above it.
bool make_folders(const std::string& path) {
    for (std::string::size_type at = path.find('\\', 3); at != std::string::npos;
         at = path.find('\\', at + 1))
        CreateDirectoryA(path.substr(0, at).c_str(), nullptr);
    return CreateDirectoryA(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

void convert(Loop& loop, const std::string& input, const std::string& output) {
    SECURITY_ATTRIBUTES inheritable = {sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE read_end = nullptr, write_end = nullptr;
    if (!CreatePipe(&read_end, &write_end, &inheritable, 0)) {
        loop.failed = true;
        return;
    }
    SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    startup.hStdOutput = write_end;
    startup.hStdError = write_end;
    std::string line = "\"" + loop.converter + "\" \"" + input + "\" \"" + output + "\"";
    PROCESS_INFORMATION info = {};
    // This loop runs from a console and brelo does not: detached, the converter starts without
    // a console, as brelo's converters do, instead of attaching to ours.
    const BOOL started = CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE,
                                        DETACHED_PROCESS, nullptr, loop.work_dir.c_str(),
                                        &startup, &info);
    // Our write end goes before the reads, or the pipe would never report its end.
    CloseHandle(write_end);
    if (!started) {
        CloseHandle(read_end);
        loop.failed = true;
        return;
    }
    char buffer[1024];
    DWORD got = 0;
    while (ReadFile(read_end, buffer, sizeof buffer, &got, nullptr) && got > 0) {
    }
    WaitForSingleObject(info.hProcess, INFINITE);
    CloseHandle(read_end);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    ++loop.total;
}

void walk(Loop& loop, const std::string& input_dir, const std::string& output_dir) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((input_dir + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    bool made = false;
    do {
        const std::string name = found.cFileName;
        if (name == "." || name == "..") continue;
        const std::string input = input_dir + "\\" + name;
        const std::string output = output_dir + "\\" + name;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            walk(loop, input, output);
        } else if (has_suffix(name, matched_suffix)) {
            // Output folders appear only where a matching file lies.
            if (!made) made = make_folders(output_dir);
            convert(loop, input, output);
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: hash_loop CONVERTER INPUT_DIR OUTPUT_DIR\n");
        return 2;
    }
    Loop loop;
    loop.converter = argv[1];
    const std::string::size_type slash = loop.converter.find_last_of("\\/");
    loop.work_dir = slash == std::string::npos ? "." : loop.converter.substr(0, slash);

    const double press = wall_clock_seconds();
    const double press_counter = counter_seconds();
    walk(loop, argv[2], argv[3]);
    const double run = counter_seconds() - press_counter;
    const double end = wall_clock_seconds();
    std::printf("press %.3f end %.3f run %.3f\nTotal %d files\n", press, end, run, loop.total);
    return loop.failed ? 1 : 0;
}
