// A converter for brelo-batch's tests that presses Ctrl+C on the program that started it, or
// writes what it was given.
//   interrupt       sends the interrupt, writes "interrupted\n" and ends
//   interrupt-hang  sends the interrupt, writes "hanging\n" and never ends by itself
//   terminate       (POSIX) asks the program to end with SIGTERM, writes "terminated\n", ends
//   hang-up         (POSIX) sends the program SIGHUP, writes "hung up\n", ends
//   write HEX...    writes the bytes each argument spells in hexadecimal ("e697a5"), one write
//                   for each argument, and ends
//   where ARG...    writes each argument as "[ARG]\n" and then its working directory as
//                   "(DIR)\n", all in UTF-8 (on Windows read from the UTF-16 the system keeps),
//                   and "where" into the file its last argument names
//   run PROGRAM ARG...  starts PROGRAM with the arguments on its own standard handles, waits for
//                   it and writes "exit N\n" with its exit code; the last two arguments (the
//                   input and output paths) are not passed on
//   kill-parent     ends the program that started it at once, as a crash or a kill would, and
//                   writes "killed\n"
//   gate MIB IN OUT  by what the file IN holds: "flood" writes MIB MiB of lines of 'x' in
//                   64 KiB writes, then "flooded" into OUT, then creates "done.mark" in IN's
//                   folder; "hold" waits until that file exists, then writes "held" into OUT and
//                   "held\n"; "hold-interrupt" does the same, sending the interrupt first
//   meet DIR COUNT IN OUT  leaves a mark named after IN in the folder DIR, waits until DIR
//                   holds COUNT marks (a minute at most), writes "met\n" (or "alone\n" when it
//                   gave up waiting) and appends IN's contents and a line end to OUT; if IN holds
//                   "fail", it writes nothing into OUT and exits with 1 instead
// The first four write "stopped" into their last argument (the output path) before they end.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "Common/wide_text.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#include <tlhelp32.h>
#else
#include <climits>
#include <csignal>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
extern char** environ;
#endif

namespace {

// The bytes exactly as given: no "\n" becomes "\r\n" on Windows.
void put(const std::string& bytes) {
#ifdef _WIN32
    std::fflush(stdout);
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
    std::fflush(stdout);
}

int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// False for an odd count of digits or anything else than digits.
bool bytes_of_hex(const std::string& hex, std::string& bytes) {
    if (hex.size() % 2 != 0) return false;
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        const int high = hex_digit(hex[i]), low = hex_digit(hex[i + 1]);
        if (high < 0 || low < 0) return false;
        bytes += static_cast<char>(high * 16 + low);
    }
    return true;
}

#ifdef _WIN32
std::string utf8_of(const wchar_t* text, int length) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    if (size > 0) WideCharToMultiByte(CP_UTF8, 0, text, length, &out[0], size, nullptr, nullptr);
    return out;
}
#endif

std::string working_directory() {
#ifdef _WIN32
    wchar_t dir[4096] = {};
    const DWORD length = GetCurrentDirectoryW(4096, dir);
    return utf8_of(dir, static_cast<int>(length < 4096 ? length : 0));
#else
    char dir[PATH_MAX] = {};
    return getcwd(dir, sizeof dir) ? std::string(dir) : std::string();
#endif
}

void interrupt_parent() {
#ifdef _WIN32
    // Every process of the console gets it; this one ignores it.
    SetConsoleCtrlHandler(nullptr, TRUE);
    GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0);
#else
    kill(getppid(), SIGINT);
#endif
}

// Starts the program with the arguments (none holds a double quote) and waits for its exit code.
int run_program(const std::vector<std::string>& args) {
#ifdef _WIN32
    std::wstring line;
    for (const std::string& arg : args) line += L"\"" + utf8_to_wide(arg) + L"\" ";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                        &info))
        return -1;
    WaitForSingleObject(info.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(info.hProcess, &code);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return static_cast<int>(code);
#else
    std::vector<char*> argv;
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
}

void kill_parent() {
#ifdef _WIN32
    const DWORD self = GetCurrentProcessId();
    DWORD parent = 0;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    if (snapshot != INVALID_HANDLE_VALUE && Process32FirstW(snapshot, &entry)) {
        do {
            if (entry.th32ProcessID == self) parent = entry.th32ParentProcessID;
        } while (Process32NextW(snapshot, &entry));
    }
    if (snapshot != INVALID_HANDLE_VALUE) CloseHandle(snapshot);
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, parent);
    if (process) {
        TerminateProcess(process, 9);
        WaitForSingleObject(process, INFINITE);
        CloseHandle(process);
    }
#else
    const pid_t parent = getppid();
    kill(parent, SIGKILL);
    // Reparented once the parent is gone.
    while (getppid() == parent) usleep(1000);
#endif
}

// Opens a file named in UTF-8, on Windows through the UTF-16 the system keeps.
std::FILE* open_file(const std::string& path, const char* mode) {
#ifdef _WIN32
    return _wfopen(utf8_to_wide(path).c_str(), utf8_to_wide(mode).c_str());
#else
    return std::fopen(path.c_str(), mode);
#endif
}

void write_into(const std::string& path, const std::string& text) {
    if (std::FILE* file = open_file(path, "wb")) {
        std::fputs(text.c_str(), file);
        std::fclose(file);
    }
}

std::string read_all(const std::string& path) {
    std::string text;
    if (std::FILE* file = open_file(path, "rb")) {
        char buffer[256];
        std::size_t count;
        while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, count);
        std::fclose(file);
    }
    return text;
}

