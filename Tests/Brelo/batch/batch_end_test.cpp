// No converter outlives brelo-batch: not when the reader of its output goes away, not when it is
// ended itself. brelo-batch runs here as a process of its own whose standard output the test
// reads and closes; the converters (console_child's hold act) tell their process ids in their
// output files.
#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "Support/run_program.h"
#include "Support/temp_dir.h"
#include "batch/batch_program.h"
#include "batch_process.h"
#include "engine/walk.h"
#include "platform/platform.h"

#ifdef _WIN32
#include <windows.h>
#include "Common/wide_text.h"
#else
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
extern char** environ;
#endif

namespace {

using batch_test::IniValues;
using test_support::program_path;
using test_support::read_file;
using test_support::TempDir;
using test_support::write_file;

// brelo-batch started with its standard output on a pipe the test holds.
class RunningBatch {
public:
    explicit RunningBatch(const std::vector<std::string>& args) {
        const std::string program = program_path("brelo-batch");
#ifdef _WIN32
        SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
        HANDLE write_end = nullptr;
        if (!CreatePipe(&output_, &write_end, &inheritable, 0)) return;
        SetHandleInformation(output_, HANDLE_FLAG_INHERIT, 0);
        HANDLE nul = CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_WRITE, &inheritable,
                                 OPEN_EXISTING, 0, nullptr);
        std::string line = "\"" + program + "\"";
        for (const std::string& arg : args) line += " \"" + arg + "\"";
        std::wstring wide = utf8_to_wide(line);
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        startup.hStdOutput = write_end;
        startup.hStdError = nul;
        PROCESS_INFORMATION info = {};
        if (CreateProcessW(nullptr, &wide[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                           &startup, &info)) {
            CloseHandle(info.hThread);
            process_ = info.hProcess;
        }
        CloseHandle(write_end);
        CloseHandle(nul);
#else
        int fds[2];
        if (pipe2(fds, O_CLOEXEC) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        output_ = fds[0];
#endif
    }

    ~RunningBatch() {
        close_output();
#ifdef _WIN32
        if (process_) {
            TerminateProcess(process_, 1);
            CloseHandle(process_);
        }
#else
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
#endif
    }

    bool started() const {
#ifdef _WIN32
        return process_ != nullptr;
#else
        return pid_ > 0;
#endif
    }

    // The output up to and with its first line end.
    std::string first_line() {
        std::string line;
        char c = '\0';
        while (c != '\n') {
#ifdef _WIN32
            DWORD got = 0;
            if (!ReadFile(output_, &c, 1, &got, nullptr) || got == 0) break;
#else
            if (read(output_, &c, 1) != 1) break;
#endif
            line += c;
        }
        return line;
    }

    // The reader goes away.
    void close_output() {
#ifdef _WIN32
        if (output_) CloseHandle(output_);
        output_ = nullptr;
#else
        if (output_ >= 0) close(output_);
        output_ = -1;
#endif
    }

    // Ends brelo-batch as something outside it would: on Windows by TerminateProcess, on POSIX
    // by a signal that ends the process and that it does not take as Stop.
    void end_it() {
#ifdef _WIN32
        TerminateProcess(process_, 9);
#else
        kill(pid_, SIGUSR1);
#endif
    }

    // Its exit code once it has ended; -1 when it ended by a signal.
    int wait() {
#ifdef _WIN32
        WaitForSingleObject(process_, INFINITE);
        DWORD code = 0;
        GetExitCodeProcess(process_, &code);
        CloseHandle(process_);
        process_ = nullptr;
        return static_cast<int>(code);
#else
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
    }

private:
#ifdef _WIN32
    HANDLE output_ = nullptr;
    HANDLE process_ = nullptr;
#else
    int output_ = -1;
    pid_t pid_ = -1;
#endif
};

// Whether the process has ended, waiting for that up to a generous time.
bool process_ends(long id) {
#ifdef _WIN32
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(id));
    if (!process) return true;
    const bool ended = WaitForSingleObject(process, 30000) == WAIT_OBJECT_0;
    CloseHandle(process);
    return ended;
#else
    for (int i = 0; i < 3000; ++i) {
        if (kill(static_cast<pid_t>(id), 0) != 0) return true;
        // An ended process not yet reaped by its new parent counts as ended.
        const std::string stat = read_file("/proc/" + std::to_string(id) + "/stat");
        const std::size_t state = stat.rfind(')');
        if (state != std::string::npos && stat.compare(state, 3, ") Z") == 0) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
#endif
}

// Ends a converter the test failed to see ended, so that it does not outlive the test either.
void end_process(long id) {
#ifdef _WIN32
    if (HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, static_cast<DWORD>(id))) {
        TerminateProcess(process, 1);
        CloseHandle(process);
    }
#else
    kill(static_cast<pid_t>(id), SIGKILL);
#endif
}

// Three input files, converted three at once by the hold act.
class BatchEnd : public ::testing::Test {
protected:
    TempDir dir;
    std::string in = dir.file("in");
    std::string out = dir.file("out");
    std::string ini = dir.file("test.ini");
    std::string gate = dir.file("gate");
    std::vector<std::string> names = {"a.txt", "b.txt", "c.txt"};

