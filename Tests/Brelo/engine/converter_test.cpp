// Converter locations and the command lines built from a converter's templates.
#include "engine/converter.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/command_line.h"
#include "platform/platform.h"

namespace {

// A path written with '|' for the platform's separator.
std::string native(std::string path) {
    for (char& c : path)
        if (c == '|') c = path_separator;
    return path;
}

struct ReplaceRow {
    const char* label;
    std::string text, token, replacement, expected;
};

TEST(ReplaceAll, ReplacesEveryOccurrenceLeftToRightWithoutRescanning) {
    const ReplaceRow rows[] = {
        {"inserted text holds the token", "aXa", "a", "aa", "aaXaa"},
        {"occurrences do not overlap", "aaa", "aa", "b", "ba"},
        {"token absent", "abc", "x", "y", "abc"},
        {"empty text", "", "a", "b", ""},
        {"empty replacement", "${infile}${infile}", "${infile}", "", ""},
        {"empty token changes nothing", "abc", "", "x", "abc"},
        {"replacement rebuilds the token across the seam", "${in${infile}", "${infile}", "file}",
         "${infile}"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        EXPECT_EQ(replace_all_copy(row.text, row.token, row.replacement), row.expected);
        std::string in_place = row.text;
        replace_all_in_place(in_place, row.token, row.replacement);
        EXPECT_EQ(in_place, row.expected);
    }
}

TEST(ConverterLocation, CutsAtTheLastSeparator) {
    const char other = path_separator == '/' ? '\\' : '/';
    struct Row {
        const char* label;
        std::string exe, expected;
    };
    const Row rows[] = {
        {"program in a folder", native("D:|Tools|conv.exe"), native("D:|Tools")},
        {"program at the root", native("D:|conv.exe"), "D:"},
        {"bare name", "conv.exe", "conv.exe"},
        {"empty", "", ""},
        {"two separators in a row keep one", native("D:|Tools||conv.exe"), native("D:|Tools|")},
        {"the other slash is no separator", std::string("D:") + other + "conv.exe",
         std::string("D:") + other + "conv.exe"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        EXPECT_EQ(converter_location(row.exe), row.expected);
    }
}

TEST(PrepareCommand, QuotesFileTokensAndInsertsTheLocation) {
    struct Row {
        const char* label;
        Converter converter;
        std::string command_template, work_dir;
    };
    const std::string exe = native("D:|Tools|conv.exe");
    const std::string at = native("D:|Tools");
    const Row rows[] = {
        {"default templates", {"T", exe, "${infile} ${outfile}", "${location}"},
         exe + " \"${infile}\" \"${outfile}\"", at},
        {"already quoted token gets a second pair", {"T", exe, "\"${infile}\"", ""},
         exe + " \"\"${infile}\"\"", ""},
        {"token twice", {"T", exe, "${infile} -o ${infile}", ""},
         exe + " \"${infile}\" -o \"${infile}\"", ""},
        {"location unquoted in the arguments", {"T", exe, native("${location}|a.ini"), ""},
         exe + " " + native("D:|Tools|a.ini"), ""},
        {"tokens inside the program path are replaced too",
         {"T", native("${location}|${infile}.exe"), "", ""},
         native("${location}|\"${infile}\".exe "), ""},
        {"other case and output-name tokens pass through",
         {"T", exe, "${INFILE} ${prefix}${suffix} $infile ${ infile}", ""},
         exe + " ${INFILE} ${prefix}${suffix} $infile ${ infile}", ""},
        {"working directory takes only the location",
         {"T", exe, "", "${location} ${infile} ${outfile}"}, exe + " ",
         at + " ${infile} ${outfile}"},
        {"empty working directory stays empty", {"T", exe, "${infile}", ""},
         exe + " \"${infile}\"", ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        PreparedCommand prepared = prepare_command(row.converter);
        EXPECT_EQ(prepared.command_template, row.command_template);
        EXPECT_EQ(prepared.work_dir, row.work_dir);
    }
}

// Paths and the location are read for placeholders never: a file named x${outfile}y keeps its
// name, and a location holding a token inserts it as text.
TEST(ExpandCommand, InsertsEachPathInOnePass) {
    struct Row {
        const char* label;
        Converter converter;
        std::string input, output, expected;
    };
    const Row rows[] = {
        {"default templates", {"T", "conv", "${infile} ${outfile}", ""}, "D:\\In\\a b.txt",
         "D:\\Out\\a b.txt", "conv \"D:\\In\\a b.txt\" \"D:\\Out\\a b.txt\""},
        {"input path holding the output token stays", {"T", "conv", "${infile} ${outfile}", ""},
         "x${outfile}y", "OUT", "conv \"x${outfile}y\" \"OUT\""},
        {"output path holding the input token stays", {"T", "conv", "${outfile}", ""}, "IN",
         "x${infile}y", "conv \"x${infile}y\""},
        {"location holding a file token inserts it as text",
         {"T", "${infile}" + std::string(1, path_separator) + "c", "${location}", ""}, "IN",
         "OUT", "\"IN\"" + std::string(1, path_separator) + "c ${infile}"},
        {"every slot takes its path", {"T", "conv", "${outfile}${infile}${outfile}", ""}, "I",
         "O", "conv \"O\"\"I\"\"O\""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        EXPECT_EQ(expand_command(prepare_command(row.converter), row.input, row.output),
                  row.expected);
    }
}

// Whatever a file is called, the quoted path reaches the converter as one argument, exactly.
TEST(ExpandCommand, PathArrivesAsOneArgumentWhateverItHolds) {
    const std::string names[] = {
        "D:\\In\\a b.txt", "a\"b", "a \" -x \" b", "\"", "a\\\"b", "a\\\\\" x", "ends\\",
        "ends\\\\", "tab\there", "${outfile}-free \\\"\\", "/home/u/q\"uote d.txt",
    };
    const PreparedCommand command =
        prepare_command({"T", "conv", "-i ${infile} -o ${outfile} end", ""});
    for (const auto& name : names) {
        SCOPED_TRACE(name);
        std::vector<std::string> args = split_command_line(expand_command(command, name, "out"));
        std::vector<std::string> expected = {"conv", "-i", name, "-o", "out", "end"};
        EXPECT_EQ(args, expected);
    }
}

TEST(ExpandCommand, BlankInsideAPathStaysWithinItsQuotes) {
    const std::string line = expand_command(
        prepare_command({"T", "D:\\Tools\\conv.exe", "${infile} ${outfile}", ""}),
        "D:\\In\\a b.txt", "D:\\Out\\a b.txt");
    std::vector<std::string> expected = {"D:\\Tools\\conv.exe", "D:\\In\\a b.txt",
                                         "D:\\Out\\a b.txt"};
    EXPECT_EQ(split_command_line(line), expected);
}

}  // namespace
