// OutputFile on real folders: the old file stays whole until the commit, failures leave nothing
// behind, and outputs that cannot be renamed over are written directly.
#include "output_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "Support/run_program.h"
#include "Support/temp_dir.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

using test_support::file_exists;
using test_support::read_file;
using test_support::TempDir;
using test_support::write_file;

std::vector<std::string> directory_listing(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

bool write_text(OutputFile& output, const std::string& text) {
    return std::fwrite(text.data(), 1, text.size(), output.stream()) == text.size();
}

TEST(OutputFile, OldFileStaysWholeUntilTheCommitAndNoTemporaryRemains) {
    TempDir dir;
    write_file(dir.file("out"), "old text");
    OutputFile output;
    ASSERT_TRUE(output.open(dir.file("out"), "tool"));
    EXPECT_FALSE(output.direct());
    ASSERT_TRUE(write_text(output, "new text, longer than the old"));
    std::fflush(output.stream());
    EXPECT_EQ(read_file(dir.file("out")), "old text");
    const auto during = directory_listing(dir.path());
#ifdef _WIN32
    ASSERT_EQ(during.size(), 2u);
    // The temporary file sits beside the output, under a name of its own.
    EXPECT_EQ(during[0].compare(0, 6, ".tool-"), 0) << during[0];
    EXPECT_EQ(during[0].substr(during[0].size() - 4), ".tmp");
#else
    // The temporary file has no name until the commit.
    EXPECT_EQ(during, std::vector<std::string>{"out"});
#endif
    EXPECT_TRUE(output.commit());
    EXPECT_EQ(output.stream(), nullptr);
    EXPECT_EQ(read_file(dir.file("out")), "new text, longer than the old");
    EXPECT_EQ(directory_listing(dir.path()), std::vector<std::string>{"out"});
}

// The temporary file goes beside an output named in any script, and takes its name.
TEST(OutputFile, OutputNamedInAnyScriptIsReplacedThroughATemporaryFile) {
    TempDir dir;
    const std::string folder = dir.file("\xe3\x83\x95\xe3\x82\xa9\xe3\x83\xab\xe3\x83\x80");  // フォルダ
    std::filesystem::create_directory(test_support::native_path(folder));
    const std::string name = "\xe5\x87\xba\xe5\x8a\x9b\xf0\x9f\x98\x80.txt";  // 出力😀
#ifdef _WIN32
    const std::string path = folder + "\\" + name;
#else
    const std::string path = folder + "/" + name;
#endif
    write_file(path, "old text");
    for (const bool commit : {false, true}) {
        SCOPED_TRACE(commit ? "committed" : "discarded");
        OutputFile output;
        ASSERT_TRUE(output.open(path, "tool"));
        EXPECT_FALSE(output.direct());
        ASSERT_TRUE(write_text(output, "new text"));
        if (commit) EXPECT_TRUE(output.commit());
        else output.discard();
        EXPECT_EQ(read_file(path), commit ? "new text" : "old text");
        std::vector<std::string> left;
        for (const auto& entry :
             std::filesystem::directory_iterator(test_support::native_path(folder))) {
            left.push_back(entry.path().filename().u8string());
        }
        EXPECT_EQ(left, std::vector<std::string>{name});
    }
}

TEST(OutputFile, UncommittedOutputLeavesTheOldFileAndNoTemporary) {
    struct Row {
        const char* label;
        bool old_file;
        bool explicit_discard;
    };
    const Row rows[] = {{"discard over an old file", true, true},
                        {"destroyed over an old file", true, false},
                        {"discard of a new file", false, true},
                        {"destroyed, new file", false, false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        TempDir dir;
        if (row.old_file) write_file(dir.file("out"), "old");
        {
            OutputFile output;
            ASSERT_TRUE(output.open(dir.file("out"), "tool"));
            ASSERT_TRUE(write_text(output, "half of it"));
            if (row.explicit_discard) output.discard();
        }
        EXPECT_EQ(file_exists(dir.file("out")), row.old_file);
        if (row.old_file) {
            EXPECT_EQ(read_file(dir.file("out")), "old");
        }
        EXPECT_EQ(directory_listing(dir.path()).size(), row.old_file ? 1u : 0u);
    }
}

TEST(OutputFile, TwoWritersOfOneOutputNeverShareATemporaryFile) {
    TempDir dir;
    write_file(dir.file("out"), "old");
    OutputFile first, second;
    ASSERT_TRUE(first.open(dir.file("out"), "tool"));
    ASSERT_TRUE(second.open(dir.file("out"), "tool"));
    ASSERT_TRUE(write_text(first, "first writer's whole text"));
    ASSERT_TRUE(write_text(second, "second"));
    EXPECT_TRUE(first.commit());
    EXPECT_EQ(read_file(dir.file("out")), "first writer's whole text");
    EXPECT_TRUE(second.commit());
    EXPECT_EQ(read_file(dir.file("out")), "second");
    EXPECT_EQ(directory_listing(dir.path()), std::vector<std::string>{"out"});
}

TEST(OutputFile, UnwritablePlacesFailWithoutCreatingAnything) {
    TempDir dir;
    write_file(dir.file("file"), "a file");
    std::filesystem::create_directory(dir.file("folder"));
    struct Row {
        const char* label;
        std::string path;
    };
    const Row rows[] = {{"missing folder", dir.file("missing") + "/out"},
                        {"folder that is a file", dir.file("file") + "/out"},
                        {"a folder", dir.file("folder")}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        OutputFile output;
        EXPECT_FALSE(output.open(row.path, "tool"));
        EXPECT_EQ(output.stream(), nullptr);
        EXPECT_FALSE(output.commit());
    }
    EXPECT_EQ(directory_listing(dir.path()), (std::vector<std::string>{"file", "folder"}));
    EXPECT_TRUE(directory_listing(dir.file("folder")).empty());
    EXPECT_EQ(read_file(dir.file("file")), "a file");
}

TEST(OutputFile, InPlaceReplacementGoesThroughATemporaryFile) {
    TempDir dir;
    std::filesystem::create_directory(dir.file("sub"));
    write_file(dir.file("data"), "old");
    OutputFile output;
    ASSERT_TRUE(output.open_in_place(dir.file("sub") + "/../data", "tool"));
    EXPECT_FALSE(output.direct());
    ASSERT_TRUE(write_text(output, "new"));
    EXPECT_TRUE(output.commit());
    EXPECT_EQ(read_file(dir.file("data")), "new");
    EXPECT_EQ(directory_listing(dir.path()), (std::vector<std::string>{"data", "sub"}));
}

TEST(OutputFile, ReadOnlyOutputIsRefusedAsWritingIntoItWouldBe) {
#ifndef _WIN32
    if (geteuid() == 0) GTEST_SKIP() << "root writes into every file";
#endif
    TempDir dir;
    write_file(dir.file("out"), "old");
    std::filesystem::permissions(dir.file("out"), std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::remove);
    OutputFile output;
    EXPECT_FALSE(output.open(dir.file("out"), "tool"));
    EXPECT_EQ(read_file(dir.file("out")), "old");
    EXPECT_EQ(directory_listing(dir.path()), std::vector<std::string>{"out"});
}

// output_file_holder writing into an output and never committing it, until the test kills it.
class KilledWriter {
public:
    KilledWriter(const std::string& output, bool in_place) {
        const std::string program = test_support::program_path("output_file_holder");
        const char* mode = in_place ? "in-place" : "new";
#ifdef _WIN32
        SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
        HANDLE child_out = nullptr, child_in = nullptr;
        if (!CreatePipe(&from_child_, &child_out, &inherit, 0)) return;
        if (!CreatePipe(&child_in, &to_child_, &inherit, 0)) return;
        SetHandleInformation(from_child_, HANDLE_FLAG_INHERIT, 0);
        SetHandleInformation(to_child_, HANDLE_FLAG_INHERIT, 0);
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = child_in;
        startup.hStdOutput = child_out;
        startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
        std::string command = "\"" + program + "\" \"" + output + "\" " + mode;
        PROCESS_INFORMATION process = {};
        if (CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                           &startup, &process)) {
            process_ = process.hProcess;
            CloseHandle(process.hThread);
        }
        CloseHandle(child_out);
        CloseHandle(child_in);
#else
        int out[2], in[2];
        if (pipe(out) != 0 || pipe(in) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            dup2(out[1], 1);
            dup2(in[0], 0);
            execl(program.c_str(), program.c_str(), output.c_str(), mode, (char*)nullptr);
            _exit(127);
        }
        close(out[1]);
        close(in[0]);
        from_child_ = out[0];
        to_child_ = in[1];
#endif
    }

    // The first line the writer printed: "writing" once its bytes reached the output file.
    std::string first_line() {
        std::string line;
        char c;
        while (read_byte(c) && c != '\n') {
            if (c != '\r') line += c;  // Windows writes the line end in text mode
        }
        return line;
    }

    // Kills the writer as SIGKILL does; true once it has ended that way.
    bool kill() {
#ifdef _WIN32
        constexpr UINT killed_code = 137;
        if (!process_ || !TerminateProcess(process_, killed_code)) return false;
        WaitForSingleObject(process_, INFINITE);
        DWORD code = 0;
        return GetExitCodeProcess(process_, &code) && code == killed_code;
#else
        int status = 0;
        if (pid_ <= 0 || ::kill(pid_, SIGKILL) != 0 || waitpid(pid_, &status, 0) != pid_)
            return false;
        return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
#endif
    }

    ~KilledWriter() {
#ifdef _WIN32
        for (HANDLE handle : {from_child_, to_child_, process_})
            if (handle) CloseHandle(handle);
#else
        if (from_child_ >= 0) close(from_child_);
        if (to_child_ >= 0) close(to_child_);
#endif
    }

private:
    bool read_byte(char& c) {
#ifdef _WIN32
        DWORD got = 0;
        return from_child_ && ReadFile(from_child_, &c, 1, &got, nullptr) && got == 1;
#else
        return from_child_ >= 0 && read(from_child_, &c, 1) == 1;
#endif
    }

#ifdef _WIN32
    HANDLE from_child_ = nullptr, to_child_ = nullptr, process_ = nullptr;
#else
    pid_t pid_ = -1;
    int from_child_ = -1, to_child_ = -1;
#endif
};

TEST(OutputFile, WriterKilledMidWriteLeavesTheOldOutputAndNothingElse) {
    struct Row {
        const char* label;
        bool old_output;
        bool in_place;
    };
    const Row rows[] = {{"over an old output", true, false},
                        {"new output", false, false},
                        {"in place", true, true}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        TempDir dir;
        if (row.old_output) write_file(dir.file("out"), "old");
        const auto before = directory_listing(dir.path());
        KilledWriter writer(dir.file("out"), row.in_place);
        ASSERT_EQ(writer.first_line(), "writing");
        ASSERT_TRUE(writer.kill());
        EXPECT_EQ(directory_listing(dir.path()), before);
        if (row.old_output) {
            EXPECT_EQ(read_file(dir.file("out")), "old");
        }
    }
}

#ifdef _WIN32
TEST(OutputFile, DeviceNamesAreWrittenDirectly) {
    for (const char* name : {"NUL", "nul"}) {
        SCOPED_TRACE(name);
        OutputFile output;
        ASSERT_TRUE(output.open(name, "tool"));
        EXPECT_TRUE(output.direct());
        ASSERT_TRUE(write_text(output, "into nothing"));
        EXPECT_TRUE(output.commit());
    }
}
#else
mode_t file_mode(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 ? info.st_mode : 0;
}

TEST(OutputFile, ReplacedFileKeepsItsPermissionBits) {
    for (mode_t mode : {0600, 0640, 0755, 0604}) {
        SCOPED_TRACE(mode);
        TempDir dir;
        write_file(dir.file("out"), "old");
        ASSERT_EQ(chmod(dir.file("out").c_str(), mode), 0);
        OutputFile output;
        ASSERT_TRUE(output.open(dir.file("out"), "tool"));
        ASSERT_TRUE(write_text(output, "new"));
        ASSERT_TRUE(output.commit());
        EXPECT_EQ(file_mode(dir.file("out")) & 07777, mode);
        EXPECT_EQ(read_file(dir.file("out")), "new");
    }
}

TEST(OutputFile, NewFileGetsTheModeTheUserMaskAllows) {
    TempDir dir;
    const mode_t mask = umask(027);
    OutputFile output;
    const bool opened = output.open(dir.file("out"), "tool");
    umask(mask);
    ASSERT_TRUE(opened);
    ASSERT_TRUE(output.commit());
    EXPECT_EQ(file_mode(dir.file("out")) & 07777, 0640u);
}

TEST(OutputFile, ReadOnlyFileIsReplacedInPlace) {
    TempDir dir;
    write_file(dir.file("data"), "old");
    ASSERT_EQ(chmod(dir.file("data").c_str(), 0444), 0);
    OutputFile output;
    ASSERT_TRUE(output.open_in_place(dir.file("data"), "tool"));
    ASSERT_TRUE(write_text(output, "new"));
    EXPECT_TRUE(output.commit());
    EXPECT_EQ(read_file(dir.file("data")), "new");
    EXPECT_EQ(file_mode(dir.file("data")) & 07777, 0444u);
    EXPECT_EQ(directory_listing(dir.path()), std::vector<std::string>{"data"});
}

TEST(OutputFile, SymbolicLinksKeepPointingAtTheNewFile) {
    TempDir dir;
    std::filesystem::create_directory(dir.file("real"));
    write_file(dir.file("real/target"), "old");
    ASSERT_EQ(symlink("real/target", dir.file("link").c_str()), 0);
    ASSERT_EQ(symlink("link", dir.file("link-to-link").c_str()), 0);
    ASSERT_EQ(symlink("real/future", dir.file("dangling").c_str()), 0);
    ASSERT_EQ(symlink("real", dir.file("folder-link").c_str()), 0);
    struct Row {
        const char* label;
        const char* output;
        const char* file;  // where the text must land
    };
    const Row rows[] = {{"link", "link", "real/target"},
                        {"link to a link", "link-to-link", "real/target"},
                        {"dangling link", "dangling", "real/future"},
                        {"through a linked folder", "folder-link/target", "real/target"}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        OutputFile output;
        ASSERT_TRUE(output.open(dir.file(row.output), "tool"));
        ASSERT_TRUE(write_text(output, row.label));
        ASSERT_TRUE(output.commit());
        EXPECT_EQ(read_file(dir.file(row.file)), row.label);
    }
    for (const char* link : {"link", "link-to-link", "dangling", "folder-link"}) {
        struct stat info;
        ASSERT_EQ(lstat(dir.file(link).c_str(), &info), 0);
        EXPECT_TRUE(S_ISLNK(info.st_mode)) << link;
    }
    EXPECT_EQ(directory_listing(dir.file("real")), (std::vector<std::string>{"future", "target"}));
}

TEST(OutputFile, WriteErrorOnADeviceFailsTheCommit) {
    OutputFile output;
    ASSERT_TRUE(output.open("/dev/full", "tool"));
    EXPECT_TRUE(output.direct());
    std::fputs("0123456789ABCDEF0123456789ABCDEF", output.stream());
    EXPECT_FALSE(output.commit());
    EXPECT_TRUE(S_ISCHR(file_mode("/dev/full")));
}

TEST(OutputFile, DevicesAndFifosAreWrittenDirectly) {
    {
        OutputFile output;
        ASSERT_TRUE(output.open("/dev/null", "tool"));
        EXPECT_TRUE(output.direct());
        ASSERT_TRUE(write_text(output, "into nothing"));
        EXPECT_TRUE(output.commit());
        EXPECT_TRUE(S_ISCHR(file_mode("/dev/null")));
    }
    TempDir dir;
    const std::string fifo = dir.file("fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    // Held open for reading and writing, the FIFO never blocks the writer's open.
    const int reader = ::open(fifo.c_str(), O_RDWR | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    OutputFile output;
    ASSERT_TRUE(output.open(fifo, "tool"));
    EXPECT_TRUE(output.direct());
    ASSERT_TRUE(write_text(output, "through the pipe"));
    EXPECT_TRUE(output.commit());
    char buffer[64] = {};
    const ssize_t n = read(reader, buffer, sizeof buffer);
    close(reader);
    EXPECT_EQ(std::string(buffer, n > 0 ? static_cast<std::size_t>(n) : 0), "through the pipe");
    EXPECT_TRUE(S_ISFIFO(file_mode(fifo)));
    EXPECT_EQ(directory_listing(dir.path()), std::vector<std::string>{"fifo"});
}
#endif

}  // namespace
