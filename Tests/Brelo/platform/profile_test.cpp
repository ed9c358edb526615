// Private-profile files and the executable's directory, the same cases on POSIX and on Windows.
#include "platform/profile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <vector>

#include "Support/temp_dir.h"

using test_support::read_file;
using test_support::TempDir;
using test_support::write_file;

namespace {

#ifdef _WIN32
constexpr char separator = '\\';
const std::string exe_suffix = ".exe";
#else
constexpr char separator = '/';
const std::string exe_suffix;
#endif

std::string fixture(const std::string& name) {
    return executable_directory() + "settings_fixtures" + separator + name;
}

// The file's lines without their line ends, empty lines left out: the Windows functions may set
// sections apart with an empty line, which carries no meaning.
std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) lines.push_back(line);
    }
    return lines;
}

struct ReadCase {
    const char* label;
    const char* section;
    const char* key;
    std::string expected;
};

}  // namespace

TEST(ExecutableDirectory, HoldsThisTestProgram) {
    std::string directory = executable_directory();
    ASSERT_FALSE(directory.empty());
    EXPECT_EQ(directory.back(), separator);
    EXPECT_TRUE(test_support::file_exists(directory + "brelo_platform_test" + exe_suffix));
}

TEST(ReadProfileString, MissingFileSectionOrKeyGivesFallback) {
    TempDir dir;
    write_file(dir.file("a.ini"), "[Input]\r\nAuto Refresh=0\r\n");
    struct Case {
        const char* label;
        std::string file;
        const char* section;
        const char* key;
    } cases[] = {
        {"no file", dir.file("missing.ini"), "Input", "Auto Refresh"},
        {"no directory", dir.file("nowhere") + separator + "a.ini", "Input", "Auto Refresh"},
        {"no section", dir.file("a.ini"), "Output", "Auto Refresh"},
        {"no key", dir.file("a.ini"), "Input", "Include Subfolders"},
        {"file is a directory", dir.path(), "Input", "Auto Refresh"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(read_profile_string(c.file, c.section, c.key, "fallback"), "fallback");
    }
}

TEST(ReadProfileString, DamagedFixtureReadsAsWindowsReadsIt) {
    std::string file = fixture("damaged.ini");
    ASSERT_TRUE(test_support::file_exists(file)) << file;
    ReadCase cases[] = {
        {"blanks around the value", "Input", "Input Directory 001", "D:\\Data\\Texts"},
        {"names ignore case, first key wins", "INPUT", "Input Directory 002", "D:\\Lower Case"},
        {"blanks around the name", "Input", "File Patterns 001", "*.txt"},
        {"line without equals", "Input", "File Patterns 002", "fallback"},
        {"NUL ends the value", "Input", "File Patterns 003", "a"},
        {"present but empty", "Input", "Include Subfolders", ""},
        {"bytes above 127 kept", "Input", "High Bytes", "\x93\xfa\x96\x7b\x8c\xea"},
        {"long value cut to 259", "Input", "Long", std::string(259, 'L')},
        {"comment is no key", "Input", "Commented", "fallback"},
        {"tabs inside kept", "Input", "Tabbed", "value with\ttab"},
        {"lone CR inside kept", "Input", "Lone CR", "a\rb"},
        {"second section of a name hidden", "Input", "Auto Refresh", "fallback"},
        {"key before any section", "", "Orphan", "fallback"},
        {"double quotes dropped", "Output", "Output Directory 001", "quoted"},
        {"single quotes dropped", "Output", "Output Directory 002", "single"},
        {"one quote kept", "Output", "Output Directory 003", "\"unbalanced"},
        {"two quotes give empty", "Output", "Output Directory 004", ""},
        {"equals inside the value", "Output", "Output Directory 005", "a=b=c"},
        {"blanks inside quotes kept", "Output", "Output Directory 006", " padded "},
        {"a lone quote", "Output", "Output Directory 007", "\""},
        {"blanks inside brackets belong to the name", "Converter", "Converter_Number",
         "-3 apples"},
        {"last line without line end", "Converter", "Converter001_Title",
         "last line without line end"},
    };
    for (const ReadCase& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(read_profile_string(file, c.section, c.key, "fallback"), c.expected);
    }
}

TEST(ReadProfileString, LineEndsOfEitherKindReadTheSame) {
    std::string crlf = fixture("example.ini");
    std::string lf = fixture("lf_only.ini");
    ReadCase cases[] = {
        {"first key", "Input", "Input Directory 001", "D:\\Data\\Texts"},
        {"empty slot", "Input", "Input Directory 003", ""},
        {"flag", "Input", "Include Subfolders", "0"},
        {"output flag", "Output", "Auto Refresh", "0"},
        {"converter text", "Converter", "Converter002_Arguments", "-s ${infile} ${outfile}"},
        {"last key", "Converter", "Converter003_ExeFile", "D:\\Old\\gone.exe"},
    };
    for (const ReadCase& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(read_profile_string(crlf, c.section, c.key, "fallback"), c.expected);
        EXPECT_EQ(read_profile_string(lf, c.section, c.key, "fallback"), c.expected);
    }
}

TEST(WriteProfileString, FileFromNothingListsKeysInWriteOrder) {
    TempDir dir;
    std::string file = dir.file("new.ini");
    EXPECT_TRUE(write_profile_string(file, "Input", "b", "2"));
    EXPECT_TRUE(write_profile_string(file, "Output", "c", "3"));
    EXPECT_TRUE(write_profile_string(file, "Input", "a", "1"));
    EXPECT_TRUE(write_profile_string(file, "Output", "d", ""));
    std::vector<std::string> expected = {"[Input]", "b=2", "a=1", "[Output]", "c=3", "d="};
    EXPECT_EQ(lines_of(read_file(file)), expected);
    EXPECT_EQ(read_profile_string(file, "Input", "a", "x"), "1");
    EXPECT_EQ(read_profile_string(file, "Output", "d", "x"), "");
}

TEST(WriteProfileString, ExistingKeyChangesInPlaceAndNewKeyEndsItsSection) {
    TempDir dir;
    std::string file = dir.file("old.ini");
    write_file(file, "[A]\r\nx=1\r\ny=2\r\n\r\n[B]\r\nz=3\r\n[a]\r\nw=4\r\n");
    EXPECT_TRUE(write_profile_string(file, "a", "X", "9"));
    EXPECT_TRUE(write_profile_string(file, "A", "new", "5"));
    EXPECT_TRUE(write_profile_string(file, "B", "z", "3"));
    EXPECT_TRUE(write_profile_string(file, "A", "w", "6"));
    std::vector<std::string> expected = {"[A]", "x=9", "y=2", "new=5", "w=6",
                                         "[B]", "z=3", "[a]", "w=4"};
    EXPECT_EQ(lines_of(read_file(file)), expected);
    EXPECT_EQ(read_profile_string(file, "A", "w", "x"), "6");
}

TEST(WriteProfileString, LastLineWithoutLineEndStaysItsOwnLine) {
    TempDir dir;
    std::string file = dir.file("open.ini");
    write_file(file, "[A]\r\nx=1");
    EXPECT_TRUE(write_profile_string(file, "A", "y", "2"));
    EXPECT_TRUE(write_profile_string(file, "B", "z", "3"));
    EXPECT_EQ(read_profile_string(file, "A", "x", "?"), "1");
    EXPECT_EQ(read_profile_string(file, "A", "y", "?"), "2");
    EXPECT_EQ(read_profile_string(file, "B", "z", "?"), "3");
}

TEST(WriteProfileString, KeyWithoutEqualsGetsItsValue) {
    TempDir dir;
    std::string file = dir.file("bare.ini");
    write_file(file, "[A]\r\nx\r\nx=2\r\n");
    EXPECT_EQ(read_profile_string(file, "A", "x", "?"), "?");
    EXPECT_TRUE(write_profile_string(file, "A", "x", "1"));
    EXPECT_EQ(read_profile_string(file, "A", "x", "?"), "1");
    std::vector<std::string> expected = {"[A]", "x=1", "x=2"};
    EXPECT_EQ(lines_of(read_file(file)), expected);
}

TEST(WriteProfileString, ValueEndsAtLineBreak) {
    TempDir dir;
    std::string file = dir.file("break.ini");
    EXPECT_TRUE(write_profile_string(file, "A", "x", "first\r\ninjected=1"));
    EXPECT_TRUE(write_profile_string(file, "A", "y", "one\ntwo"));
    EXPECT_EQ(read_profile_string(file, "A", "x", "?"), "first");
    EXPECT_EQ(read_profile_string(file, "A", "y", "?"), "one");
    EXPECT_EQ(read_profile_string(file, "A", "injected", "?"), "?");
}

TEST(WriteProfileString, ValuesAreCutTo259OnReading) {
    TempDir dir;
    std::string file = dir.file("long.ini");
    struct Case {
        const char* label;
        std::size_t length;
        std::size_t read_length;
    } cases[] = {{"258", 258, 258}, {"259", 259, 259}, {"260", 260, 259}, {"5000", 5000, 259}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        std::string value(c.length, 'v');
        value[0] = 'a';
        ASSERT_TRUE(write_profile_string(file, "A", c.label, value));
        EXPECT_EQ(read_profile_string(file, "A", c.label, "?"), value.substr(0, c.read_length));
    }
}

TEST(WriteProfileString, HugeLinesSurviveAWrite) {
    TempDir dir;
    std::string file = dir.file("huge.ini");
    std::string garbage(3 << 20, 'g');
    std::string value(2 << 20, 'v');
    std::string original = "[A]\r\n" + garbage + "\r\nbig=" + value + "\r\nx=1\r\n";
    write_file(file, original);
    EXPECT_EQ(read_profile_string(file, "A", "big", "?"), value.substr(0, 259));
    EXPECT_EQ(read_profile_string(file, "A", "x", "?"), "1");
    EXPECT_TRUE(write_profile_string(file, "A", "x", "2"));
    std::string after = read_file(file);
    EXPECT_EQ(after.size(), original.size());
    EXPECT_NE(after.find(garbage), std::string::npos);
    EXPECT_EQ(read_profile_string(file, "A", "x", "?"), "2");
}

TEST(WriteProfileString, MissingDirectoryFailsWithoutCreatingIt) {
    TempDir dir;
    std::string file = dir.file("nowhere") + separator + "a.ini";
    write_profile_string(file, "A", "x", "1");
    EXPECT_FALSE(test_support::file_exists(dir.file("nowhere")));
    EXPECT_EQ(read_profile_string(file, "A", "x", "?"), "?");
}

TEST(WriteProfileString, ReadOnlyFileIsLeftAlone) {
    TempDir dir;
    std::string file = dir.file("locked.ini");
    std::string original = "[A]\r\nx=1\r\n";
    write_file(file, original);
    std::filesystem::permissions(file, std::filesystem::perms::owner_write |
                                           std::filesystem::perms::group_write |
                                           std::filesystem::perms::others_write,
                                 std::filesystem::perm_options::remove);
    write_profile_string(file, "A", "x", "2");
    write_profile_string(file, "A", "y", "3");
    EXPECT_EQ(read_file(file), original);
}

#ifndef _WIN32
// Our own writer's layout, and what the replacement through a temporary file leaves behind.
TEST(WriteProfileString, PosixWriterLayoutIsCrLfWithoutBlankLines) {
    TempDir dir;
    std::string file = dir.file("layout.ini");
    write_profile_string(file, "Input", "b", "2");
    write_profile_string(file, "Output", "c", "  spaced  ");
    write_profile_string(file, "Input", "a", "1");
    EXPECT_EQ(read_file(file), "[Input]\r\nb=2\r\na=1\r\n[Output]\r\nc=spaced  \r\n");
}

TEST(WriteProfileString, PosixWriteLeavesNoTemporaryFiles) {
    TempDir dir;
    std::string file = dir.file("only.ini");
    for (int i = 0; i < 20; ++i) write_profile_string(file, "A", "k" + std::to_string(i), "v");
    int entries = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        (void)entry;
        ++entries;
    }
    EXPECT_EQ(entries, 1);
}

TEST(WriteProfileString, PosixWriteKeepsPermissionsAndLinks) {
    TempDir dir;
    std::string target = dir.file("target.ini");
    std::string link = dir.file("link.ini");
    write_file(target, "[A]\r\nx=1\r\n");
    std::filesystem::permissions(target, std::filesystem::perms::owner_read |
                                             std::filesystem::perms::owner_write);
    std::filesystem::create_symlink(target, link);
    EXPECT_TRUE(write_profile_string(link, "A", "x", "2"));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(read_file(target), "[A]\r\nx=2\r\n");
    EXPECT_EQ(std::filesystem::status(target).permissions(),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
}

TEST(WriteProfileString, PosixWriteReportsReadOnlyAndMissingDirectory) {
    TempDir dir;
    std::string file = dir.file("locked.ini");
    write_file(file, "[A]\r\nx=1\r\n");
    std::filesystem::permissions(file, std::filesystem::perms::owner_read);
    EXPECT_FALSE(write_profile_string(file, "A", "x", "2"));
    EXPECT_FALSE(write_profile_string(dir.file("no") + "/a.ini", "A", "x", "2"));
}
#endif
