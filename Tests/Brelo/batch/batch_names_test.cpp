// Names Windows programs cannot take as they are: a batch converter's cmd.exe would read a double
// quote or a percent sign as syntax, and every Win32 program opens "dot.txt." as "dot.txt".
// linux_names.sh makes such names on the Linux side of Wine; elsewhere the test skips itself.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "Support/run_program.h"
#include "Support/temp_dir.h"
#include "batch_process.h"
#include "engine/walk.h"
#include "engine/windows_names.h"
#include "platform/platform.h"

namespace {

using batch_test::BatchResult;
using batch_test::IniValues;
using batch_test::run_brelo_batch;
using test_support::program_path;
using test_support::read_file;
using test_support::TempDir;
using test_support::write_file;

// MD5 of "abc", what every odd name holds, and of "xyz", what the names Windows opens instead
// hold.
constexpr const char* abc_digest = "900150983CD24FB0D6963F7D28E17F72";
constexpr const char* xyz_digest = "D16FB36F0911F878998C136191AF705E";

TEST(LinuxNames, WhatCmdOrWin32WouldChangeIsRefusedBeforeTheConverterStarts) {
    const char* names_dir = std::getenv("BRELO_LINUX_NAMES");
    if (!names_dir) GTEST_SKIP() << "needs the names linux_names.sh makes under Wine";
    const std::string in = names_dir;
    TempDir dir;
    const std::string out = dir.file("out");
    const std::string ini = dir.file("test.ini");
    ASSERT_TRUE(make_directory(out));
    const std::string bat = dir.file("md5.bat");
    write_file(bat, "@\"" + program_path("hashmd5") + "\" %1 %2\r\n");
    IniValues values;
    values.input_directory = in;
    values.input_patterns = "*";
    values.output_directory = out;
    values.output_pattern = "${prefix}.${suffix}";
    values.converters = {{"Batch", bat, "${infile} ${outfile}", "${location}"},
                         {"MD5 digest", program_path("hashmd5"), "${infile} ${outfile}",
                          "${location}"}};
    write_file(ini, batch_test::ini_text(values));
    const auto entry = [&](const std::string& name, const std::string& line) {
        return join_path(in, name) + " -> " + join_path(out, name) + "\r\n\tConsole:" + line +
               "\r\n\r\n";
    };
    const std::string ends = "Windows programs cannot open a name that ends in a dot or a space.";
    const std::string unsafe = "The input path cannot be passed safely to a batch file: it holds ";

    const BatchResult batch = run_brelo_batch({"--ini", ini, "--converter", "Batch"});
    EXPECT_EQ(batch.exit_code, 3) << batch.out << batch.err;
    for (const auto& [name, line] :
         {std::pair<std::string, std::string>{"q\"uote.txt", unsafe + "\"."},
          {"per%OS%cent.txt", unsafe + "%."},
          {"dot.txt.", ends},
          {"blank.txt ", ends}}) {
        SCOPED_TRACE(name);
        EXPECT_NE(batch.out.find(entry(name, line)), std::string::npos) << batch.out;
    }
    EXPECT_FALSE(test_support::file_exists(join_path(out, "per%OS%cent.txt")));
    EXPECT_EQ(read_file(join_path(out, "x&y.txt")), abc_digest);
    EXPECT_EQ(read_file(join_path(out, "dot.txt")), xyz_digest);
    // A device name fails in the converter, which is handed the device; "nul" would take the
    // output name "nul.", which is refused.
    const std::string md5_failed = "Encrypt failed.\r\nConverter exited with code 1.";
    EXPECT_NE(batch.out.find(entry("con.txt", md5_failed)), std::string::npos) << batch.out;
    EXPECT_NE(batch.out.find(join_path(in, "nul") + " -> " + join_path(out, "nul.") +
                             "\r\n\tConsole:" + output_name_ends_text + "\r\n"),
              std::string::npos)
        << batch.out;
    EXPECT_NE(batch.out.find("Total 9 Files are converted.\r\n6 of them failed.\r\n"),
              std::string::npos)
        << batch.out;

    // Side by side the refused entries take their places in the same log.
    const BatchResult at_once =
        run_brelo_batch({"--ini", ini, "--converter", "Batch", "--jobs", "3"});
    EXPECT_EQ(at_once.exit_code, 3);
    EXPECT_EQ(batch_test::mask_time_stamps(at_once.out), batch_test::mask_time_stamps(batch.out));

    // A program that reads its arguments by the C runtime's rules takes the percent sign as it
    // is (and the quote, though Windows cannot create such an output); the names Windows
    // changes stay refused.
    const BatchResult md5 = run_brelo_batch({"--ini", ini, "--converter", "MD5 digest"});
    EXPECT_EQ(md5.exit_code, 3) << md5.out << md5.err;
    EXPECT_EQ(read_file(join_path(out, "per%OS%cent.txt")), abc_digest);
    EXPECT_EQ(read_file(join_path(out, "x&y.txt")), abc_digest);
    EXPECT_EQ(read_file(join_path(out, "dot.txt")), xyz_digest);
    EXPECT_NE(md5.out.find(entry("dot.txt.", ends)), std::string::npos) << md5.out;
    EXPECT_NE(md5.out.find(entry("blank.txt ", ends)), std::string::npos) << md5.out;
    EXPECT_NE(md5.out.find(entry("con.txt", md5_failed)), std::string::npos) << md5.out;
    EXPECT_NE(md5.out.find("Total 9 Files are converted.\r\n5 of them failed.\r\n"),
              std::string::npos)
        << md5.out;
}

}  // namespace
