// The INI reader and writer: the reading rules on the shared fixtures, the writing rules, the
// encodings a file may come in, and reading and writing each file once.
#include "settings/profile_document.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "Support/temp_dir.h"
#include "platform/platform.h"
#include "platform/profile.h"
#include "settings_test_support.h"

using test_support::read_file;
using test_support::TempDir;
using test_support::write_file;
namespace fs = std::filesystem;

namespace {

ProfileDocument loaded(const std::string& path) {
    ProfileDocument document;
    document.load(path);
    return document;
}

std::string value_or(const ProfileDocument& document, const char* section, const char* key,
                     const std::string& fallback) {
    return document.find(section, key).value_or(fallback);
}

// Applies the entries to the file and saves it, as save_settings does.
bool write_entries(const std::string& path, const std::vector<ProfileEntry>& entries) {
    ProfileDocument document;
    if (document.load(path) == ProfileLoad::Failed) return false;
    const bool all_set = document.apply(entries);
    return document.save(path) && all_set;
}

// "日本語" and "テスト" in UTF-8.
const std::string japanese = "\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e";
const std::string test_katakana = "\xe3\x83\x86\xe3\x82\xb9\xe3\x83\x88";

}  // namespace

// The fixture is shared by both builds and by the settings tests. It is not UTF-8 (it holds
// Shift_JIS and stray bytes), so it reads as an old file in the Western code page.
TEST(ProfileDocumentFind, DamagedFixtureFollowsTheWindowsReadingRules) {
    TempDir dir;
    const std::string file = fixture_path("damaged.ini");
    ASSERT_TRUE(test_support::file_exists(file)) << file;
    const ProfileDocument damaged = loaded(file);
    EXPECT_EQ(damaged.encoding(), ProfileEncoding::Ansi);
    const ProfileDocument none = loaded(dir.file("none.ini"));
    const ProfileDocument directory = loaded(dir.path());
    struct Case {
        const char* label;
        const ProfileDocument& document;
        const char* section;
        const char* key;
        std::string expected;
    } cases[] = {
        {"no file", none, "Input", "x", "fallback"},
        {"a directory", directory, "Input", "x", "fallback"},
        {"blanks around", damaged, "Input", "Input Directory 001", "D:\\Data\\Texts"},
        {"case, first key wins", damaged, "INPUT", "Input Directory 002", "D:\\Lower Case"},
        {"blanks around the name", damaged, "Input", "File Patterns 001", "*.txt"},
        {"no equals sign", damaged, "Input", "File Patterns 002", "fallback"},
        {"NUL ends the value", damaged, "Input", "File Patterns 003", "a"},
        {"present but empty", damaged, "Input", "Include Subfolders", ""},
        // Shift_JIS bytes taken for the system's code page (AnsiToUtf8 pins what it gives).
        {"bytes above 127", damaged, "Input", "High Bytes",
         ansi_to_utf8("\x93\xfa\x96\x7b\x8c\xea")},
        {"long values whole (the settings cut them)", damaged, "Input", "Long",
         std::string(300, 'L')},
        {"comment is a key", damaged, "Input", ";Commented", "1"},
        {"tabs inside stay", damaged, "Input", "Tabbed", "value with\ttab"},
        {"lone CR ends a line", damaged, "Input", "Lone CR", "a"},
        {"second section of a name", damaged, "Input", "Auto Refresh", "fallback"},
        {"above every section", damaged, "", "Orphan", "before any section"},
        {"double quotes", damaged, "Output", "Output Directory 001", "quoted"},
        {"single quotes", damaged, "Output", "Output Directory 002", "single"},
        {"one quote", damaged, "Output", "Output Directory 003", "\"unbalanced"},
        {"two quotes", damaged, "Output", "Output Directory 004", ""},
        {"equals in value", damaged, "Output", "Output Directory 005", "a=b=c"},
        {"blanks in quotes", damaged, "Output", "Output Directory 006", " padded "},
        {"a quote alone", damaged, "Output", "Output Directory 007", "\""},
        {"blanks in brackets", damaged, "Converter", "Converter_Number", "7"},
        {"only in the second section of a name", damaged, "Converter", "Converter001_Title",
         "fallback"},
        {"empty key", damaged, "Input", "", "fallback"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(value_or(c.document, c.section, c.key, "fallback"), c.expected);
    }
}

TEST(ProfileDocumentSet, NewKeysEndTheirSectionAndOldOnesKeepTheirPlace) {
    TempDir dir;
    std::string fresh = dir.file("new.ini"), old = dir.file("old.ini");
    write_file(old, "[A]\r\nx=1\r\nbare\r\n\r\n[B]\r\nz=3\r\n[a]\r\nw=4");
    std::vector<ProfileEntry> writes = {{"Input", "b", "2"}, {"Output", "c", "x\r\ninjected=1"},
                                        {"Input", "a", "1"}, {"Output", "d", ""}};
    EXPECT_TRUE(write_entries(fresh, writes));
    EXPECT_EQ(read_file(fresh), "[Input]\r\nb=2\r\na=1\r\n[Output]\r\nc=x\r\nd=\r\n");
    writes = {{"a", "X", "9"}, {"A", "BARE", "5"}, {"A", "new", "6"}, {"C", "v", "7"}};
    EXPECT_TRUE(write_entries(old, writes));
    EXPECT_EQ(read_file(old),
              "[A]\r\nx=9\r\nbare=5\r\nnew=6\r\n\r\n[B]\r\nz=3\r\n[a]\r\nw=4\r\n[C]\r\nv=7\r\n");
}

TEST(ProfileDocumentSet, KeepsEverythingItDoesNotSetByteForByte) {
    struct Case {
        const char* label;
        std::string before;
        std::vector<ProfileEntry> writes;
        std::string after;
    } cases[] = {
        {"comments, blanks and LF kept; value replaced without its blanks",
         "; top\n\n[S]\n  k  =  old  \n; inside\n\n\n[T]\nz=1\n",
         {{"S", "k", "new"}, {"S", "n", "added"}},
         "; top\n\n[S]\nk=new\n; inside\nn=added\r\n\n\n[T]\nz=1\n"},
        {"a file without a last line end gets one before what follows",
         "[S]\r\nk=1", {{"S", "m", "2"}}, "[S]\r\nk=1\r\nm=2\r\n"},
        {"a new section after a last line without end", "[S]\r\nk=1", {{"T", "m", "2"}},
         "[S]\r\nk=1\r\n[T]\r\nm=2\r\n"},
        {"a header without keys", "[S]", {{"S", "k", "v"}}, "[S]\r\nk=v\r\n"},
        {"a byte order mark stays in front", "\xEF\xBB\xBF[S]\r\nk=1\r\n", {{"S", "k", "2"}},
         "\xEF\xBB\xBF[S]\r\nk=2\r\n"},
        {"a byte order mark alone", "\xEF\xBB\xBF", {{"S", "k", "v"}},
         "\xEF\xBB\xBF\r\n[S]\r\nk=v\r\n"},
        {"the same value is no change", "[S]\r\n k = v \r\n", {{"s", "K", "v"}},
         "[S]\r\n k = v \r\n"},
        {"a key of the second section of a name goes to the first",
         "[S]\r\nk=1\r\n[T]\r\n[S]\r\nm=2\r\n", {{"S", "m", "3"}},
         "[S]\r\nk=1\r\nm=3\r\n[T]\r\n[S]\r\nm=2\r\n"},
        {"a key line without value gets one, named as in the file", "[S]\r\nMy Key\r\n",
         {{"S", "my key", "v"}}, "[S]\r\nMy Key=v\r\n"},
        {"names the file cannot hold are refused", "[S]\r\n",
         {{"S", "a=b", "1"}, {"S", "[x]", "1"}, {"S", "", "1"}, {" ", "k", "1"},
          {"S\r\nT", "k", "1"}, {"S", "k\nj", "1"}},
         "[S]\r\n"},
        {"value up to NUL and line break, leading blanks dropped", "",
         {{"S", "a", std::string(" \tx\0y", 5)}, {"S", "b", "x\ny"}, {"S", "c", "x \t"}},
         "[S]\r\na=x\r\nb=x\r\nc=x \t\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        ProfileDocument document = ProfileDocument::parse(c.before);
        document.apply(c.writes);
        EXPECT_EQ(document.text(), c.after);
        EXPECT_EQ(document.changed(), c.after != c.before);
        // What was written is what a fresh reader finds.
        const ProfileDocument again = ProfileDocument::parse(document.text());
        for (const ProfileEntry& entry : c.writes)
            EXPECT_EQ(again.find(entry.section, entry.key), document.find(entry.section, entry.key));
    }
    ProfileDocument refused;
    EXPECT_FALSE(refused.apply({{"S", "ok", "1"}, {"S", "a=b", "1"}, {"S", "also", "2"}}));
    EXPECT_EQ(refused.text(), "[S]\r\nok=1\r\nalso=2\r\n");
}

TEST(ProfileDocumentSet, HugeLinesSurviveAWrite) {
    TempDir dir;
    std::string file = dir.file("huge.ini");
    std::string garbage(3 << 20, 'g'), value(2 << 20, 'v');
    std::string original = "[A]\r\n" + garbage + "\r\nbig=" + value + "\r\nx=1\r\n";
    write_file(file, original);
    EXPECT_EQ(loaded(file).find("A", "big"), value);
    EXPECT_TRUE(write_entries(file, {{"A", "x", "2"}}));
    EXPECT_EQ(read_file(file), "[A]\r\n" + garbage + "\r\nbig=" + value + "\r\nx=2\r\n");
}

TEST(ProfileDocumentEncoding, OldAnsiFilesAreReadAndSavedAsUtf8) {
    if (!western_code_page()) GTEST_SKIP() << "the expected texts are Windows-1252's";
    TempDir dir;
    const std::string file = dir.file("old.ini");
    // "café" with the Windows-1252 e acute, written by an older version.
    write_file(file, "[Input]\r\nInput Directory 001=D:\\Caf\xe9\r\nx=1\r\n");
    ProfileDocument document;
    ASSERT_EQ(document.load(file), ProfileLoad::Loaded);
    EXPECT_EQ(document.encoding(), ProfileEncoding::Ansi);
    EXPECT_EQ(document.find("Input", "Input Directory 001"), "D:\\Caf\xc3\xa9");
    EXPECT_TRUE(document.changed());
    ASSERT_TRUE(document.save(file));
    EXPECT_EQ(read_file(file), "[Input]\r\nInput Directory 001=D:\\Caf\xc3\xa9\r\nx=1\r\n");
    EXPECT_EQ(loaded(file).encoding(), ProfileEncoding::Utf8);
    EXPECT_EQ(loaded(file).find("Input", "Input Directory 001"), "D:\\Caf\xc3\xa9");
}

TEST(ProfileDocumentEncoding, EachKindOfFileIsRecognised) {
    if (!western_code_page()) GTEST_SKIP() << "the expected texts are Windows-1252's";
    struct Case {
        const char* label;
        std::string bytes;
        ProfileEncoding encoding;
        std::string value;
    } cases[] = {
        {"ASCII", "[S]\r\nk=v\r\n", ProfileEncoding::Utf8, "v"},
        {"UTF-8", "[S]\r\nk=" + japanese + "\r\n", ProfileEncoding::Utf8, japanese},
        {"UTF-8 with a mark", "\xEF\xBB\xBF[S]\r\nk=" + japanese, ProfileEncoding::Utf8, japanese},
        {"a mark before ANSI", "\xEF\xBB\xBF[S]\r\nk=\xe9", ProfileEncoding::Ansi, "\xc3\xa9"},
        {"UTF-16 little-endian", std::string("\xFF\xFE[\0S\0]\0\n\0k\0=\0\xe5\x65", 16),
         ProfileEncoding::Utf16, "\xe6\x97\xa5"},
        {"UTF-16 big-endian", std::string("\xFE\xFF\0[\0S\0]\0\n\0k\0=\x65\xe5", 16),
         ProfileEncoding::Utf16, "\xe6\x97\xa5"},
        {"a cut character", "[S]\r\nk=\xe6\x97", ProfileEncoding::Ansi, "\xc3\xa6\xe2\x80\x94"},
        {"an overlong slash", "[S]\r\nk=\xc0\xaf", ProfileEncoding::Ansi, "\xc3\x80\xc2\xaf"},
        {"a surrogate", "[S]\r\nk=\xed\xa0\x80", ProfileEncoding::Ansi,
         "\xc3\xad\xc2\xa0\xe2\x82\xac"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const ProfileDocument document = ProfileDocument::parse(c.bytes);
        EXPECT_EQ(document.encoding(), c.encoding);
        EXPECT_EQ(document.changed(), c.encoding != ProfileEncoding::Utf8);
        EXPECT_EQ(document.find("S", "k"), c.value);
    }
}

// Found by the fuzzer: a UTF-16 file whose text starts with a second mark. Converted, that
// mark is the UTF-8 one, and a reader of the saved file must see the same first line.
TEST(ProfileDocumentEncoding, AMarkInsideAUtf16FileBecomesTheUtf8Mark) {
    const ProfileDocument document = ProfileDocument::parse(
        std::string("\xFF\xFE\xFF\xFE[\0S\0]\0\r\0\n\0k\0=\0v\0", 20));
    EXPECT_EQ(document.text(), "\xEF\xBB\xBF[S]\r\nk=v");
    EXPECT_EQ(document.find("S", "k"), "v");
    EXPECT_EQ(ProfileDocument::parse(document.text()).find("S", "k"), "v");
}

TEST(ProfileDocumentEncoding, JapaneseValuesRoundTrip) {
    TempDir dir;
    const std::string file = dir.file("BRELO.ini");
    const std::vector<ProfileEntry> writes = {
        {"Input", "Input Directory 001", "D:\\" + japanese + "\\" + test_katakana},
        {"Input", "File Patterns 001", "*." + japanese + "|*.txt"},
        {"Converter", "Converter001_Title", "\"" + japanese + " \""},
        {japanese, test_katakana, japanese}};
    ASSERT_TRUE(write_entries(file, writes));
    const std::string bytes = read_file(file);
    EXPECT_EQ(bytes.substr(0, 3), "[In");  // no byte order mark
    const ProfileDocument document = loaded(file);
    EXPECT_EQ(document.encoding(), ProfileEncoding::Utf8);
    EXPECT_FALSE(document.changed());
    EXPECT_EQ(document.find("Input", "Input Directory 001"), writes[0].value);
    EXPECT_EQ(document.find("Input", "File Patterns 001"), writes[1].value);
    EXPECT_EQ(document.find("Converter", "Converter001_Title"), japanese + " ");
    EXPECT_EQ(document.find(japanese, test_katakana), japanese);
}

// The window still hands over texts in the system's code page; converting them keeps the file
// UTF-8 as a whole, so the next load does not take every other value for ANSI.
TEST(ProfileDocumentEncoding, TextsThatAreNotUtf8AreConvertedOnTheWayIn) {
    if (!western_code_page()) GTEST_SKIP() << "the expected texts are Windows-1252's";
    ProfileDocument document = ProfileDocument::parse("[S]\r\nj=" + japanese + "\r\n");
    ASSERT_TRUE(document.set({"S", "k", "Caf\xe9"}));
    const ProfileDocument again = ProfileDocument::parse(document.text());
    EXPECT_EQ(again.encoding(), ProfileEncoding::Utf8);
    EXPECT_EQ(again.find("S", "k"), "Caf\xc3\xa9");
    EXPECT_EQ(again.find("S", "j"), japanese);
}

TEST(ProfileDocumentSave, WritesOnlyWhatChangedAndNeverAFileItCouldNotRead) {
    TempDir dir;
    const std::string file = dir.file("BRELO.ini");
    write_file(file, "[S]\r\nk=v\r\n");
    ProfileDocument document;
    ASSERT_EQ(document.load(file), ProfileLoad::Loaded);
    const ProfileFileCounts before = profile_file_counts();
    document.set({"S", "k", "v"});
    EXPECT_TRUE(document.save(file));
    EXPECT_EQ(profile_file_counts().writes, before.writes);

    ProfileDocument missing;
    EXPECT_EQ(missing.load(dir.file("none.ini")), ProfileLoad::Missing);
    EXPECT_TRUE(missing.save(dir.file("none.ini")));
    EXPECT_FALSE(test_support::file_exists(dir.file("none.ini")));
    missing.set({"S", "k", "v"});
    EXPECT_TRUE(missing.save(dir.file("none.ini")));
    EXPECT_EQ(read_file(dir.file("none.ini")), "[S]\r\nk=v\r\n");

    fs::create_directory(dir.file("folder.ini"));
    ProfileDocument unreadable;
    EXPECT_EQ(unreadable.load(dir.file("folder.ini")), ProfileLoad::Failed);
    unreadable.set({"S", "k", "v"});
    EXPECT_FALSE(unreadable.save(dir.file("folder.ini")));
    EXPECT_TRUE(fs::is_directory(dir.file("folder.ini")));
}
