// Files named in UTF-8 and arguments in UTF-8, whatever script the names are in.
#include "file_system.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Support/temp_dir.h"

namespace {

using test_support::file_exists;
using test_support::read_file;
using test_support::TempDir;
using test_support::write_file;

// Japanese, Korean, an accent and an emoji: none of them fits the ANSI code page of the others.
const std::vector<std::string> names = {
    "\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e.txt", "\xed\x95\x9c\xea\xb5\xad.txt", "caf\xc3\xa9.txt",
    "\xf0\x9f\x98\x80.txt"};

TEST(FileNames, FilesNamedInAnyScriptAreOpenedAndRemoved) {
    TempDir dir;
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        const std::string path = dir.file(name);
        std::FILE* out = open_file(path, "wb");
        ASSERT_NE(out, nullptr);
        std::fputs(name.c_str(), out);
        std::fclose(out);
        EXPECT_EQ(read_file(path), name);

        write_file(path, "written by another");
        std::FILE* in = open_file(path, "rb");
        ASSERT_NE(in, nullptr);
        char text[64] = {};
        EXPECT_EQ(std::fread(text, 1, sizeof text - 1, in), 18u);
        std::fclose(in);
        EXPECT_EQ(std::string(text), "written by another");

        EXPECT_TRUE(remove_file(path));
        EXPECT_FALSE(file_exists(path));
        EXPECT_FALSE(remove_file(path));
        EXPECT_EQ(open_file(path, "rb"), nullptr);
    }
}

#ifdef _WIN32
TEST(FileNames, WideArgumentsComeOutAsUtf8) {
    wchar_t program[] = L"C:\\Tools\\hashmd5.exe";
    wchar_t japanese[] = L"\u65e5\u672c\u8a9e.txt";
    wchar_t emoji[] = L"\U0001F600 x";
    wchar_t empty[] = L"";
    wchar_t* argv[] = {program, japanese, emoji, empty};
    EXPECT_EQ(utf8_arguments(4, argv),
              (std::vector<std::string>{"C:\\Tools\\hashmd5.exe", names[0], "\xf0\x9f\x98\x80 x",
                                        ""}));
    EXPECT_EQ(utf8_to_wide(names[0]), std::wstring(japanese));
    EXPECT_EQ(utf8_to_wide(""), L"");
}
#endif

}  // namespace
