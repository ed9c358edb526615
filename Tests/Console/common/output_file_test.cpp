// OutputFile on real folders: the old file stays whole until the commit, failures leave nothing
// behind, and outputs that cannot be renamed over are written directly.
#include "output_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "Support/temp_dir.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
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
    ASSERT_EQ(during.size(), 2u);
    // The temporary file sits beside the output, under a name of its own.
    EXPECT_EQ(during[0].compare(0, 6, ".tool-"), 0) << during[0];
    EXPECT_EQ(during[0].substr(during[0].size() - 4), ".tmp");
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
