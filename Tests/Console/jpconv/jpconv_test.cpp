// jpconv as a user runs it: options, messages, exit codes and the files it reads and writes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "Support/run_program.h"
#include "Support/temp_dir.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <sys/wait.h>
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
const std::string success = "Convertion successful." + line_end;
const std::string failure = "Convertion failed." + line_end;

const char* const all_options[] = {"-sjis", "-euc", "-newjis", "-oldjis", "-necjis", "-fullsize"};

// Shift_JIS text of about size bytes: kanji rows and ASCII, many lines, so that a conversion
// takes long enough for two runs to overlap.
std::string shift_jis_text(std::size_t size) {
    std::string text;
    for (unsigned line = 0; text.size() < size; ++line) {
        for (unsigned i = 0; i < 30; ++i) {
            text += static_cast<char>(0x89 + (line + i) % 0x17);
            text += static_cast<char>(0x40 + (line * 7 + i) % 0x3F);
        }
        text += " line " + std::to_string(line) + "\r\n";
    }
    return text;
}

std::string command_line(const std::vector<std::string>& args) {
    std::string command = shell_quote(program_path("jpconv"));
    for (const auto& arg : args) command += " " + shell_quote(arg);
    return command;
}

// Starts jpconv without waiting for it; finish_program collects what it printed and its exit
// code. Two started before either is finished run at the same time.
std::FILE* start_program(const std::vector<std::string>& args) {
#ifdef _WIN32
    // cmd /c strips one pair of outer quotes from the whole line; give it one to strip.
    return _popen(("\"" + command_line(args) + "\"").c_str(), "rb");
#else
    return popen(command_line(args).c_str(), "r");
#endif
}

ProgramResult finish_program(std::FILE* pipe) {
    ProgramResult result;
    if (!pipe) return result;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) result.output.append(buffer, n);
#ifdef _WIN32
    result.exit_code = _pclose(pipe);
#else
    const int status = pclose(pipe);
    result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
    return result;
}

TEST(Jpconv, WithoutArgumentsPrintsBannerAndUsageNamingEveryOption) {
    auto result = run_program("jpconv", {});
    EXPECT_EQ(result.exit_code, 0);
    std::size_t usage = result.output.find("[Input File] [Output File]" + line_end);
    ASSERT_NE(usage, std::string::npos) << result.output;
    // The banner comes first, on a line of its own.
    EXPECT_NE(result.output.find(line_end), usage + std::string("[Input File] [Output File]").size());
    for (const char* option : all_options) EXPECT_NE(result.output.find(option), std::string::npos);
}

TEST(Jpconv, WrongArgumentsPrintNothingAndFail) {
    TempDir dir;
    write_file(dir.file("in"), "abc");
    const std::string in = dir.file("in");
    const std::string out = dir.file("out");
    const std::vector<std::vector<std::string>> rows = {
        {"-sjis"},
        {"-sjis", in},
        {"-sjis", in, out, "extra"},
        {"-sj", in, out},
        {"sjis", in, out},
        {"-sjis ", in, out},
        {"-", in, out},
        {in, "-euc", out},
    };
    for (const auto& args : rows) {
        SCOPED_TRACE(args[0] + " with " + std::to_string(args.size()) + " arguments");
        auto result = run_program("jpconv", args);
        EXPECT_EQ(result.exit_code, 1);
        EXPECT_EQ(result.output, "");
        EXPECT_FALSE(file_exists(out));
    }
}

TEST(Jpconv, OptionsIgnoreTheCaseOfLetters) {
    TempDir dir;
    write_file(dir.file("in"), "\x88\x9F\r\n");
    struct Row {
        const char* option;
        std::string output;
    };
    const Row rows[] = {{"-Euc", "\xB0\xA1\r\n"},
                        {"-EUC", "\xB0\xA1\r\n"},
                        {"-SJIS", "\x88\x9F\r\n"},
                        {"-NewJis", "\x1B$B0!\x1B(J\r\n"},
                        {"-OLDJIS", "\x1B$@0!\x1B(J\r\n"},
                        {"-necJIS", "\x1BK0!\x1BH\r\n"},
                        {"-FullSize", "\x88\x9F\r\n"}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.option);
        auto result = run_program("jpconv", {row.option, dir.file("in"), dir.file("out")});
        EXPECT_EQ(result.exit_code, 0);
        EXPECT_EQ(result.output, success);
        EXPECT_EQ(read_file(dir.file("out")), row.output);
    }
}

