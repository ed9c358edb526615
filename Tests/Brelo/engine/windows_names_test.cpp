// Which programs run through cmd.exe, which paths reach a batch file as they are, and the names
// Windows programs cannot open.
#include "engine/windows_names.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/converter.h"

namespace {

// The command of a converter that Windows runs through cmd.exe, whatever this build runs on.
PreparedCommand batch_command(const std::string& exe_file,
                              const std::string& arguments = "${infile} ${outfile}") {
    PreparedCommand command = prepare_command({"Batch", exe_file, arguments, "${location}"});
    command.batch_file = true;
    return command;
}

TEST(IsBatchFile, BatAndCmdInAnyCaseEvenWithWhatWindowsDrops) {
    const struct {
        const char* program;
        bool batch;
    } rows[] = {
        {"C:\\t\\conv.bat", true},        {"C:\\t\\CONV.CMD", true},
        {"conv.Bat", true},               {"\"C:\\a b\\conv.bat\"", true},
        {"C:\\t\\conv.bat. . ", true},    {"C:\\t\\conv.exe", false},
        {"C:\\t\\conv.bat.exe", false},   {"C:\\t\\bat", false},
        {"C:\\t\\conv.batch", false},     {"", false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.program);
        EXPECT_EQ(is_batch_file(row.program), row.batch);
    }
}

// What a run refuses before the converter starts, and the line that says why.
TEST(FileRefusal, PathsABatchFileCannotGetAsTheyAreAreRefused) {
    const PreparedCommand plain = batch_command("C:\\t\\conv.bat");
    // The template already quotes the token, so the path stands outside quotes for cmd.exe.
    const PreparedCommand doubled = batch_command("C:\\t\\conv.bat", "\"${infile}\" ${outfile}");
    const std::string out = "C:\\out\\a.md5";
    const std::string input_refused = "The input path cannot be passed safely to a batch file: ";
    const struct {
        const char* label;
        const PreparedCommand& command;
        std::string input;
        std::string expected;
    } rows[] = {
        {"syntax inside quotes passes", plain, "C:\\in\\a&b ^c (d) |<>,;=.txt", ""},
        {"a double quote ends the quoting", plain, "C:\\in\\a\" & calc & \".txt",
         input_refused + "it holds \"."},
        {"percent expands inside quotes", plain, "C:\\in\\100%.txt", input_refused + "it holds %."},
        {"exclamation mark", plain, "C:\\in\\hi!.txt", input_refused + "it holds !."},
        {"line break", plain, "C:\\in\\a\nb.txt", input_refused + "it holds a control character."},
        {"plain name outside quotes", doubled, "C:\\in\\a.txt", ""},
        {"blank outside quotes", doubled, "C:\\in\\a b.txt",
         input_refused + "it holds a space outside double quotes."},
        {"ampersand outside quotes", doubled, "C:\\in\\a&b.txt",
         input_refused + "it holds & outside double quotes."},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        EXPECT_EQ(file_refusal(row.command, row.input, out, false), row.expected);
    }
    EXPECT_EQ(file_refusal(plain, "C:\\in\\a.txt", "C:\\out\\50%.md5", false),
              "The output path cannot be passed safely to a batch file: it holds %.");
    // Any other program gets its arguments by the C runtime's rules, which quoting serves.
    PreparedCommand program = plain;
    program.batch_file = false;
    EXPECT_EQ(file_refusal(program, "C:\\in\\a\"%!.txt", out, false), "");
}

TEST(FileRefusal, NamesEndingInADotOrABlankAreRefusedWhereWindowsDropsThat) {
    const PreparedCommand exe = prepare_command({"Exe", "C:\\t\\conv.exe", "${infile} ${outfile}",
                                                 "${location}"});
    const struct {
        const char* label;
        std::string input, output, expected;
    } rows[] = {
        {"input ends in a dot", "C:\\in\\a.txt.", "C:\\out\\a.md5", input_name_ends_text},
        {"input ends in a blank", "C:\\in\\a.txt ", "C:\\out\\a.md5", input_name_ends_text},
        {"output ends in a blank", "C:\\in\\a.txt", "C:\\out\\a.md5 ", output_name_ends_text},
        {"output ends in a dot", "C:\\in\\a.txt", "C:\\out\\a.", output_name_ends_text},
        {"dots and blanks inside", "C:\\in\\a. b.txt", "C:\\out\\a .b.md5", ""},
        {"a folder's dot is not the name's", "C:\\in.\\a.txt", "/out./a.md5", ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        EXPECT_EQ(file_refusal(exe, row.input, row.output, true), row.expected);
        EXPECT_EQ(file_refusal(exe, row.input, row.output, false), "");
    }
}

TEST(BatchProgramProblem, TheBatchFilesOwnPathMustBePlainOrQuoted) {
    const std::string opening =
        "The converter's program cannot be started safely as a batch file: its path ";
    const struct {
        const char* exe_file;
        std::string expected;
    } rows[] = {
        {"C:\\Tools\\conv.bat", ""},
        {"\"C:\\R&D (x)\\my conv.bat\"", ""},
        {"C:\\R&D\\conv.bat", opening + "holds & outside double quotes."},
        {"C:\\Program Files\\conv.bat", opening + "holds a space outside double quotes."},
        {"C:\\a^b\\conv.bat", opening + "holds ^ outside double quotes."},
        {"\"C:\\100%\\conv.bat\"", opening + "holds %."},
        {"\"C:\\t\\conv.bat", opening + "leaves a double quote open."},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.exe_file);
        EXPECT_EQ(batch_program_problem(batch_command(row.exe_file)), row.expected);
    }
    PreparedCommand exe = batch_command("C:\\R&D\\conv.exe");
    exe.batch_file = false;
    EXPECT_EQ(batch_program_problem(exe), "");
}

}  // namespace
