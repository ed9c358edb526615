// The settings file's bytes, the executable's directory and old ANSI texts: the same cases on
// POSIX and Windows.
#include "platform/profile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>

#include "Support/temp_dir.h"
#include "platform/platform.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <signal.h>
#include <sys/resource.h>
#endif

using test_support::read_file;
using test_support::TempDir;
using test_support::write_file;
namespace fs = std::filesystem;

namespace {

#ifdef _WIN32
constexpr char separator = '\\';
const std::string test_program = "brelo_platform_test.exe";
#else
constexpr char separator = '/';
const std::string test_program = "brelo_platform_test";
#endif

std::size_t entries_in(const std::string& dir) {
    return static_cast<std::size_t>(
        std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
}

}  // namespace

TEST(ExecutableDirectory, HoldsThisTestProgram) {
    std::string directory = executable_directory();
    ASSERT_FALSE(directory.empty());
    EXPECT_EQ(directory.back(), separator);
    EXPECT_TRUE(test_support::file_exists(directory + test_program));
}

TEST(ReadProfileFile, TellsAMissingFileFromOneThatCannotBeRead) {
    TempDir dir;
    const std::string bytes("[A]\r\nx=1\0\xff\r\n", 12);
    write_file(dir.file("some.ini"), bytes);
    struct Case {
        const char* label;
        std::string path;
        FileRead result;
        std::string bytes;
    } cases[] = {
        {"a file, NUL and all", dir.file("some.ini"), FileRead::Read, bytes},
        {"no file", dir.file("none.ini"), FileRead::Missing, ""},
        {"no folder", dir.file("gone") + separator + "x.ini", FileRead::Missing, ""},
        {"a directory", dir.path(), FileRead::Failed, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        std::string read = "left over";
        EXPECT_EQ(read_profile_file(c.path, read), c.result);
        EXPECT_EQ(read, c.bytes);
    }
}

TEST(ReplaceProfileFile, CreatesOrReplacesWholeAndLeavesNoTemporaryFile) {
    TempDir dir;
    const std::string file = dir.file("BRELO.ini");
    const std::string big(3 << 20, 'b');
    EXPECT_TRUE(replace_profile_file(file, "[A]\r\nx=1\r\n"));
    EXPECT_EQ(read_file(file), "[A]\r\nx=1\r\n");
    EXPECT_TRUE(replace_profile_file(file, big));
    EXPECT_EQ(read_file(file), big);
    EXPECT_TRUE(replace_profile_file(file, ""));
    EXPECT_EQ(read_file(file), "");
    EXPECT_EQ(entries_in(dir.path()), 1u);

    EXPECT_FALSE(replace_profile_file(dir.file("gone") + separator + "x.ini", "x"));
    EXPECT_FALSE(replace_profile_file(dir.path(), "x"));
    EXPECT_TRUE(fs::is_directory(dir.path()));
    EXPECT_EQ(entries_in(dir.path()), 1u);
}

// Our own check, so it holds under Wine running as root too, which writes read-only files.
TEST(ReplaceProfileFile, RefusesReadOnlyFilesAndKeepsPermissions) {
    TempDir dir;
    const std::string locked = dir.file("locked.ini");
    write_file(locked, "[A]\r\nx=1\r\n");
    fs::permissions(locked, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_FALSE(replace_profile_file(locked, "[A]\r\nx=2\r\n"));
    EXPECT_EQ(read_file(locked), "[A]\r\nx=1\r\n");
    EXPECT_EQ(entries_in(dir.path()), 1u);

    fs::permissions(locked, fs::perms::owner_write, fs::perm_options::add);
    const fs::perms before = fs::status(locked).permissions();
    EXPECT_TRUE(replace_profile_file(locked, "[A]\r\nx=2\r\n"));
    EXPECT_EQ(read_file(locked), "[A]\r\nx=2\r\n");
    EXPECT_EQ(fs::status(locked).permissions(), before);
}

TEST(ReplaceProfileFile, FailureSaysWhy) {
    TempDir dir;
    fs::create_directory(dir.file("folder.ini"));
    write_file(dir.file("locked.ini"), "old");
    fs::permissions(dir.file("locked.ini"), fs::perms::owner_read);
    struct Row {
        const char* label;
        std::string path;
        WriteProblem problem;
    };
    const Row rows[] = {
        {"folder gone", dir.file("gone") + separator + "x.ini", WriteProblem::FolderMissing},
        {"a folder of that name", dir.file("folder.ini"), WriteProblem::NotAFile},
        {"read-only file", dir.file("locked.ini"), WriteProblem::ReadOnly},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        WriteFailure failure;
        EXPECT_FALSE(replace_profile_file(row.path, "new", &failure));
        EXPECT_EQ(failure.problem, row.problem);
    }
    EXPECT_EQ(read_file(dir.file("locked.ini")), "old");
    EXPECT_EQ(entries_in(dir.path()), 2u);
    fs::permissions(dir.file("locked.ini"), fs::perms::owner_write, fs::perm_options::add);
    WriteFailure failure{WriteProblem::Other, "left over"};
    EXPECT_TRUE(replace_profile_file(dir.file("locked.ini"), "new", &failure));
    EXPECT_EQ(failure.problem, WriteProblem::None);
    EXPECT_EQ(failure.system_message, "");
}

#ifndef _WIN32
// A write the system refuses halfway (here past a file size limit, as on a full disk, for root
// too) keeps the old file and names the system's reason.
TEST(ReplaceProfileFile, PosixWriteRefusedHalfwayKeepsTheOldFileAndGivesTheSystemsMessage) {
    TempDir dir;
    write_file(dir.file("BRELO.ini"), "old");
    struct rlimit before;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &before), 0);
    struct rlimit small = before;
    small.rlim_cur = 1024;
    void (*old_handler)(int) = signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    WriteFailure failure;
    const bool replaced =
        replace_profile_file(dir.file("BRELO.ini"), std::string(4096, 'x'), &failure);
    setrlimit(RLIMIT_FSIZE, &before);
    signal(SIGXFSZ, old_handler);
    EXPECT_FALSE(replaced);
    EXPECT_EQ(failure.problem, WriteProblem::Other);
    EXPECT_EQ(failure.system_message, "File too large");
    EXPECT_EQ(read_file(dir.file("BRELO.ini")), "old");
    EXPECT_EQ(entries_in(dir.path()), 1u);
}

TEST(ReplaceProfileFile, PosixFollowsASymbolicLinkAndKeepsIt) {
    TempDir dir;
    const std::string target = dir.file("target.ini"), link = dir.file("link.ini");
    write_file(target, "old");
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write);
    fs::create_symlink(target, link);
    EXPECT_TRUE(replace_profile_file(link, "new"));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(read_file(target), "new");
    EXPECT_EQ(fs::status(target).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(entries_in(dir.path()), 2u);
}
#endif

TEST(ProfileFileCounts, CountEveryReadAndReplacement) {
    TempDir dir;
    const ProfileFileCounts before = profile_file_counts();
    std::string bytes;
    read_profile_file(dir.file("none.ini"), bytes);
    replace_profile_file(dir.file("a.ini"), "x");
    read_profile_file(dir.file("a.ini"), bytes);
    const ProfileFileCounts after = profile_file_counts();
    EXPECT_EQ(after.reads - before.reads, 2u);
    EXPECT_EQ(after.writes - before.writes, 1u);
}

// A settings file may be named in any script, as brelo-batch's --ini takes any name.
TEST(ReplaceProfileFile, FileNamedInAnyScriptIsWrittenAndReadBack) {
    TempDir dir;
    const std::string path = dir.file("\xe8\xa8\xad\xe5\xae\x9a\xf0\x9f\x98\x80.ini");  // 設定😀
    ASSERT_TRUE(replace_profile_file(path, "[A]\r\nx=1\r\n"));
    ASSERT_TRUE(replace_profile_file(path, "[A]\r\nx=2\r\n"));
    std::string bytes;
    EXPECT_EQ(read_profile_file(path, bytes), FileRead::Read);
    EXPECT_EQ(bytes, "[A]\r\nx=2\r\n");
    EXPECT_EQ(read_file(path), "[A]\r\nx=2\r\n");
    EXPECT_EQ(entries_in(dir.path()), 1u);  // no temporary file left beside it
}

// The Western code page, which Wine takes by default and the POSIX layer always takes.
TEST(AnsiToUtf8, ReadsTheWesternCodePage) {
#ifdef _WIN32
    if (GetACP() != 1252) GTEST_SKIP() << "the system code page is " << GetACP();
#endif
    struct Case {
        const char* label;
        std::string ansi;
        std::string utf8;
    } cases[] = {
        {"empty", "", ""},
        {"ASCII, NUL and control bytes", std::string("a\0\x01\x7f", 4), std::string("a\0\x01\x7f", 4)},
        {"e acute", "caf\xe9", "caf\xc3\xa9"},
        {"euro sign and quotes", "\x80\x93\x94", "\xe2\x82\xac\xe2\x80\x9c\xe2\x80\x9d"},
        {"undefined bytes keep their numbers", "\x81\x8d\x8f\x90\x9d",
         "\xc2\x81\xc2\x8d\xc2\x8f\xc2\x90\xc2\x9d"},
        {"no-break space and y diaeresis", "\xa0\xff", "\xc2\xa0\xc3\xbf"},
        {"a UTF-8 text read as ANSI", "\xc3\xa9", "\xc3\x83\xc2\xa9"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(ansi_to_utf8(c.ansi), c.utf8);
    }
    std::string every_byte;
    for (int byte = 0; byte < 256; ++byte) every_byte += static_cast<char>(byte);
    // 128 ASCII bytes; from 0x80 to 0x9F fifteen characters of two bytes and seventeen of
    // three; 96 Latin-1 characters of two bytes from 0xA0 on.
    EXPECT_EQ(ansi_to_utf8(every_byte).size(), 128u + 15 * 2 + 17 * 3 + 96 * 2);
}