TEST(Jpconv, PlainTextIsCopiedWithCarriageReturnLineFeedLines) {
    TempDir dir;
    write_file(dir.file("in"), "one\ntwo\r\nthree\rfour\x0C\n");
    for (const char* option : all_options) {
        SCOPED_TRACE(option);
        auto result = run_program("jpconv", {option, dir.file("in"), dir.file("out")});
        EXPECT_EQ(result.exit_code, 0);
        EXPECT_EQ(result.output, success);
        EXPECT_EQ(read_file(dir.file("out")), "one\r\ntwo\r\nthree\rfour\x0C\r\n");
    }
}

TEST(Jpconv, CarriageReturnLineFeedLinesAreNotDoubled) {
    TempDir dir;
    write_file(dir.file("in.sjis"), "\x88\x9F\r\nabc\r\n\xB1\r\n");
    auto result = run_program("jpconv", {"-euc", dir.file("in.sjis"), dir.file("out.euc")});
    EXPECT_EQ(result.output, success);
    EXPECT_EQ(read_file(dir.file("out.euc")), "\xB0\xA1\r\nabc\r\n\x8E\xB1\r\n");
    result = run_program("jpconv", {"-sjis", dir.file("out.euc"), dir.file("back.sjis")});
    EXPECT_EQ(result.output, success);
    EXPECT_EQ(read_file(dir.file("back.sjis")), read_file(dir.file("in.sjis")));
}

TEST(Jpconv, TextAfterTheEndMarkIsNotConverted) {
    TempDir dir;
    write_file(dir.file("in"), "\x88\x9F\x1A\x88\x9F");
    auto result = run_program("jpconv", {"-euc", dir.file("in"), dir.file("out")});
    EXPECT_EQ(result.output, success);
    EXPECT_EQ(read_file(dir.file("out")), "\xB0\xA1");
}

TEST(Jpconv, EucLookingPairFollowedByShiftJisIsConvertedAsShiftJis) {
    TempDir dir;
    // 0xB0 0xA1 is one EUC-JP kanji, but as Shift_JIS it is two half-width katakana.
    write_file(dir.file("in"), "\xB0\xA1 \x88\x9F");
    auto result = run_program("jpconv", {"-euc", dir.file("in"), dir.file("out")});
    EXPECT_EQ(result.output, success);
    EXPECT_EQ(read_file(dir.file("out")), "\x8E\xB0\x8E\xA1 \xB0\xA1");
}

