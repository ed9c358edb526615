// Names in any script through the window: folders and files whose names the system's code page
// cannot spell, in both trees, in a run with the real hashmd5, in the log box, in the fields
// across a restart, in drops and in the converter box.
#include <filesystem>
#include <string>
#include <vector>

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "engine/run_settings.h"
#include "engine/scan.h"
#include "gui_harness.h"
#include "Support/temp_dir.h"
#include "ui/resource.h"
#include "ui/window_run.h"

namespace {

using namespace gui;
using test_support::native_path;
using test_support::read_file;
using test_support::write_file;

// Japanese, Korean, a Latin letter with an accent and a character beyond U+FFFF, each with the
// text whose MD5 digest is known.
struct NamedFile {
    std::string name;
    std::string content;
    std::string digest;
};
const std::vector<NamedFile> named_files = {
    {"日本語", "0", "CFCD208495D565EF66E7DFF9F98764DA"},
    {"한국", "1", "C4CA4238A0B923820DCC509A6F75849B"},
    {"café", "2", "C81E728D9D4C2F636F067F89CC14862C"},
    {"😀", "3", "ECCBC87E4B5CE2FE28308FD9F2A7BAF3"},
};
const std::string sub_folder = "資料";
const NamedFile sub_file = {"naïve", "t", "E358EFA489F58062F10DD7316B65649E"};

// The folders themselves have such names, so the roots of the trees and the fields hold them.
class NamesTest : public GuiTest {
protected:
    void SetUp() override {
        GuiTest::SetUp();
        input = temp.file("入力");
        output = temp.file("出力 Ü");
        std::filesystem::create_directory(native_path(input));
        std::filesystem::create_directory(native_path(output));
        std::filesystem::create_directory(native_path(input + "\\" + sub_folder));
        for (const NamedFile& file : named_files)
            write_file(input + "\\" + file.name + ".txt", file.content);
        write_file(input + "\\" + sub_folder + "\\" + sub_file.name + ".txt", sub_file.content);
    }
    // Both folders newest in their histories, "*.txt" and "${prefix}.md5", both sides
    // refreshing on their own, and hashmd5 under a title of its own script.
    void start() {
        write_settings("[Input]\r\nInput Directory 001=" + input +
                       "\r\nFile Patterns 001=*.txt\r\n[Output]\r\nOutput Directory 001=" +
                       output + "\r\nFile Patterns 001=${prefix}.md5\r\n[Converter]\r\n"
                       "Converter_Number=1\r\nCurrent Converter=0\r\n" +
                       hashmd5_converter_keys(1, converter_title));
        open_main_window();
    }
    RunSettings settings() const {
        RunSettings values;
        values.input_directory = input;
        values.input_patterns = "*.txt";
        values.output_directory = output;
        values.output_pattern = "${prefix}.md5";
        return values;
    }
    const std::string converter_title = "MD5 ダイジェスト";
    std::string input, output;
};

TEST_F(NamesTest, BothTreesShowTheNamesExactly) {
    start();
    const InputRefresh scan = refresh_input_tree(settings());
    ASSERT_TRUE(scan.trees);
    EXPECT_EQ(tree_text(IDC_MAIN_INPUT_TREE), render_tree(*scan.trees, TreeSide::Input, "\n"));
    EXPECT_EQ(tree_text(IDC_MAIN_OUTPUT_TREE), render_tree(*scan.trees, TreeSide::Output, "\n"));
    // The scan's value is read the same way the window is, so each name is looked for as well.
    HTREEITEM input_root = find_item(IDC_MAIN_INPUT_TREE, nullptr, input);
    HTREEITEM output_root = find_item(IDC_MAIN_OUTPUT_TREE, nullptr, output);
    ASSERT_TRUE(input_root && output_root);
    for (const NamedFile& file : named_files) {
        SCOPED_TRACE(file.name);
        EXPECT_NE(find_item(IDC_MAIN_INPUT_TREE, input_root, file.name + ".txt"), nullptr);
        EXPECT_NE(find_item(IDC_MAIN_OUTPUT_TREE, output_root, file.name + ".md5"), nullptr);
    }
    HTREEITEM folder = find_item(IDC_MAIN_INPUT_TREE, input_root, sub_folder);
    ASSERT_NE(folder, nullptr);
    EXPECT_NE(find_item(IDC_MAIN_INPUT_TREE, folder, sub_file.name + ".txt"), nullptr);
    EXPECT_EQ(text(IDC_MAIN_INPUT_DIR), input);
    EXPECT_EQ(text(IDC_MAIN_OUTPUT_DIR), output);
}

TEST_F(NamesTest, RunWritesEachDigestUnderItsNameAndLogsTheNames) {
    start();
    EXPECT_EQ(text(IDC_MAIN_CONVERTER), converter_title);
    run_to_end();

    for (const NamedFile& file : named_files) {
        SCOPED_TRACE(file.name);
        EXPECT_EQ(read_file(output + "\\" + file.name + ".md5"), file.digest);
    }
    EXPECT_EQ(read_file(output + "\\" + sub_folder + "\\" + sub_file.name + ".md5"),
              sub_file.digest);

    // The log holds the header, one entry per file in the walk's order (the file system's, which
    // puts the folder among the files), the total and its time stamp, and nothing else.
    const std::string log = text(IDC_MAIN_LOG);
    const std::string header = "[Converter - " + converter_title + "]:\r\n\r\n";
    const std::string total = "\r\nTotal 5 Files are converted.\r\n";
    EXPECT_EQ(log.rfind(header, 0), 0u) << log;
    std::size_t expected_size = header.size() + total.size() + 20;  // "yyyy/mm/dd  hh:mm:ss"
    const auto expect_entry = [&](const std::string& folder, const std::string& name) {
        const std::string entry = input + folder + "\\" + name + ".txt -> " + output + folder +
                                  "\\" + name + ".md5\r\n\tConsole:Encrypt successful.\r\n\r\n";
        const std::size_t at = log.find(entry);
        EXPECT_NE(at, std::string::npos) << name << " in\n" << log;
        EXPECT_EQ(log.find(entry, at + 1), std::string::npos) << name << " twice";
        expected_size += entry.size();
    };
    for (const NamedFile& file : named_files) expect_entry("", file.name);
    expect_entry("\\" + sub_folder, sub_file.name);
    EXPECT_EQ(log.size(), expected_size) << log;
    EXPECT_EQ(log.find(total), log.size() - total.size() - 20) << log;
}

// Typed values reach the histories with the run, BRELO.ini keeps them in UTF-8, and a new
// window shows them and finds the files with them.
TEST_F(NamesTest, FieldsKeepTheirNamesAcrossARestart) {
    start();
    const std::string patterns = "日本語*|😀.t?t";
    type_into(IDC_MAIN_INPUT_PATTERNS, patterns);
    EXPECT_EQ(text(IDC_MAIN_INPUT_PATTERNS), patterns);
    EXPECT_EQ(tree_text(IDC_MAIN_INPUT_TREE).find("café"), std::string::npos);
    run_to_end();
    close_main_window();

    const std::string ini = read_settings();
    for (const std::string& line :
         {"Input Directory 001=" + input, "File Patterns 001=" + patterns,
          std::string("File Patterns 002=*.txt"), "Output Directory 001=" + output,
          "Converter001_Title=" + converter_title}) {
        SCOPED_TRACE(line);
        EXPECT_NE(ini.find(line + "\r\n"), std::string::npos) << ini;
    }

    open_main_window();
    EXPECT_EQ(text(IDC_MAIN_INPUT_DIR), input);
    EXPECT_EQ(text(IDC_MAIN_INPUT_PATTERNS), patterns);
    EXPECT_EQ(text(IDC_MAIN_OUTPUT_DIR), output);
    RunSettings typed = settings();
    typed.input_patterns = patterns;
    const InputRefresh scan = refresh_input_tree(typed);
    ASSERT_TRUE(scan.trees);
    const std::string shown = tree_text(IDC_MAIN_INPUT_TREE);
    EXPECT_EQ(shown, render_tree(*scan.trees, TreeSide::Input, "\n"));
    for (const char* name : {"日本語.txt", "😀.txt"})
        EXPECT_NE(shown.find(std::string("\n  ") + name + "\n"), std::string::npos) << shown;
    EXPECT_EQ(shown.find("café"), std::string::npos) << shown;
}

TEST_F(NamesTest, DroppedNamesReachTheFields) {
    start();
    drop(IDC_MAIN_INPUT_FRAME, {input + "\\한국.txt"});
    EXPECT_EQ(text(IDC_MAIN_INPUT_DIR), input);
    EXPECT_EQ(text(IDC_MAIN_INPUT_PATTERNS), "한국.txt");
    EXPECT_EQ(tree_text(IDC_MAIN_INPUT_TREE), input + "\n  한국.txt\n");
    drop(IDC_MAIN_OUTPUT_FRAME, {input + "\\" + sub_folder});
    EXPECT_EQ(text(IDC_MAIN_OUTPUT_DIR), input + "\\" + sub_folder);
}

// A name the tree cannot show whole is cut before a character beyond U+FFFF, not inside it.
TEST_F(NamesTest, LongOutputNameIsCutBetweenCharacters) {
    write_file(input + "\\abcdefghi😀.txt", "x");
    start();
    // 249 b's and the prefix: 260 UTF-16 units, the last two one character.
    const std::wstring pattern = std::wstring(249, L'b') + L"${prefix}";
    SetDlgItemTextW(main_window(), IDC_MAIN_OUTPUT_PATTERN, pattern.c_str());
    click(IDC_MAIN_OUTPUT_REFRESH);
    HTREEITEM root = find_item(IDC_MAIN_OUTPUT_TREE, nullptr, output);
    ASSERT_NE(root, nullptr);
    EXPECT_NE(find_item(IDC_MAIN_OUTPUT_TREE, root, std::string(249, 'b') + "abcdefghi"), nullptr)
        << tree_text(IDC_MAIN_OUTPUT_TREE);
}

}  // namespace
