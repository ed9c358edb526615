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
//   gate MIB IN OUT  by what the file IN holds: "flood" writes MIB MiB of lines of 'x' in
//                   64 KiB writes, then "flooded" into OUT, then creates "done.mark" in IN's
//                   folder; "hold" waits until that file exists, then writes "held" into OUT and
//                   "held\n"; "hold-interrupt" does the same, sending the interrupt first
// The first four write "stopped" into their last argument (the output path) before they end.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <climits>
#include <csignal>
#include <unistd.h>
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

// Opens a file named in UTF-8, on Windows through the UTF-16 the system keeps.
std::FILE* open_file(const std::string& path, const char* mode) {
#ifdef _WIN32
    const auto wide = [](const std::string& text) {
        const int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                             nullptr, 0);
        std::wstring out(static_cast<std::size_t>(size > 0 ? size : 0), L'\0');
        if (size > 0)
            MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0],
                                size);
        return out;
    };
    return _wfopen(wide(path).c_str(), wide(mode).c_str());
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
    if (std::strcmp(argv[1], "gate") == 0 && argc == 5) return gate(args[2], args[3], args[4]);
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