TEST(Jpconv, FullsizeWidensKatakanaAndKeepsTheEncoding) {
    TempDir dir;
    struct Row {
        const char* label;
        std::string input;
        std::string output;
    };
    const Row rows[] = {
        {"Shift_JIS", "\x88\x9F\xB6\xDE\xCA\xDF\xB1\r\n", "\x88\x9F\x83\x4B\x83\x70\x83\x41\r\n"},
        {"EUC-JP", "\xB0\xA1\x8E\xB6\x8E\xDE\r\n", "\xB0\xA1\xA5\xAC\r\n"},
        {"7-bit JIS kept", "\x1B$B0!\x1B(B\r\n", "\x1B$B0!\x1B(B\r\n"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        write_file(dir.file("in"), row.input);
        auto result = run_program("jpconv", {"-fullsize", dir.file("in"), dir.file("out")});
        EXPECT_EQ(result.exit_code, 0);
        EXPECT_EQ(result.output, success);
        EXPECT_EQ(read_file(dir.file("out")), row.output);
    }
}

TEST(Jpconv, EmptyInputGivesEmptyOutputReplacingAnOldOne) {
    TempDir dir;
    write_file(dir.file("empty"), "");
    write_file(dir.file("out"), std::string(100, 'x'));
    auto result = run_program("jpconv", {"-newjis", dir.file("empty"), dir.file("out")});
    EXPECT_EQ(result.exit_code, 0);
    EXPECT_EQ(result.output, success);
    EXPECT_TRUE(file_exists(dir.file("out")));
    EXPECT_EQ(read_file(dir.file("out")), "");
}

TEST(Jpconv, ConvertingAFileIntoItselfReplacesItWithTheConvertedText) {
    const std::string original = "\x88\x9F\r\n";
    const std::string converted = "\xB0\xA1\r\n";
    struct Row {
        const char* label;
        std::string output;  // relative to the folder
        std::string input_after;
    };
    std::vector<Row> rows = {{"same name", "data.txt", converted},
                             {"other spelling", "sub/../data.txt", converted}};
#ifdef _WIN32
    rows.push_back({"other case", "DATA.TXT", converted});
#else
    rows.push_back({"symbolic link", "soft-link", converted});
    // The converted text is a new file under the link's name; the other name keeps the old text.
    rows.push_back({"hard link", "hard-link", original});
#endif
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        TempDir dir;
        std::filesystem::create_directory(dir.file("sub"));
        write_file(dir.file("data.txt"), original);
#ifndef _WIN32
        ASSERT_EQ(link(dir.file("data.txt").c_str(), dir.file("hard-link").c_str()), 0);
        ASSERT_EQ(symlink(dir.file("data.txt").c_str(), dir.file("soft-link").c_str()), 0);
#endif
        const auto before = names_in(dir.path());
        auto result = run_program("jpconv", {"-euc", dir.file("data.txt"), dir.file(row.output)});
        EXPECT_EQ(result.exit_code, 0);
        EXPECT_EQ(result.output, success);
        EXPECT_EQ(read_file(dir.file(row.output)), converted);
        EXPECT_EQ(read_file(dir.file("data.txt")), row.input_after);
        // The converted text took the output's name; no temporary file is left behind.
        EXPECT_EQ(names_in(dir.path()), before);
    }
}

// The arguments are read as the system keeps them: a file named in Japanese is converted to a
// Japanese name, and in place.
TEST(Jpconv, FilesNamedInJapaneseAreConvertedToJapaneseNamesAndInPlace) {
    const std::string original = "\x93\xfa\x96\x7b\x8c\xea\r\n";  // 日本語 in Shift_JIS
    const std::string converted = "\xc6\xfc\xcb\xdc\xb8\xec\r\n";  // in EUC-JP
    TempDir dir;
    const std::string input = dir.file("\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e.txt");  // 日本語
    const std::string output = dir.file("\xe5\xa4\x89\xe6\x8f\x9b.txt");                // 変換
    write_file(input, original);
    auto result = run_program("jpconv", {"-euc", input, output});
    EXPECT_EQ(result.exit_code, 0);
    EXPECT_EQ(result.output, success);
    EXPECT_EQ(read_file(output), converted);
    EXPECT_EQ(read_file(input), original);

    result = run_program("jpconv", {"-EUC", input, input});
    EXPECT_EQ(result.exit_code, 0);
    EXPECT_EQ(result.output, success);
    EXPECT_EQ(read_file(input), converted);
    std::vector<std::string> names;
    for (const auto& entry :
         std::filesystem::directory_iterator(test_support::native_path(dir.path()))) {
        names.push_back(entry.path().filename().u8string());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"\xe5\xa4\x89\xe6\x8f\x9b.txt",
                                               "\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e.txt"}));
}

TEST(Jpconv, FailedConversionLeavesTheOldOutputAsItWas) {
    TempDir dir;
    std::filesystem::create_directory(dir.file("folder"));
    write_file(dir.file("in"), "\x88\x9F");
    write_file(dir.file("out"), "old output");
    struct Row {
        const char* label;
        std::string input;
        std::string output;
    };
    const Row rows[] = {{"input is a folder", dir.file("folder"), dir.file("out")},
                        {"missing input", dir.file("missing"), dir.file("out")},
                        {"output folder is a file", dir.file("in"), dir.file("out") + "/x"}};
    const auto before = names_in(dir.path());
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        auto result = run_program("jpconv", {"-euc", row.input, row.output});
        EXPECT_EQ(result.exit_code, 1);
        EXPECT_EQ(result.output, failure);
        EXPECT_EQ(read_file(dir.file("out")), "old output");
        EXPECT_EQ(read_file(dir.file("in")), "\x88\x9F");
        EXPECT_EQ(names_in(dir.path()), before);
    }
}