void pause_a_little() {
#ifdef _WIN32
    Sleep(5);
#else
    usleep(5000);
#endif
}

// The flood's end is told by a file beside the input, so that the other converter, which runs
// beside it, can wait for it.
int gate(const std::string& mebibytes, const std::string& input, const std::string& output) {
    const std::size_t cut = input.find_last_of("/\\");
    const std::string mark =
        (cut == std::string::npos ? std::string() : input.substr(0, cut + 1)) + "done.mark";
    const std::string act = read_all(input);
    if (act == "flood") {
        std::string lines;
        for (int i = 0; i < 64; ++i) lines += std::string(1023, 'x') + "\n";
        const long writes = std::atol(mebibytes.c_str()) * 16;
        for (long i = 0; i < writes; ++i) put(lines);
        write_into(output, "flooded");
        write_into(mark, "done");
        return 0;
    }
    if (act != "hold" && act != "hold-interrupt") return 1;
    for (;;) {
        if (std::FILE* file = open_file(mark, "rb")) {
            std::fclose(file);
            break;
        }
        pause_a_little();
    }
    if (act == "hold-interrupt") interrupt_parent();
    write_into(output, "held");
    put("held\n");
    return 0;
}

std::filesystem::path file_path(const std::string& path) {
#ifdef _WIN32
    return std::filesystem::path(utf8_to_wide(path));
#else
    return std::filesystem::path(path);
#endif
}

// Converters of several programs run at once meet here: a mark for every file that came, so
// that none goes on before COUNT of them are there together.
int meet(const std::string& dir, const std::string& count, const std::string& input,
         const std::string& output) {
    const std::size_t cut = input.find_last_of("/\\");
    write_into(dir + "/" + input.substr(cut == std::string::npos ? 0 : cut + 1) + ".here", "");
    const long wanted = std::atol(count.c_str());
    bool met = false;
    for (int waited = 0; !met && waited < 12000; ++waited) {
        std::error_code error;
        long marks = 0;
        for (std::filesystem::directory_iterator it(file_path(dir), error), end;
             !error && it != end; it.increment(error)) {
            ++marks;
        }
        met = marks >= wanted;
        if (!met) pause_a_little();
    }
    put(met ? "met\n" : "alone\n");
    const std::string text = read_all(input);
    if (text == "fail") return 1;
    if (std::FILE* file = open_file(output, "ab")) {
        std::fputs((text + "\n").c_str(), file);
        std::fclose(file);
    }
    return 0;
}

[[noreturn]] void wait_for_ever() {
    for (;;) {
#ifdef _WIN32
        Sleep(INFINITE);
#else
        pause();
#endif
    }
}

// The arguments, the program's name first.
int run(const std::vector<std::string>& args) {
    const int argc = static_cast<int>(args.size());
    std::vector<const char*> argv;
    for (const std::string& arg : args) argv.push_back(arg.c_str());
    if (argc < 2) return 1;
    if (std::strcmp(argv[1], "write") == 0) {
        for (int i = 2; i < argc; ++i) {
            std::string bytes;
            if (!bytes_of_hex(args[i], bytes)) return 1;
            put(bytes);
        }
        return 0;
    }
    if (std::strcmp(argv[1], "where") == 0) {
        std::string text;
        for (int i = 2; i < argc; ++i) text += "[" + args[i] + "]\n";
        put(text + "(" + working_directory() + ")\n");
        if (argc > 2) write_into(args.back(), "where");
        return 0;
    }
    if (std::strcmp(argv[1], "run") == 0 && argc >= 5) {
        const int code = run_program(std::vector<std::string>(args.begin() + 2, args.end() - 2));
        std::printf("exit %d\n", code);
        return 0;
    }
    if (std::strcmp(argv[1], "kill-parent") == 0) {
        kill_parent();
        std::fputs("killed\n", stdout);
        return 0;
    }
    if (std::strcmp(argv[1], "gate") == 0 && argc == 5) return gate(args[2], args[3], args[4]);
    if (std::strcmp(argv[1], "meet") == 0 && argc == 6) {
        return meet(args[2], args[3], args[4], args[5]);
    }
    if (std::strcmp(argv[1], "interrupt") == 0) {
        interrupt_parent();
        std::fputs("interrupted\n", stdout);
        write_into(args.back(), "stopped");
        return 0;
    }
#ifndef _WIN32
    if (std::strcmp(argv[1], "terminate") == 0) {
        kill(getppid(), SIGTERM);
        std::fputs("terminated\n", stdout);
        write_into(args.back(), "stopped");
        return 0;
    }
    if (std::strcmp(argv[1], "hang-up") == 0) {
        kill(getppid(), SIGHUP);
        std::fputs("hung up\n", stdout);
        write_into(args.back(), "stopped");
        return 0;
    }
#endif
    if (std::strcmp(argv[1], "interrupt-hang") == 0) {
        interrupt_parent();
        std::fputs("hanging\n", stdout);
        std::fflush(stdout);
        wait_for_ever();
    }
    return 1;
}

}  // namespace

#ifdef _WIN32
// Linked with -municode: the arguments come in UTF-16, as the system keeps them.
int wmain(int argc, wchar_t* argv[]) {
    std::vector<std::string> args;
    for (int i = 0; i < argc; ++i)
        args.push_back(utf8_of(argv[i], static_cast<int>(wcslen(argv[i]))));
    return run(args);
}
#else
int main(int argc, char* argv[]) { return run(std::vector<std::string>(argv, argv + argc)); }
#endif