    void SetUp() override {
        ASSERT_TRUE(make_directory(in));
        ASSERT_TRUE(make_directory(out));
        for (const std::string& name : names) write_file(join_path(in, name), "hold");
        IniValues values;
        values.input_directory = in;
        values.input_patterns = "*.txt";
        values.output_directory = out;
        values.output_pattern = "${prefix}.pid";
        values.converters = {{"Hold", program_path("console_child"),
                              "hold ${infile} ${outfile} \"" + gate + "\"", "${location}"}};
        write_file(ini, batch_test::ini_text(values));
    }

    std::string pid_file(const std::string& name) const {
        return join_path(out, name.substr(0, name.find('.')) + ".pid");
    }

    // The files in the order the run meets them, as the dry run plans them.
    std::vector<std::string> walk_order() {
        const std::string plan = batch_test::run_brelo_batch({"--ini", ini, "--dry-run"}).out;
        std::vector<std::string> order = names;
        std::sort(order.begin(), order.end(), [&](const std::string& a, const std::string& b) {
            return plan.find(join_path(in, a) + " -> ") < plan.find(join_path(in, b) + " -> ");
        });
        return order;
    }

    // Waits (generously) until the converter for the file has told its process id.
    long converter_id(const std::string& name) {
        for (int i = 0; i < 3000; ++i) {
            const std::string text = read_file(pid_file(name));
            if (!text.empty()) return std::stol(text);
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return 0;
    }

    // Every converter still running ends, or the test fails (and ends it itself).
    void expect_ended(const std::vector<long>& ids) {
        for (long id : ids) {
            EXPECT_TRUE(process_ends(id)) << "converter " << id << " outlived brelo-batch";
            end_process(id);
        }
    }
};

// `brelo-batch | head -1`: once the first line is read, the reader goes away. The next entry
// cannot be written, which stops the run as Ctrl+C does, and the converters still running are
// ended.
TEST_F(BatchEnd, AReaderThatGoesAwayStopsTheRunAndItsConverters) {
    const std::vector<std::string> order = walk_order();
    // The first file's converter ends once the test lets it; the other two run on.
    write_file(join_path(in, order[0]), "go");
    RunningBatch batch({"--ini", ini, "--jobs", "3", "--no-progress"});
    ASSERT_TRUE(batch.started());
    EXPECT_EQ(batch.first_line(), "[Converter - Hold]:\r\n");
    const std::vector<long> held = {converter_id(order[1]), converter_id(order[2])};
    ASSERT_NE(held[0], 0);
    ASSERT_NE(held[1], 0);
    batch.close_output();
    write_file(gate, "");
    EXPECT_EQ(batch.wait(), exit_stopped);
    expect_ended(held);
}

// Ended from outside while its converters run, brelo-batch takes them with it.
TEST_F(BatchEnd, ConvertersEndWithBreloBatch) {
    RunningBatch batch({"--ini", ini, "--jobs", "3", "--no-progress"});
    ASSERT_TRUE(batch.started());
    std::vector<long> ids;
    for (const std::string& name : names) ids.push_back(converter_id(name));
    for (long id : ids) ASSERT_NE(id, 0);
    batch.end_it();
    batch.wait();
    expect_ended(ids);
}

}  // namespace
