// A stand-in converter for the process runner's tests. The first argument picks what it does:
//   echo ...        writes every argument it received, its own name first, as "[arg]\n"
//   echo-out ... OUT  writes what echo writes, then creates the file OUT (its last argument)
//   stderr          writes "out 1\n" to standard output, "err\n" to standard error, "out 2\n"
//   nul             writes "text\0hidden" in one piece
//   utf16           writes "hi" as UTF-16LE, "h\0i\0", in one piece
//   bytes N         writes N bytes of 'a'..'z' repeated, in one piece, no NUL among them
//   silent          writes nothing
//   grandchild      writes "child\n", starts a copy of itself that writes "grandchild\n" only
//                   after this process has ended, and ends
//   stdin           reads its standard input to the end and writes "stdin N\n" with the count
//   cwd             writes its current directory and "\n"
//   escape          (POSIX) starts a child in a session of its own that holds the output for
//                   30 seconds, writes "started\n" and sleeps for ever
//   jitter PATH     waits a few milliseconds (how many depends on PATH), then writes "[PATH]\n"
//   half OUT        writes "half" into OUT, "wrote half\n" to standard output, ends with code 1
//   half-hang OUT   writes "half" into OUT, "writing\n" to standard output, sleeps for ever
//   touch PATH      creates the file PATH and writes "touched\n"
//   append OUT IN   appends "begin IN\n" to OUT, waits 50 ms, appends "end IN\n"
//   exit N          writes "exit N" without a line end and ends with exit code N
//   exitfile PATH   ends with the number the file at PATH holds (0 when it holds none), silently
//   anything else   writes "unknown act\n" and then what echo writes, and ends with 2
//   sleep           starts a copy of itself that sleeps for ever too, writes "sleeping\n" and
//                   sleeps for ever
//   leave           starts a copy of itself that sleeps for ever holding the output, writes
//                   "left\n" and ends with exit code 0
//   polite          writes "waiting\n" and sleeps for ever; asked to end (SIGTERM, Ctrl+Break)
//                   it writes "asked to end\n" and ends with exit code 0
//   stubborn        writes "stubborn\n" and sleeps for ever; asked to end, it writes
//                   "ignored\n" and goes on sleeping
//   console         (Windows) writes "console" and the ids of the processes attached to its
//                   console, each after a blank, then "\n"
//   hold IN OUT GATE  when the file IN holds "go": waits until the file GATE exists, writes
//                   "passed\n" and ends; else writes its process id to OUT, then "running\n",
//                   and sleeps for ever
// Everything is written unbuffered and in binary, so the runner sees the bytes as given.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#include <direct.h>
#include <fcntl.h>
#include <io.h>
#else
#include <spawn.h>
#include <unistd.h>
#include <climits>
#include <csignal>
extern char** environ;
#endif

namespace {

void put(std::FILE* stream, const std::string& bytes) {
    std::fwrite(bytes.data(), 1, bytes.size(), stream);
    std::fflush(stream);
}

void create_file(const char* path, const char* text = "") {
    if (std::FILE* file = std::fopen(path, "wb")) {
        std::fputs(text, file);
        std::fclose(file);
    }
}

void pause_ms(int milliseconds) {
#ifdef _WIN32
    Sleep(static_cast<DWORD>(milliseconds));
#else
    usleep(static_cast<useconds_t>(milliseconds) * 1000);
#endif
}

[[noreturn]] void sleep_for_ever() {
    for (;;) {
#ifdef _WIN32
        Sleep(INFINITE);
#else
        pause();
#endif
    }
}

#ifdef _WIN32

// Starts this program again with the extra arguments, sharing the standard handles.
bool start_copy(const std::string& args) {
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string line = std::string("\"") + self + "\" " + args;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                        &info))
        return false;
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return true;
}

void grandchild() {
    if (!start_copy("late " + std::to_string(GetCurrentProcessId()))) put(stdout, "no start\n");
}