TEST(Jpconv, FilesNamedLikeTemporaryFilesAreLeftAlone) {
    TempDir dir;
    write_file(dir.file("data.txt"), "\x88\x9F\r\n");
    // Every name an earlier version could pick, and names in the present form.
    std::vector<std::string> others;
    for (int i = 0; i < 1000; ++i) others.push_back("data.txt.jpconv" + std::to_string(i) + ".tmp");
    others.push_back(".jpconv-000000000000.tmp");
    others.push_back(".jpconv-ffffffffffff.tmp");
    for (const auto& name : others) write_file(dir.file(name), "user's " + name);
    const auto before = names_in(dir.path());
    for (const auto& output : {std::string("data.txt"), std::string("other.txt")}) {
        SCOPED_TRACE(output);
        auto result = run_program("jpconv", {"-euc", dir.file("data.txt"), dir.file(output)});
        EXPECT_EQ(result.exit_code, 0);
        EXPECT_EQ(result.output, success);
        EXPECT_EQ(read_file(dir.file(output)), "\xB0\xA1\r\n");
    }
    for (const auto& name : others) {
        if (read_file(dir.file(name)) != "user's " + name) ADD_FAILURE() << name << " was changed";
    }
    auto after = names_in(dir.path());
    after.erase(std::remove(after.begin(), after.end(), "other.txt"), after.end());
    EXPECT_EQ(after, before);
}

TEST(Jpconv, ConcurrentInPlaceConversionsLeaveOneWholeResult) {
    TempDir dir;
#ifdef _WIN32
    // Wine starts a program slowly; a longer text keeps the two runs overlapping.
    const std::string original = shift_jis_text(4 * 1024 * 1024);
#else
    const std::string original = shift_jis_text(512 * 1024);
#endif
    // The two results, made one after the other.
    write_file(dir.file("data"), original);
    ASSERT_EQ(run_program("jpconv", {"-euc", dir.file("data"), dir.file("euc")}).output, success);
    ASSERT_EQ(run_program("jpconv", {"-newjis", dir.file("data"), dir.file("jis")}).output, success);
    const std::string euc = read_file(dir.file("euc"));
    const std::string jis = read_file(dir.file("jis"));
    std::filesystem::remove(dir.file("euc"));
    std::filesystem::remove(dir.file("jis"));
    ASSERT_NE(euc, jis);
    for (int pair = 0; pair < 20; ++pair) {
        SCOPED_TRACE("pair " + std::to_string(pair));
        write_file(dir.file("data"), original);
        std::FILE* first = start_program({"-euc", dir.file("data"), dir.file("data")});
        std::FILE* second = start_program({"-newjis", dir.file("data"), dir.file("data")});
        const ProgramResult results[] = {finish_program(first), finish_program(second)};
        int successes = 0;
        for (const auto& result : results) {
            if (result.exit_code == 0 && result.output == success) {
                ++successes;
            } else {
                // Windows cannot replace a file another run still reads; that run fails cleanly.
                EXPECT_EQ(result.exit_code, 1);
                EXPECT_EQ(result.output, failure);
            }
        }
#ifdef _WIN32
        EXPECT_GE(successes, 1);
#else
        EXPECT_EQ(successes, 2);
#endif
        const std::string after = read_file(dir.file("data"));
        EXPECT_TRUE(after == euc || after == jis) << "a mixed file of " << after.size() << " bytes";
        EXPECT_EQ(names_in(dir.path()), std::vector<std::string>{"data"});
        if (HasFailure()) break;
    }
}

TEST(Jpconv, UnopenableInputFailsWithoutCreatingOutput) {
    TempDir dir;
    struct Row {
        const char* label;
        std::string input;
    };
    const Row rows[] = {{"missing", dir.file("missing")}, {"directory", dir.path()}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        auto result = run_program("jpconv", {"-sjis", row.input, dir.file("out")});
        EXPECT_EQ(result.exit_code, 1);
        EXPECT_EQ(result.output, failure);
        EXPECT_FALSE(file_exists(dir.file("out")));
    }
}

