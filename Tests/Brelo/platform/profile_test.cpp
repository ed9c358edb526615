// Private-profile files and the executable's directory: the same cases on POSIX and Windows.
#include "platform/profile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <sstream>
#include <vector>

#include "Support/temp_dir.h"

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

// The file's lines without line ends or empty lines: Windows may set sections apart with one.
std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) lines.push_back(line);
    }
    return lines;
}

}  // namespace

TEST(ExecutableDirectory, HoldsThisTestProgram) {
    std::string directory = executable_directory();
    ASSERT_FALSE(directory.empty());
    EXPECT_EQ(directory.back(), separator);
    EXPECT_TRUE(test_support::file_exists(directory + test_program));
}

// The fixture is shared by both builds: the Windows functions and our POSIX reader must agree.
TEST(ReadProfileString, DamagedFixtureReadsTheSameEverywhere) {
    TempDir dir;
    std::string file = executable_directory() + "settings_fixtures" + separator + "damaged.ini";
    ASSERT_TRUE(test_support::file_exists(file)) << file;
    struct Case {
        const char* label;
        std::string file;
        const char* section;
        const char* key;
        std::string expected;
    } cases[] = {
        {"no file", dir.file("none.ini"), "Input", "x", "fallback"},
        {"a directory", dir.path(), "Input", "x", "fallback"},
        {"blanks around", file, "Input", "Input Directory 001", "D:\\Data\\Texts"},
        {"case, first key wins", file, "INPUT", "Input Directory 002", "D:\\Lower Case"},
        {"blanks around the name", file, "Input", "File Patterns 001", "*.txt"},
        {"no equals sign", file, "Input", "File Patterns 002", "fallback"},
        {"NUL ends the value", file, "Input", "File Patterns 003", "a"},
        {"present but empty", file, "Input", "Include Subfolders", ""},
        {"bytes above 127", file, "Input", "High Bytes", "\x93\xfa\x96\x7b\x8c\xea"},
        {"cut to 259", file, "Input", "Long", std::string(259, 'L')},
        {"lone CR ends a line", file, "Input", "Lone CR", "a"},
        {"second section of a name", file, "Input", "Auto Refresh", "fallback"},
        {"above every section", file, "", "Orphan", "before any section"},
        {"double quotes", file, "Output", "Output Directory 001", "quoted"},
        {"one quote", file, "Output", "Output Directory 003", "\"unbalanced"},
        {"two quotes", file, "Output", "Output Directory 004", ""},
        {"equals in value", file, "Output", "Output Directory 005", "a=b=c"},
        {"blanks in quotes", file, "Output", "Output Directory 006", " padded "},
        {"blanks in brackets", file, "Converter", "Converter_Number", "7"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(read_profile_string(c.file, c.section, c.key, "fallback"), c.expected);
    }
}

TEST(WriteProfileString, NewKeysEndTheirSectionAndOldOnesKeepTheirPlace) {
    TempDir dir;
    std::string fresh = dir.file("new.ini"), old = dir.file("old.ini");
    write_file(old, "[A]\r\nx=1\r\nbare\r\n\r\n[B]\r\nz=3\r\n[a]\r\nw=4");
    std::vector<ProfileEntry> writes = {{"Input", "b", "2"}, {"Output", "c", "x\r\ninjected=1"},
                                        {"Input", "a", "1"}, {"Output", "d", ""}};
    EXPECT_TRUE(write_profile_strings(fresh, writes));
    EXPECT_EQ(lines_of(read_file(fresh)),
              (std::vector<std::string>{"[Input]", "b=2", "a=1", "[Output]", "c=x", "d="}));
    writes = {{"a", "X", "9"}, {"A", "BARE", "5"}, {"A", "new", "6"}, {"C", "v", "7"}};
    EXPECT_TRUE(write_profile_strings(old, writes));
    EXPECT_EQ(lines_of(read_file(old)), (std::vector<std::string>{"[A]", "x=9", "bare=5", "new=6",
                                                                  "[B]", "z=3", "[a]", "w=4",
                                                                  "[C]", "v=7"}));
}

TEST(WriteProfileString, HugeLinesSurviveAWrite) {
    TempDir dir;
    std::string file = dir.file("huge.ini");
    std::string garbage(3 << 20, 'g'), value(2 << 20, 'v');
    std::string original = "[A]\r\n" + garbage + "\r\nbig=" + value + "\r\nx=1\r\n";
    write_file(file, original);
    EXPECT_EQ(read_profile_string(file, "A", "big", "?"), value.substr(0, 259));
    EXPECT_TRUE(write_profile_string(file, "A", "x", "2"));
    EXPECT_EQ(read_file(file), "[A]\r\n" + garbage + "\r\nbig=" + value + "\r\nx=2\r\n");
}

#ifndef _WIN32
// Under Wine running as root a read-only file is written anyway, so this runs on POSIX only.
TEST(WriteProfileString, PosixRefusesReadOnlyFilesAndLeavesNoTemporaryFile) {
    TempDir dir;
    std::string locked = dir.file("locked.ini"), link = dir.file("link.ini");
    write_file(locked, "[A]\r\nx=1\r\n");
    fs::permissions(locked, fs::perms::owner_read);
    EXPECT_FALSE(write_profile_string(locked, "A", "x", "2"));
    EXPECT_EQ(read_file(locked), "[A]\r\nx=1\r\n");
    fs::permissions(locked, fs::perms::owner_write, fs::perm_options::add);
    fs::create_symlink(locked, link);
    EXPECT_TRUE(write_profile_strings(link, {{"A", "x", "2"}, {"B", "y", "  spaced "}}));
    EXPECT_EQ(read_file(locked), "[A]\r\nx=2\r\n[B]\r\ny=spaced \r\n");
    EXPECT_EQ(fs::status(locked).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 2);
}
#endif