void wait_for_parent_end(const char* id) {
    HANDLE parent = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(std::atoi(id)));
    if (parent) {
        WaitForSingleObject(parent, INFINITE);
        CloseHandle(parent);
    }
}

#else

bool start_copy(const std::vector<std::string>& args, posix_spawn_file_actions_t* actions) {
    char self[PATH_MAX] = {};
    if (readlink("/proc/self/exe", self, sizeof self - 1) <= 0) return false;
    std::vector<char*> argv{self};
    for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    pid_t pid;
    return posix_spawn(&pid, self, actions, nullptr, argv.data(), environ) == 0;
}

void grandchild() {
    // The copy waits for the end of a pipe whose only write end dies with this process.
    int ended[2];
    if (pipe(ended) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addclose(&actions, ended[1]);
    if (!start_copy({"late", std::to_string(ended[0])}, &actions)) put(stdout, "no start\n");
    posix_spawn_file_actions_destroy(&actions);
}

void wait_for_parent_end(const char* fd) {
    char byte;
    while (read(std::atoi(fd), &byte, 1) > 0) {
    }
}

#endif

// What the polite and stubborn acts do when asked to end.
bool end_when_asked = true;

void asked_to_end() {
    const char* text = end_when_asked ? "asked to end\n" : "ignored\n";
#ifdef _WIN32
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text, static_cast<DWORD>(std::strlen(text)),
              &written, nullptr);
    if (end_when_asked) ExitProcess(0);
#else
    if (write(STDOUT_FILENO, text, std::strlen(text)) < 0) {
    }
    if (end_when_asked) _exit(0);
#endif
}

#ifdef _WIN32
BOOL WINAPI on_control(DWORD type) {
    if (type != CTRL_BREAK_EVENT && type != CTRL_C_EVENT) return FALSE;
    asked_to_end();
    return TRUE;
}
#else
void on_terminate(int) { asked_to_end(); }
#endif

void listen_for_end(bool end) {
    end_when_asked = end;
#ifdef _WIN32
    SetConsoleCtrlHandler(on_control, TRUE);
#else
    struct sigaction action = {};
    action.sa_handler = on_terminate;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
#endif
}

long own_process_id() {
#ifdef _WIN32
    return static_cast<long>(GetCurrentProcessId());
#else
    return static_cast<long>(getpid());
#endif
}

