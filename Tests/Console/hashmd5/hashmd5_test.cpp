// hashmd5 as a user runs it: arguments, messages, exit codes and the output file.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "Support/run_program.h"
#include "Support/temp_dir.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

using test_support::file_exists;
using test_support::read_file;
using test_support::run_program;
using test_support::TempDir;
using test_support::write_file;

const std::string& line_end = test_support::text_line_end;
const std::string success = "Encrypt successful." + line_end;
const std::string failure = "Encrypt failed." + line_end;

TEST(Hashmd5, WithoutArgumentsPrintsBannerAndUsage) {
    auto result = run_program("hashmd5", {});
    EXPECT_EQ(result.exit_code, 0);
    EXPECT_NE(result.output.find("hashmd5 [Input File] [Output File]" + line_end), std::string::npos)
        << result.output;
}

TEST(Hashmd5, WrongArgumentCountPrintsNothing) {
    TempDir dir;
    write_file(dir.file("in"), "abc");
    for (const auto& args : {std::vector<std::string>{dir.file("in")},
                             std::vector<std::string>{dir.file("in"), dir.file("out"), "x"}}) {
        auto result = run_program("hashmd5", args);
        EXPECT_EQ(result.exit_code, 1);
        EXPECT_EQ(result.output, "");
    }
    EXPECT_FALSE(file_exists(dir.file("out")));
}

TEST(Hashmd5, WritesThirtyTwoUpperCaseDigitsWithoutLineEnd) {
    TempDir dir;
    write_file(dir.file("in file.txt"), "message digest");
    auto result = run_program("hashmd5", {dir.file("in file.txt"), dir.file("out file.md5")});
    EXPECT_EQ(result.exit_code, 0);
    EXPECT_EQ(result.output, success);
    EXPECT_EQ(read_file(dir.file("out file.md5")), "F96B697D7CB7938D525A2F31AAF161D0");
}

TEST(Hashmd5, EmptyInputAndExistingOutputGiveTheEmptyDigest) {
    TempDir dir;
    write_file(dir.file("empty"), "");
    write_file(dir.file("out"), std::string(100, 'x'));
    auto result = run_program("hashmd5", {dir.file("empty"), dir.file("out")});
    EXPECT_EQ(result.exit_code, 0);
    EXPECT_EQ(read_file(dir.file("out")), "D41D8CD98F00B204E9800998ECF8427E");
}

TEST(Hashmd5, LargeFileIsStreamedWhole) {
    TempDir dir;
    std::string data(3 * 4096 + 17, '\0');
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>((i * 7 + 3) & 0xFF);
    write_file(dir.file("in"), data.substr(0, 10000));
    auto result = run_program("hashmd5", {dir.file("in"), dir.file("out")});
    EXPECT_EQ(result.exit_code, 0);
    EXPECT_EQ(read_file(dir.file("out")), "941546D1C333E2F0D9EFD902E5CB94B7");
}

TEST(Hashmd5, UnopenableInputFailsWithoutCreatingOutput) {
    TempDir dir;
    struct Row {
        const char* label;
        std::string input;
    };
    const Row rows[] = {{"missing", dir.file("missing")}, {"directory", dir.path()}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        auto result = run_program("hashmd5", {row.input, dir.file("out")});
        EXPECT_EQ(result.exit_code, 1);
        EXPECT_EQ(result.output, failure);
        EXPECT_FALSE(file_exists(dir.file("out")));
    }
}

TEST(Hashmd5, UnopenableOutputFails) {
    TempDir dir;
    write_file(dir.file("in"), "abc");
    struct Row {
        const char* label;
        std::string output;
    };
    const Row rows[] = {{"missing directory", dir.file("no-such-dir") + "/out"},
                        {"directory", dir.path()}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        auto result = run_program("hashmd5", {dir.file("in"), row.output});
        EXPECT_EQ(result.exit_code, 1);
        EXPECT_EQ(result.output, failure);
    }
    EXPECT_EQ(read_file(dir.file("in")), "abc");
}

TEST(Hashmd5, OutputNamingTheInputIsRefusedAndTheInputKept) {
    TempDir dir;
    write_file(dir.file("data.txt"), "precious");
    std::vector<std::string> spellings = {dir.file("data.txt"),
                                          dir.file("sub") + "/../data.txt"};
    std::filesystem::create_directory(dir.file("sub"));
#ifdef _WIN32
    spellings.push_back(dir.file("DATA.TXT"));
#else
    ASSERT_EQ(link(dir.file("data.txt").c_str(), dir.file("hard-link").c_str()), 0);
    ASSERT_EQ(symlink(dir.file("data.txt").c_str(), dir.file("soft-link").c_str()), 0);
    spellings.push_back(dir.file("hard-link"));
    spellings.push_back(dir.file("soft-link"));
#endif
    for (const auto& output : spellings) {
        SCOPED_TRACE(output);
        auto result = run_program("hashmd5", {dir.file("data.txt"), output});
        EXPECT_EQ(result.exit_code, 1);
        EXPECT_EQ(result.output, failure);
        EXPECT_EQ(read_file(dir.file("data.txt")), "precious");
    }
}

#ifndef _WIN32
TEST(Hashmd5, UnreadableInputFails) {
    if (geteuid() == 0) GTEST_SKIP() << "root reads every file";
    TempDir dir;
    write_file(dir.file("in"), "abc");
    chmod(dir.file("in").c_str(), 0);
    auto result = run_program("hashmd5", {dir.file("in"), dir.file("out")});
    EXPECT_EQ(result.exit_code, 1);
    EXPECT_EQ(result.output, failure);
    EXPECT_FALSE(file_exists(dir.file("out")));
}
#endif

}  // namespace
