// brelo-batch with names in any script and converters writing UTF-8 or their console's code page:
// the right files under the right names, and the log in UTF-8.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>

#include "Support/run_program.h"
#include "Support/temp_dir.h"
#include "batch_process.h"
#include "engine/walk.h"
#include "platform/platform.h"

namespace {

using batch_test::BatchResult;
using batch_test::eol;
using batch_test::IniValues;
using batch_test::mask_time_stamps;
using batch_test::run_brelo_batch;
using test_support::native_path;
using test_support::program_path;
using test_support::read_file;
using test_support::TempDir;
using test_support::write_file;

constexpr const char* masked_stamp = "####/##/##  ##:##:##";

const std::string japanese = "\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e";  // 日本語
const std::string korean = "\xed\x95\x9c\xea\xb5\xad";                // 한국
const std::string cafe = "caf\xc3\xa9";                                // café
const std::string emoji = "\xf0\x9f\x98\x80";                          // 😀
const std::string sub = "\xe3\x82\xb5\xe3\x83\x96";                    // サブ
const std::string middle = "\xe4\xb8\xad";                             // 中

// The input files, relative to the input folder, with their contents and MD5 digests.
struct InputFile {
    std::string relative, bytes, digest;
};
const std::vector<InputFile> inputs = {
    {japanese + ".txt", "abc", "900150983CD24FB0D6963F7D28E17F72"},
    {korean + ".txt", "xyz", "D16FB36F0911F878998C136191AF705E"},
    {cafe + ".txt", "", "D41D8CD98F00B204E9800998ECF8427E"},
    {emoji + ".txt", "message digest", "F96B697D7CB7938D525A2F31AAF161D0"},
    {sub + path_separator + middle + ".txt", "a", "0CC175B9C0F1B6A831C399E269772661"},
};

std::string entry(const std::string& input, const std::string& output,
                  const std::string& console) {
    return input + " -> " + output + "\r\n\tConsole:" + console + "\r\n";
}

std::string one_file_log(const std::string& title, const std::string& entry_text) {
    return "[Converter - " + title + "]:\r\n\r\n" + entry_text +
           "\r\nTotal 1 Files are converted.\r\n" + masked_stamp + eol;
}

std::string hex(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (char c : bytes) {
        const unsigned char byte = static_cast<unsigned char>(c);
        text += digits[byte >> 4];
        text += digits[byte & 0x0F];
    }
    return text;
}

// A settings file in a folder named in Japanese, naming input and output folders named so too.
class BatchNames : public ::testing::Test {
protected:
    TempDir dir;
    std::string in = dir.file("\xe5\x85\xa5\xe5\x8a\x9b");        // 入力
    std::string out = dir.file("\xe5\x87\xba\xe5\x8a\x9b");       // 出力
    std::string ini = dir.file("\xe8\xa8\xad\xe5\xae\x9a.ini");   // 設定.ini
    IniValues values;

    void SetUp() override {
        ASSERT_TRUE(make_directory(in));
        ASSERT_TRUE(make_directory(join_path(in, sub)));
        ASSERT_TRUE(make_directory(out));
        for (const InputFile& file : inputs) write_file(join_path(in, file.relative), file.bytes);
        values.input_directory = in;
        values.input_patterns = "*.txt";
        values.output_directory = out;
        values.output_pattern = "${prefix}.md5";
        values.converters = {
            {"MD5 digest", program_path("hashmd5"), "${infile} ${outfile}", "${location}"}};
        write_ini();
    }

    void write_ini() { write_file(ini, batch_test::ini_text(values)); }