std::string bytes_of(long count) {
    std::string bytes;
    for (long i = 0; i < count; ++i) bytes += static_cast<char>('a' + i % 26);
    return bytes;
}

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    _setmode(_fileno(stdin), _O_BINARY);
#endif
    std::string act = argc > 1 ? argv[1] : "";
    if (act == "echo" || (act == "echo-out" && argc > 2)) {
        std::string all;
        for (int i = 0; i < argc; ++i) all += std::string("[") + argv[i] + "]\n";
        put(stdout, all);
        if (act == "echo-out") create_file(argv[argc - 1]);
    } else if (act == "half" && argc > 2) {
        create_file(argv[2], "half");
        put(stdout, "wrote half\n");
        return 1;
    } else if (act == "half-hang" && argc > 2) {
        create_file(argv[2], "half");
        put(stdout, "writing\n");
        sleep_for_ever();
    } else if (act == "stderr") {
        put(stdout, "out 1\n");
        put(stderr, "err\n");
        put(stdout, "out 2\n");
    } else if (act == "nul") {
        put(stdout, std::string("text\0hidden", 11));
    } else if (act == "utf16") {
        put(stdout, std::string("h\0i\0", 4));
    } else if (act == "bytes" && argc > 2) {
        put(stdout, bytes_of(std::atol(argv[2])));
    } else if (act == "silent") {
    } else if (act == "grandchild") {
        put(stdout, "child\n");
        grandchild();
    } else if (act == "late" && argc > 2) {
        wait_for_parent_end(argv[2]);
        put(stdout, "grandchild\n");
    } else if (act == "stdin") {
        long count = 0;
        while (std::fgetc(stdin) != EOF) ++count;
        put(stdout, "stdin " + std::to_string(count) + "\n");
    } else if (act == "cwd") {
        char dir[4096] = {};
#ifdef _WIN32
        _getcwd(dir, sizeof dir);
#else
        if (!getcwd(dir, sizeof dir)) dir[0] = '\0';
#endif
        put(stdout, std::string(dir) + "\n");
#ifndef _WIN32
    } else if (act == "escape") {
        if (fork() == 0) {
            setsid();
            sleep(30);
            return 0;
        }
        put(stdout, "started\n");
        sleep_for_ever();
#endif
    } else if (act == "jitter" && argc > 2) {
        unsigned hash = 0;
        for (const char* c = argv[2]; *c; ++c) hash = hash * 31 + static_cast<unsigned char>(*c);
        pause_ms(static_cast<int>(hash % 25));
        put(stdout, std::string("[") + argv[2] + "]\n");
    } else if (act == "touch" && argc > 2) {
        if (std::FILE* file = std::fopen(argv[2], "wb")) std::fclose(file);
        put(stdout, "touched\n");
    } else if (act == "append" && argc > 3) {
        const auto append = [&](const std::string& line) {
            if (std::FILE* file = std::fopen(argv[2], "ab")) {
                std::fputs(line.c_str(), file);
                std::fclose(file);
            }
        };
        append(std::string("begin ") + argv[3] + "\n");
        pause_ms(50);
        append(std::string("end ") + argv[3] + "\n");
    } else if (act == "exit" && argc > 2) {
        put(stdout, std::string("exit ") + argv[2]);
        return std::atoi(argv[2]);
    } else if (act == "exitfile" && argc > 2) {
        std::FILE* file = std::fopen(argv[2], "rb");
        int code = 0;
        if (file) {
            if (std::fscanf(file, "%d", &code) != 1) code = 0;
            std::fclose(file);
        }
        return code;
    } else if (act == "sleep") {
#ifdef _WIN32
        start_copy("sleeper");
#else
        start_copy({"sleeper"}, nullptr);
#endif
        put(stdout, "sleeping\n");
        sleep_for_ever();
    } else if (act == "sleeper") {
        sleep_for_ever();
    } else if (act == "leave") {
#ifdef _WIN32
        start_copy("sleeper");
#else
        start_copy({"sleeper"}, nullptr);
#endif
        put(stdout, "left\n");
    } else if (act == "polite" || act == "stubborn") {
        listen_for_end(act == "polite");
        put(stdout, act == "polite" ? "waiting\n" : "stubborn\n");
        sleep_for_ever();
    } else if (act == "console") {
        std::string line = "console";
#ifdef _WIN32
        DWORD ids[64];
        const DWORD count = GetConsoleProcessList(ids, 64);
        for (DWORD i = 0; i < count && i < 64; ++i) line += " " + std::to_string(ids[i]);
#endif
        put(stdout, line + "\n");
    } else if (act == "hold" && argc > 4) {
        char first[3] = {};
        if (std::FILE* file = std::fopen(argv[2], "rb")) {
            if (std::fread(first, 1, 2, file) != 2) first[0] = '\0';
            std::fclose(file);
        }
        if (std::string(first) == "go") {
            for (;;) {
                if (std::FILE* gate = std::fopen(argv[4], "rb")) {
                    std::fclose(gate);
                    break;
                }
                pause_ms(20);
            }
            put(stdout, "passed\n");
            return 0;
        }
        if (std::FILE* file = std::fopen(argv[3], "wb")) {
            std::fprintf(file, "%ld", own_process_id());
            std::fclose(file);
        }
        put(stdout, "running\n");
        sleep_for_ever();
    } else {
        // Still shows what arrived, as "unknown act" and then the arguments as echo writes them.
        std::string all = "unknown act\n";
        for (int i = 0; i < argc; ++i) all += std::string("[") + argv[i] + "]\n";
        put(stdout, all);
        return 2;
    }
    return 0;
}
