// hashmd5 as a user runs it: arguments, messages, exit codes and the output file.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "Support/run_program.h"
#include "Support/temp_dir.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

using test_support::file_exists;
using test_support::names_in;
using test_support::program_path;
using test_support::ProgramResult;
using test_support::read_file;
using test_support::run_command;
using test_support::run_program;
using test_support::shell_quote;
using test_support::TempDir;
using test_support::write_file;

const std::string& line_end = test_support::text_line_end;
const std::string success = "Encrypt successful." + line_end;
const std::string failure = "Encrypt failed." + line_end;

#ifndef _WIN32
// Runs hashmd5 allowed to write files of at most blocks * 512 bytes, with the signal for passing
// the limit ignored, so that a longer write fails as on a full disk, for root too.
ProgramResult run_with_file_size_limit(int blocks, const std::vector<std::string>& args) {
    std::string command = "trap '' XFSZ; ulimit -f " + std::to_string(blocks) + "; exec " +
                          shell_quote(program_path("hashmd5"));
    for (const auto& arg : args) command += " " + shell_quote(arg);
    return run_command(command);
}
#endif

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

// The arguments are read as the system keeps them, so names no ANSI code page spells reach
// their files: the digest, its name, no temporary file left, and the input refused as output.
TEST(Hashmd5, NamesInAnyScriptAreReadAndWritten) {
    const struct {
        const char* label;
        std::string input, output;
    } rows[] = {
        {"Japanese", "\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e.txt", "\xe6\x97\xa5\xe6\x9c\xac.md5"},
        {"Korean", "\xed\x95\x9c\xea\xb5\xad.txt", "\xed\x95\x9c.md5"},
        {"accent", "caf\xc3\xa9.txt", "caf\xc3\xa9.md5"},
        {"emoji", "\xf0\x9f\x98\x80.txt", "\xf0\x9f\x98\x80 digest.md5"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        TempDir dir;
        write_file(dir.file(row.input), "abc");
        auto result = run_program("hashmd5", {dir.file(row.input), dir.file(row.output)});
        EXPECT_EQ(result.exit_code, 0);
        EXPECT_EQ(result.output, success);
        EXPECT_EQ(read_file(dir.file(row.output)), "900150983CD24FB0D6963F7D28E17F72");
        std::vector<std::string> expected = {row.input, row.output};
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(names_in(dir.path()), expected);

        result = run_program("hashmd5", {dir.file(row.input), dir.file(row.input)});
        EXPECT_EQ(result.exit_code, 1);
        EXPECT_EQ(result.output, failure);
        EXPECT_EQ(read_file(dir.file(row.input)), "abc");
    }
}

TEST(Hashmd5, EmptyInputAndExistingOutputGiveTheEmptyDigest) {
    TempDir dir;
    write_file(dir.file("empty"), "");
    write_file(dir.file("out"), std::string(100, 'x'));
    auto result = run_program("hashmd5", {dir.file("empty"), dir.file("out")});
    EXPECT_EQ(result.exit_code, 0);
    EXPECT_EQ(read_file(dir.file("out")), "D41D8CD98F00B204E9800998ECF8427E");
    // The digest replaced the old output; no temporary file is left beside it.
    EXPECT_EQ(names_in(dir.path()), (std::vector<std::string>{"empty", "out"}));
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
    // A folder that is a file fails for root too, where permissions would not.
    const Row rows[] = {{"missing directory", dir.file("no-such-dir") + "/out"},
                        {"directory", dir.path()},
                        {"folder that is a file", dir.file("in") + "/out"}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        auto result = run_program("hashmd5", {dir.file("in"), row.output});
        EXPECT_EQ(result.exit_code, 1);
        EXPECT_EQ(result.output, failure);
    }
    EXPECT_EQ(read_file(dir.file("in")), "abc");
    EXPECT_EQ(names_in(dir.path()), std::vector<std::string>{"in"});
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

#ifdef _WIN32
TEST(Hashmd5, NulDeviceAsOutputSucceeds) {
    TempDir dir;
    write_file(dir.file("in"), "abc");
    auto result = run_program("hashmd5", {dir.file("in"), "NUL"});
    EXPECT_EQ(result.exit_code, 0);
    EXPECT_EQ(result.output, success);
    EXPECT_EQ(names_in(dir.path()), std::vector<std::string>{"in"});
}
#else
TEST(Hashmd5, FailedWriteReportsFailureAndKeepsTheOldOutput) {
    struct Row {
        const char* label;
        const char* output;      // in the folder, or a device
        const char* old_output;  // null: none
        int size_limit_blocks;   // -1: none
    };
    const Row rows[] = {{"full device", "/dev/full", nullptr, -1},
                        {"full disk, new output", "out", nullptr, 0},
                        {"full disk, old output", "out", "F96B697D7CB7938D525A2F31AAF161D0", 0}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        TempDir dir;
        write_file(dir.file("in"), "abc");
        const std::string output = row.output[0] == '/' ? row.output : dir.file(row.output);
        if (row.old_output) write_file(output, row.old_output);
        const auto before = names_in(dir.path());
        const std::vector<std::string> args = {dir.file("in"), output};
        auto result = row.size_limit_blocks < 0
                          ? run_program("hashmd5", args)
                          : run_with_file_size_limit(row.size_limit_blocks, args);
        EXPECT_EQ(result.exit_code, 1);
        EXPECT_EQ(result.output, failure);
        EXPECT_EQ(names_in(dir.path()), before);
        if (row.old_output) {
            EXPECT_EQ(read_file(output), row.old_output);
        }
    }
}

TEST(Hashmd5, StandardOutputAsOutputIsWrittenDirectly) {
    TempDir dir;
    write_file(dir.file("in"), "abc");
    auto result = run_program("hashmd5", {dir.file("in"), "/dev/stdout"});
    EXPECT_EQ(result.exit_code, 0);
    EXPECT_EQ(result.output, "900150983CD24FB0D6963F7D28E17F72" + success);
    EXPECT_EQ(names_in(dir.path()), std::vector<std::string>{"in"});
}

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