    BatchResult run(std::vector<std::string> args) {
        args.insert(args.begin(), {"--ini", ini});
        return run_brelo_batch(args);
    }
};

TEST_F(BatchNames, DigestsGoUnderTheirNamesAndTheLogShowsThemInUtf8) {
    const BatchResult result = run({});
    ASSERT_EQ(result.exit_code, 0) << result.err;
    EXPECT_EQ(result.err, "");
    const std::string success = "Encrypt successful." + test_support::text_line_end;
    for (const InputFile& file : inputs) {
        SCOPED_TRACE(file.relative);
        const std::string output =
            join_path(out, file.relative.substr(0, file.relative.size() - 4) + ".md5");
        EXPECT_EQ(read_file(output), file.digest);
        EXPECT_NE(result.out.find(entry(join_path(in, file.relative), output, success)),
                  std::string::npos)
            << result.out;
    }
    EXPECT_NE(result.out.find("\r\nTotal 5 Files are converted.\r\n"), std::string::npos);
}

// Every option takes any name: the settings file, both folders, the name pattern.
TEST_F(BatchNames, OptionsTakeNamesInAnyScript) {
    const std::string other = dir.file(korean);
    ASSERT_TRUE(make_directory(other));
    const BatchResult result = run({"--input", join_path(in, sub), "--output", other, "--name",
                                    "${prefix}-" + emoji + ".md5"});
    ASSERT_EQ(result.exit_code, 0) << result.err;
    const std::string output = join_path(other, middle + "-" + emoji + ".md5");
    EXPECT_EQ(read_file(output), "0CC175B9C0F1B6A831C399E269772661");
    EXPECT_NE(result.out.find(join_path(join_path(in, sub), middle + ".txt") + " -> " + output),
              std::string::npos)
        << result.out;
}

TEST_F(BatchNames, PreviewShowsTheTreesInUtf8) {
    const BatchResult result = run({"--preview", "--patterns", "*" + middle + "*|" + cafe + "*"});
    ASSERT_EQ(result.exit_code, 0) << result.err;
    const std::string expected = "Input:" + std::string(eol) + in + eol + "  " + sub + eol +
                                 "    " + middle + ".txt" + eol + "  " + cafe + ".txt" + eol +
                                 eol + "Output preview:" + eol + out + eol + "  " + sub + eol +
                                 "    " + middle + ".md5" + eol + "  " + cafe + ".md5" + eol;
    EXPECT_EQ(result.out, expected);
}

TEST_F(BatchNames, MessagesOnStandardErrorAreUtf8) {
    const std::string gone = dir.file(emoji + japanese);
    BatchResult result = run({"--input", gone});
    EXPECT_EQ(result.exit_code, 2);
    EXPECT_EQ(mask_time_stamps(result.err),
              "[Input - Input Directory]:\r\n\r\n\t\"" + gone + "\" is not a valid directory." +
                  "\r\n\r\n" + masked_stamp + eol);
    result = run({"--converter", japanese});
    EXPECT_EQ(result.exit_code, 1);
    const std::string message =
        "brelo-batch: no converter \"" + japanese + "\"; the converters are:";
    EXPECT_EQ(result.err.find(message), 0u) << result.err;
}

// The converter gets its paths and its working directory whole, in whatever script.
TEST_F(BatchNames, ConverterGetsItsCommandLineAndWorkingDirectoryWhole) {
    const std::string work = dir.file(cafe + emoji);
    ASSERT_TRUE(make_directory(work));
    values.input_patterns = japanese + ".txt";
    values.output_pattern = "${prefix}-" + korean + ".${suffix}";
    values.converters = {
        {"Where", program_path("batch_child"), "where ${infile} ${outfile}", work}};
    write_ini();
    const BatchResult result = run({});
    ASSERT_EQ(result.exit_code, 0) << result.err;
    const std::string input = join_path(in, japanese + ".txt");
    const std::string output = join_path(out, japanese + "-" + korean + ".txt");
    EXPECT_EQ(mask_time_stamps(result.out),
              one_file_log("Where", entry(input, output,
                                          "[" + input + "]\n[" + output + "]\n(" + work + ")\n")));
}

// brelo-batch in a folder named in Japanese finds the settings file and the converter beside it.
TEST_F(BatchNames, ProgramInAFolderNamedInAnyScriptFindsWhatIsBesideIt) {
    namespace fs = std::filesystem;
    const std::string tools = dir.file("\xe3\x83\x84\xe3\x83\xbc\xe3\x83\xab");  // ツール
    ASSERT_TRUE(make_directory(tools));
    // The program's file name as built here: "hashmd5.exe" on Windows.
    const auto file_name = [](const char* program) {
        return fs::path(program_path(program)).filename().string();
    };
    for (const char* program : {"brelo-batch", "hashmd5"}) {
        fs::copy_file(native_path(program_path(program)),
                      native_path(join_path(tools, file_name(program))));
    }
    values.converters = {{"MD5 digest", join_path(".", file_name("hashmd5")),
                          "${infile} ${outfile}", "${location}"}};
    values.input_patterns = korean + ".txt";
    write_file(join_path(tools, "BRELO.ini"), batch_test::ini_text(values));
    const BatchResult result =
        batch_test::run_batch_process(join_path(tools, file_name("brelo-batch")), {});
    ASSERT_EQ(result.exit_code, 0) << result.err << result.out;
    EXPECT_EQ(read_file(join_path(out, korean + ".md5")), "D16FB36F0911F878998C136191AF705E");
}

// What a converter writes: UTF-8 passes as it is, cut into several writes or not; text in the
// code page of the converter's console is read in it (on POSIX the bytes stay as they are).
// Under Wine the console code page is the OEM code page of the locale: 437 by default, 932 when
// the test runs with a Japanese locale (a ctest entry of its own does).
TEST(ConverterText, Utf8PassesAndOtherTextIsReadInTheConsoleCodePage) {
    struct Sample {
        std::string bytes, utf8;
    };
    // Text in the code pages the tests run under, and what it reads as.
    const std::map<unsigned, Sample> samples = {
        {437, {"caf\x82 na\x8bve\r\n", "caf\xc3\xa9 na\xc3\xafve\r\n"}},
        {932, {"\x93\xfa\x96\x7b\x8c\xea\x82\xc5\x82\xb7\r\n",
               "\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e\xe3\x81\xa7\xe3\x81\x99\r\n"}},
    };
    const unsigned code_page = console_code_page();
    if (const char* expected = std::getenv("BRELO_EXPECT_CODE_PAGE")) {
        ASSERT_EQ(code_page, static_cast<unsigned>(std::atoi(expected)));
    }
    struct Row {
        const char* label;
        std::vector<std::string> writes;
        std::string logged;
    };
    const std::string utf8 = japanese + " " + korean + " " + cafe + " " + emoji + "\r\n";
    std::vector<Row> rows = {
        {"UTF-8 in one write", {utf8}, utf8},
        {"UTF-8 cut inside its characters", {utf8.substr(0, 2), utf8.substr(2, 9),
                                             utf8.substr(11, 9), utf8.substr(20)},
         utf8},
    };
    if (code_page == 0) {
        rows.push_back({"bytes as they are", {"caf\xe9\r\n"}, "caf\xe9\r\n"});
    } else if (samples.count(code_page)) {
        const Sample& sample = samples.at(code_page);
        rows.push_back({"the console's code page", {sample.bytes}, sample.utf8});
        rows.push_back({"the code page after UTF-8", {"ok " + cafe + " ", sample.bytes},
                        "ok " + cafe + " " + sample.utf8});
    } else {
        ADD_FAILURE() << "no sample for code page " << code_page;
    }
    TempDir dir;
    const std::string in = dir.file("in");
    const std::string out = dir.file("out");
    ASSERT_TRUE(make_directory(in));
    ASSERT_TRUE(make_directory(out));
    write_file(join_path(in, "a.txt"), "a");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        std::string arguments = "write";
        for (const std::string& piece : row.writes) arguments += " " + hex(piece);
        IniValues values;
        values.input_directory = in;
        values.input_patterns = "*.txt";
        values.output_directory = out;
        values.output_pattern = "${prefix}.${suffix}";
        values.converters = {{"Text", program_path("batch_child"), arguments, "${location}"}};
        write_file(dir.file("test.ini"), batch_test::ini_text(values));
        // Converters side by side read their text as one at a time does.
        for (const char* jobs : {"1", "2"}) {
            SCOPED_TRACE(jobs);
            const BatchResult result =
                run_brelo_batch({"--ini", dir.file("test.ini"), "--jobs", jobs});
            EXPECT_EQ(result.exit_code, 0) << result.err;
            EXPECT_EQ(mask_time_stamps(result.out),
                      one_file_log("Text", entry(join_path(in, "a.txt"), join_path(out, "a.txt"),
                                                 row.logged)));
        }
    }
}

}  // namespace