TEST(Jpconv, UnopenableOutputFailsAndKeepsTheInput) {
    TempDir dir;
    write_file(dir.file("in"), "\x88\x9F");
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
        auto result = run_program("jpconv", {"-euc", dir.file("in"), row.output});
        EXPECT_EQ(result.exit_code, 1);
        EXPECT_EQ(result.output, failure);
        EXPECT_EQ(read_file(dir.file("in")), "\x88\x9F");
    }
    EXPECT_EQ(names_in(dir.path()), std::vector<std::string>{"in"});
}

#ifdef _WIN32
TEST(Jpconv, NulDeviceAsOutputSucceeds) {
    TempDir dir;
    write_file(dir.file("in"), "\x88\x9F");
    auto result = run_program("jpconv", {"-euc", dir.file("in"), "NUL"});
    EXPECT_EQ(result.exit_code, 0);
    EXPECT_EQ(result.output, success);
    EXPECT_EQ(names_in(dir.path()), std::vector<std::string>{"in"});
}
#else
// Runs jpconv allowed to write files of at most blocks * 512 bytes, with the signal for passing
// the limit ignored, so that a longer write fails as on a full disk, for root too.
ProgramResult run_with_file_size_limit(int blocks, const std::vector<std::string>& args) {
    return run_command("trap '' XFSZ; ulimit -f " + std::to_string(blocks) + "; exec " +
                       command_line(args));
}

TEST(Jpconv, FailedWriteKeepsTheOldOutputAndLeavesNoTemporary) {
    const std::string text = shift_jis_text(4096);
    struct Row {
        const char* label;
        const char* output;  // in the folder, or a device
        bool full_disk;
    };
    const Row rows[] = {{"full device", "/dev/full", false},
                        {"full disk, old output", "out", true},
                        {"full disk, in place", "in", true}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        TempDir dir;
        write_file(dir.file("in"), text);
        write_file(dir.file("out"), "old output");
        const std::string output = row.output[0] == '/' ? row.output : dir.file(row.output);
        const std::vector<std::string> args = {"-newjis", dir.file("in"), output};
        auto result = row.full_disk ? run_with_file_size_limit(1, args) : run_program("jpconv", args);
        EXPECT_EQ(result.exit_code, 1);
        EXPECT_EQ(result.output, failure);
        EXPECT_EQ(read_file(dir.file("out")), "old output");
        EXPECT_EQ(read_file(dir.file("in")), text);
        EXPECT_EQ(names_in(dir.path()), (std::vector<std::string>{"in", "out"}));
    }
}

TEST(Jpconv, DevicesAndStandardOutputAreWrittenDirectly) {
    TempDir dir;
    write_file(dir.file("in"), "\x88\x9F\n");
    auto result = run_program("jpconv", {"-euc", dir.file("in"), "/dev/stdout"});
    EXPECT_EQ(result.exit_code, 0);
    EXPECT_EQ(result.output, "\xB0\xA1\r\n" + success);
    result = run_program("jpconv", {"-euc", dir.file("in"), "/dev/null"});
    EXPECT_EQ(result.exit_code, 0);
    EXPECT_EQ(result.output, success);
    EXPECT_EQ(names_in(dir.path()), std::vector<std::string>{"in"});
}

TEST(Jpconv, ConvertingInPlaceKeepsThePermissionBits) {
    TempDir dir;
    write_file(dir.file("data"), "\x88\x9F");
    ASSERT_EQ(chmod(dir.file("data").c_str(), 0640), 0);
    auto result = run_program("jpconv", {"-euc", dir.file("data"), dir.file("data")});
    EXPECT_EQ(result.output, success);
    struct stat info;
    ASSERT_EQ(stat(dir.file("data").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    EXPECT_EQ(read_file(dir.file("data")), "\xB0\xA1");
}

TEST(Jpconv, UnreadableInputFails) {
    if (geteuid() == 0) GTEST_SKIP() << "root reads every file";
    TempDir dir;
    write_file(dir.file("in"), "abc");
    chmod(dir.file("in").c_str(), 0);
    auto result = run_program("jpconv", {"-sjis", dir.file("in"), dir.file("out")});
    EXPECT_EQ(result.exit_code, 1);
    EXPECT_EQ(result.output, failure);
    EXPECT_FALSE(file_exists(dir.file("out")));
}
#endif

}  // namespace
