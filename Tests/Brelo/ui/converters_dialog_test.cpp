// The converters dialog opened from the main window's "Configure..." and driven while modal.
#include <string>
#include <vector>

#include <windows.h>

#include <gtest/gtest.h>

#include <dlgs.h>

#include "gui_harness.h"
#include "Common/wide_text.h"
#include "Support/run_program.h"
#include "ui/converters_dialog.h"
#include "ui/resource.h"

namespace {

using namespace gui;

struct Row {
    std::string title;
    int key;
    bool operator==(const Row& other) const { return title == other.title && key == other.key; }
};

std::ostream& operator<<(std::ostream& out, const Row& row) {
    return out << "{" << row.title << ", " << row.key << "}";
}

std::vector<Row> list_rows(HWND dialog) {
    HWND list = GetDlgItem(dialog, IDC_CONV_LIST);
    std::vector<Row> rows;
    const int count = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        wchar_t buffer[260] = {};
        SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(buffer));
        rows.push_back({wide_to_utf8(buffer),
                        static_cast<int>(SendMessageW(list, LB_GETITEMDATA, i, 0))});
    }
    return rows;
}

// The titles of the main window's converter box, whose rows follow the converters' order.
std::vector<std::string> main_rows() {
    HWND box = control(IDC_MAIN_CONVERTER);
    std::vector<std::string> rows;
    const int count = static_cast<int>(SendMessageW(box, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        wchar_t buffer[260] = {};
        SendMessageW(box, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(buffer));
        rows.push_back(wide_to_utf8(buffer));
    }
    return rows;
}

int main_selection() {
    return static_cast<int>(SendMessageA(control(IDC_MAIN_CONVERTER), CB_GETCURSEL, 0, 0));
}

int list_selection(HWND dialog) {
    return static_cast<int>(SendDlgItemMessageA(dialog, IDC_CONV_LIST, LB_GETCURSEL, 0, 0));
}

std::string field(HWND dialog, int id) {
    return window_text(GetDlgItem(dialog, id));
}

bool enabled(HWND dialog, int id) {
    return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE;
}

void press(HWND dialog, int id) {
    SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

// A click on a row, as the list reports it.
void choose_row(HWND dialog, int row) {
    HWND list = GetDlgItem(dialog, IDC_CONV_LIST);
    SendMessageA(list, LB_SETCURSEL, row, 0);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_CONV_LIST, LBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(list));
}

class ConvertersDialogTest : public GuiTest {
protected:
    // Converters A, B and C (keys 0, 1, 2), B current; extra goes at the end of [Converter].
    void start_with_three(const std::string& extra = "") {
        std::string ini = "[Input]\r\nAuto Refresh=0\r\n[Converter]\r\nConverter_Number=3\r\n"
                          "Current Converter=1\r\n";
        const char* titles[] = {"A", "B", "C"};
        for (int n = 1; n <= 3; ++n) {
            const std::string p = "Converter00" + std::to_string(n) + "_";
            const std::string title = titles[n - 1];
            ini += p + "Title=" + title + "\r\n" + p + "ExeFile=D:\\Tools\\" + title + ".exe\r\n" +
                   p + "Arguments=-" + title + " ${infile} ${outfile}\r\n" + p +
                   "WorkDir=${location}\r\n";
        }
        write_settings(ini + extra);
        open_main_window();
    }
};

TEST_F(ConvertersDialogTest, ShowsTheMainOrderWithTheFirstSelected) {
    start_with_three();
    with_converters_dialog([](HWND dialog) {
        EXPECT_EQ(window_text(dialog), "Converters");
        EXPECT_EQ(list_rows(dialog), (std::vector<Row>{{"A", 0}, {"B", 1}, {"C", 2}}));
        EXPECT_EQ(list_selection(dialog), 0);
        EXPECT_EQ(field(dialog, IDC_CONV_TITLE), "A");
        EXPECT_EQ(field(dialog, IDC_CONV_EXE), "D:\\Tools\\A.exe");
        EXPECT_EQ(field(dialog, IDC_CONV_ARGUMENTS), "-A ${infile} ${outfile}");
        EXPECT_EQ(field(dialog, IDC_CONV_WORKDIR), "${location}");
        EXPECT_FALSE(enabled(dialog, IDC_CONV_UP));
        EXPECT_TRUE(enabled(dialog, IDC_CONV_DOWN));
        EXPECT_TRUE(enabled(dialog, IDC_CONV_DELETE));
        EXPECT_EQ(GetFocus(), GetDlgItem(dialog, IDC_CONV_LIST));
    });
}

// The dialog edits a copy of the list it is given: "OK" hands back the converters in the
// dialog's order with its selected row, "Cancel" and the close box nothing; the main window's
// box is its caller's to fill.
TEST_F(ConvertersDialogTest, OkHandsBackTheEditedListAndCancelNothing) {
    open_main_window();
    const std::vector<Converter> given = {{"A", "a.exe", "-a", "${location}"},
                                          {"B", "b.exe", "-b", ""}};
    for (const bool close_box : {false, true}) {
        SCOPED_TRACE(close_box ? "close box" : "Cancel");
        post_modal_script("Converters", [&](HWND dialog) {
            SetDlgItemTextA(dialog, IDC_CONV_EXE, "changed.exe");
            press(dialog, IDC_CONV_NEW);
            if (close_box) SendMessageA(dialog, WM_CLOSE, 0, 0);
            else press(dialog, IDC_CONV_CANCEL);
        });
        EXPECT_FALSE(open_converters_dialog(main_window(), given).has_value());
    }
    post_modal_script("Converters", [](HWND dialog) {
        SetDlgItemTextA(dialog, IDC_CONV_EXE, "a2.exe");
        choose_row(dialog, 1);
        press(dialog, IDC_CONV_UP);
        SetDlgItemTextA(dialog, IDC_CONV_PARALLEL, "3");
        press(dialog, IDC_CONV_OK);
    });
    const std::optional<EditedConverters> edited = open_converters_dialog(main_window(), given);
    ASSERT_TRUE(edited.has_value());
    EXPECT_EQ(edited->selected, 0);
    ASSERT_EQ(edited->converters.size(), 2u);
    const Converter& b = edited->converters[0];
    const Converter& a = edited->converters[1];
    EXPECT_EQ(b.title + "|" + b.exe_file + "|" + b.arguments + "|" + std::to_string(b.parallel),
              "B|b.exe|-b|3");
    EXPECT_EQ(a.title + "|" + a.exe_file + "|" + a.work_dir + "|" + std::to_string(a.parallel),
              "A|a2.exe|${location}|1");
    EXPECT_TRUE(main_rows().empty());
}

TEST_F(ConvertersDialogTest, EmptyListDisablesFieldsAndOkLeavesNoSelection) {
    open_main_window();
    with_converters_dialog([](HWND dialog) {
        EXPECT_TRUE(list_rows(dialog).empty());
        for (int id : {IDC_CONV_TITLE, IDC_CONV_EXE, IDC_CONV_ARGUMENTS, IDC_CONV_WORKDIR,
                       IDC_CONV_PARALLEL}) {
            EXPECT_FALSE(enabled(dialog, id));
            EXPECT_EQ(field(dialog, id), "");
        }
        for (int id : {IDC_CONV_DELETE, IDC_CONV_UP, IDC_CONV_DOWN, IDC_CONV_PARALLEL_SPIN})
            EXPECT_FALSE(enabled(dialog, id));
        for (int id : {IDC_CONV_NEW, IDC_CONV_COPY, IDC_CONV_OK, IDC_CONV_CANCEL,
                       IDC_CONV_EXE_BROWSE, IDC_CONV_WORKDIR_BROWSE})
            EXPECT_TRUE(enabled(dialog, id));
        press(dialog, IDC_CONV_COPY);  // nothing to copy
        EXPECT_TRUE(list_rows(dialog).empty());
        press(dialog, IDC_CONV_OK);
    });
    EXPECT_TRUE(main_rows().empty());
    EXPECT_EQ(main_selection(), CB_ERR);
}

TEST_F(ConvertersDialogTest, NewTakesTheSmallestFreeKeyAndCountsRows) {
    start_with_three();
    with_converters_dialog([](HWND dialog) {
        press(dialog, IDC_CONV_DELETE);  // A, key 0
        EXPECT_EQ(list_rows(dialog), (std::vector<Row>{{"B", 1}, {"C", 2}}));
        EXPECT_EQ(list_selection(dialog), 0);
        EXPECT_EQ(field(dialog, IDC_CONV_TITLE), "B");
        press(dialog, IDC_CONV_NEW);
        EXPECT_EQ(list_rows(dialog), (std::vector<Row>{{"B", 1}, {"C", 2}, {"Converter 003", 0}}));
        EXPECT_EQ(list_selection(dialog), 2);
        EXPECT_EQ(field(dialog, IDC_CONV_TITLE), "Converter 003");
        EXPECT_EQ(field(dialog, IDC_CONV_EXE), "");
        EXPECT_EQ(field(dialog, IDC_CONV_ARGUMENTS), "${infile} ${outfile}");
        EXPECT_EQ(field(dialog, IDC_CONV_WORKDIR), "${location}");
        EXPECT_TRUE(enabled(dialog, IDC_CONV_UP));
        EXPECT_FALSE(enabled(dialog, IDC_CONV_DOWN));
        press(dialog, IDC_CONV_OK);
    });
    EXPECT_EQ(main_rows(), (std::vector<std::string>{"B", "C", "Converter 003"}));
    EXPECT_EQ(main_selection(), 2);
}

TEST_F(ConvertersDialogTest, CopyAppendsCopyOfTheEditedConverter) {
    start_with_three();
    with_converters_dialog([](HWND dialog) {
        choose_row(dialog, 1);
        SetDlgItemTextA(dialog, IDC_CONV_ARGUMENTS, "edited ${infile}");
        press(dialog, IDC_CONV_COPY);
        EXPECT_EQ(list_rows(dialog),
                  (std::vector<Row>{{"A", 0}, {"B", 1}, {"C", 2}, {"Copy of B", 3}}));
        EXPECT_EQ(list_selection(dialog), 3);
        EXPECT_EQ(field(dialog, IDC_CONV_TITLE), "Copy of B");
        EXPECT_EQ(field(dialog, IDC_CONV_EXE), "D:\\Tools\\B.exe");
        EXPECT_EQ(field(dialog, IDC_CONV_ARGUMENTS), "edited ${infile}");
        press(dialog, IDC_CONV_COPY);
        EXPECT_EQ(list_rows(dialog).back(), (Row{"Copy of Copy of B", 4}));
    });
}

TEST_F(ConvertersDialogTest, TypedTitleRenamesTheRowAndCancelDiscardsIt) {
    start_with_three();
    with_converters_dialog([](HWND dialog) {
        HWND title = GetDlgItem(dialog, IDC_CONV_TITLE);
        SetFocus(title);
        SendMessageA(title, EM_SETSEL, 1, 1);
        type_chars(title, "xy");
        EXPECT_EQ(list_rows(dialog), (std::vector<Row>{{"Axy", 0}, {"B", 1}, {"C", 2}}));
        EXPECT_EQ(list_selection(dialog), 0);
        press(dialog, IDC_CONV_CANCEL);
    });
    EXPECT_EQ(main_rows(), (std::vector<std::string>{"A", "B", "C"}));
    EXPECT_EQ(main_selection(), 1);
    with_converters_dialog([](HWND dialog) {
        EXPECT_EQ(field(dialog, IDC_CONV_TITLE), "A");
        SendMessageA(dialog, WM_CLOSE, 0, 0);  // the close box discards too
    });
}

// Titles and paths in any script go through the fields, the list, the main box and BRELO.ini; a
// field longer than a value holds is cut after the last whole character that fits 259 bytes.
TEST_F(ConvertersDialogTest, TextsInAnyScriptKeepTheirCharacters) {
    start_with_three();
    std::string long_path;
    for (int i = 0; i < 100; ++i) long_path += "日";  // 300 bytes
    const std::string kept_path = long_path.substr(0, 86 * 3);
    with_converters_dialog([&](HWND dialog) {
        HWND title = GetDlgItem(dialog, IDC_CONV_TITLE);
        SetFocus(title);
        SendMessageW(title, EM_SETSEL, 1, 1);
        type_chars(title, "変換😀");
        EXPECT_EQ(list_rows(dialog), (std::vector<Row>{{"A変換😀", 0}, {"B", 1}, {"C", 2}}));
        SetDlgItemTextW(dialog, IDC_CONV_EXE, utf8_to_wide(long_path).c_str());
        SetDlgItemTextW(dialog, IDC_CONV_WORKDIR, L"D:\\작업 café");
        choose_row(dialog, 1);
        choose_row(dialog, 0);
        EXPECT_EQ(field(dialog, IDC_CONV_TITLE), "A変換😀");
        EXPECT_EQ(field(dialog, IDC_CONV_EXE), kept_path);
        EXPECT_EQ(field(dialog, IDC_CONV_WORKDIR), "D:\\작업 café");
        press(dialog, IDC_CONV_OK);
    });
    EXPECT_EQ(main_rows(), (std::vector<std::string>{"A変換😀", "B", "C"}));
    close_main_window();
    const std::string ini = read_settings();
    EXPECT_NE(ini.find("Converter001_Title=A変換😀\r\nConverter001_ExeFile=" + kept_path +
                       "\r\n"),
              std::string::npos)
        << ini;
    EXPECT_NE(ini.find("Converter001_WorkDir=D:\\작업 café\r\n"), std::string::npos) << ini;
}

TEST_F(ConvertersDialogTest, EditsStayWithTheirConverterWhenTheSelectionMoves) {
    start_with_three();
    with_converters_dialog([](HWND dialog) {
        SetDlgItemTextA(dialog, IDC_CONV_ARGUMENTS, "edited A");  // focus elsewhere
        SetDlgItemTextA(dialog, IDC_CONV_TITLE, "A2");
        EXPECT_EQ(list_rows(dialog)[0].title, "A");  // only typing renames the row
        choose_row(dialog, 1);
        EXPECT_EQ(field(dialog, IDC_CONV_ARGUMENTS), "-B ${infile} ${outfile}");
        press(dialog, IDC_CONV_OK);
    });
    EXPECT_EQ(main_rows(), (std::vector<std::string>{"A2", "B", "C"}));
    EXPECT_EQ(main_selection(), 1);
    with_converters_dialog([](HWND dialog) {
        EXPECT_EQ(field(dialog, IDC_CONV_ARGUMENTS), "edited A");
    });
}

TEST_F(ConvertersDialogTest, ReorderedListReachesTheMainBoxAndSurvivesARestart) {
    start_with_three();
    with_converters_dialog([](HWND dialog) {
        choose_row(dialog, 2);
        press(dialog, IDC_CONV_UP);
        EXPECT_EQ(list_rows(dialog), (std::vector<Row>{{"A", 0}, {"C", 2}, {"B", 1}}));
        press(dialog, IDC_CONV_UP);
        EXPECT_EQ(list_rows(dialog), (std::vector<Row>{{"C", 2}, {"A", 0}, {"B", 1}}));
        EXPECT_EQ(list_selection(dialog), 0);
        EXPECT_EQ(field(dialog, IDC_CONV_TITLE), "C");
        EXPECT_FALSE(enabled(dialog, IDC_CONV_UP));
        press(dialog, IDC_CONV_OK);
    });
    EXPECT_EQ(main_rows(), (std::vector<std::string>{"C", "A", "B"}));
    EXPECT_EQ(main_selection(), 0);
    close_main_window();
    const std::string ini = read_settings();
    EXPECT_NE(ini.find("Converter001_Title=C\r\nConverter001_ExeFile=D:\\Tools\\C.exe\r\n"),
              std::string::npos) << ini;
    EXPECT_NE(ini.find("Current Converter=0\r\n"), std::string::npos) << ini;
    open_main_window();
    EXPECT_EQ(main_rows(), (std::vector<std::string>{"C", "A", "B"}));
    EXPECT_EQ(main_selection(), 0);
}

TEST_F(ConvertersDialogTest, DeletingTheLastRowSelectsTheNewLastAndTheOnlyRowNothing) {
    start_with_three();
    with_converters_dialog([](HWND dialog) {
        choose_row(dialog, 2);
        press(dialog, IDC_CONV_DELETE);
        EXPECT_EQ(list_rows(dialog), (std::vector<Row>{{"A", 0}, {"B", 1}}));
        EXPECT_EQ(list_selection(dialog), 1);
        EXPECT_EQ(field(dialog, IDC_CONV_TITLE), "B");
        press(dialog, IDC_CONV_DELETE);
        EXPECT_EQ(list_selection(dialog), 0);
        EXPECT_FALSE(enabled(dialog, IDC_CONV_UP));
        EXPECT_FALSE(enabled(dialog, IDC_CONV_DOWN));
        press(dialog, IDC_CONV_DELETE);
        EXPECT_TRUE(list_rows(dialog).empty());
        EXPECT_EQ(list_selection(dialog), LB_ERR);
        EXPECT_FALSE(enabled(dialog, IDC_CONV_TITLE));
        EXPECT_EQ(field(dialog, IDC_CONV_TITLE), "");
        press(dialog, IDC_CONV_OK);
    });
    EXPECT_TRUE(main_rows().empty());
    EXPECT_EQ(main_selection(), CB_ERR);
}

TEST_F(ConvertersDialogTest, ExecutableBrowsePutsTheChosenPathIntoItsField) {
    start_with_three();
    const std::string program = test_support::program_path("hashmd5");
    with_converters_dialog([&](HWND dialog) {
        post_modal_script("Open", [&](HWND picker) {
            SetDlgItemTextA(picker, cmb13, program.c_str());
            SendMessageA(picker, WM_COMMAND, IDOK, 0);
        });
        press(dialog, IDC_CONV_EXE_BROWSE);
        EXPECT_EQ(field(dialog, IDC_CONV_EXE), program);
        post_modal_script("Open",
                          [](HWND picker) { SendMessageA(picker, WM_COMMAND, IDCANCEL, 0); });
        SetDlgItemTextA(dialog, IDC_CONV_EXE, "kept");
        press(dialog, IDC_CONV_EXE_BROWSE);
        EXPECT_EQ(field(dialog, IDC_CONV_EXE), "kept");  // a cancelled picker changes nothing
    });
}

// A key press in the Parallel field, which its up-down control answers.
void press_key(HWND dialog, int id, WPARAM key) {
    HWND field_window = GetDlgItem(dialog, id);
    SendMessageA(field_window, WM_KEYDOWN, key, 1);
    SendMessageA(field_window, WM_KEYUP, key, 0xC0000001);
}

// The Parallel field shows each converter's count at once, New gives 1, Copy takes the edited
// count, a typed count is clamped to the field's range and one set beyond it in BRELO.ini is
// kept while nobody changes it; "OK" stores them, BRELO.ini keeps them, "Cancel" forgets.
TEST_F(ConvertersDialogTest, ParallelIsShownStoredAndRestored) {
    start_with_three("Converter002_Parallel=0\r\nConverter003_Parallel=100\r\n");
    with_converters_dialog([](HWND dialog) {
        EXPECT_EQ(field(dialog, IDC_CONV_PARALLEL), "1");
        EXPECT_TRUE(enabled(dialog, IDC_CONV_PARALLEL_SPIN));
        choose_row(dialog, 1);
        EXPECT_EQ(field(dialog, IDC_CONV_PARALLEL), "0");
        choose_row(dialog, 2);
        EXPECT_EQ(field(dialog, IDC_CONV_PARALLEL), "100");
        choose_row(dialog, 0);
        SetDlgItemTextA(dialog, IDC_CONV_PARALLEL, "4");
        press(dialog, IDC_CONV_COPY);  // row 3, "Copy of A"
        EXPECT_EQ(field(dialog, IDC_CONV_PARALLEL), "4");
        press(dialog, IDC_CONV_NEW);  // row 4
        EXPECT_EQ(field(dialog, IDC_CONV_PARALLEL), "1");
        SetDlgItemTextA(dialog, IDC_CONV_PARALLEL, "99");
        choose_row(dialog, 3);
        choose_row(dialog, 4);
        EXPECT_EQ(field(dialog, IDC_CONV_PARALLEL), "64");
        press(dialog, IDC_CONV_OK);
    });
    close_main_window();
    const std::string ini = read_settings();
    for (const char* line : {"Converter001_Parallel=4\r\n", "Converter002_Parallel=0\r\n",
                             "Converter003_Parallel=100\r\n", "Converter004_Parallel=4\r\n",
                             "Converter005_Parallel=64\r\n"}) {
        SCOPED_TRACE(line);
        EXPECT_NE(ini.find(line), std::string::npos) << ini;
    }

    open_main_window();
    with_converters_dialog([](HWND dialog) {
        const char* expected[] = {"4", "0", "100", "4", "64"};
        for (int row = 0; row < 5; ++row) {
            SCOPED_TRACE(row);
            choose_row(dialog, row);
            EXPECT_EQ(field(dialog, IDC_CONV_PARALLEL), expected[row]);
        }
        SetDlgItemTextA(dialog, IDC_CONV_PARALLEL, "9");
        choose_row(dialog, 0);
        press(dialog, IDC_CONV_CANCEL);
    });
    with_converters_dialog([](HWND dialog) {
        choose_row(dialog, 4);
        EXPECT_EQ(field(dialog, IDC_CONV_PARALLEL), "64");
    });
}

// The Time limit field beside Parallel: each converter's limit, 0 for a new one, the arrows
// step it, and "OK" stores it in BRELO.ini after the Parallel keys.
TEST_F(ConvertersDialogTest, TimeLimitIsShownStoredAndRestored) {
    start_with_three("Converter002_TimeLimit=45\r\n");
    with_converters_dialog([](HWND dialog) {
        EXPECT_EQ(field(dialog, IDC_CONV_TIME_LIMIT), "0");
        EXPECT_TRUE(enabled(dialog, IDC_CONV_TIME_LIMIT_SPIN));
        choose_row(dialog, 1);
        EXPECT_EQ(field(dialog, IDC_CONV_TIME_LIMIT), "45");
        press_key(dialog, IDC_CONV_TIME_LIMIT, VK_UP);
        EXPECT_EQ(field(dialog, IDC_CONV_TIME_LIMIT), "46");
        choose_row(dialog, 0);
        SetDlgItemTextA(dialog, IDC_CONV_TIME_LIMIT, "120");
        press(dialog, IDC_CONV_NEW);
        EXPECT_EQ(field(dialog, IDC_CONV_TIME_LIMIT), "0");
        press(dialog, IDC_CONV_OK);
    });
    close_main_window();
    const std::string ini = read_settings();
    EXPECT_NE(ini.find("Converter001_TimeLimit=120\r\n"), std::string::npos) << ini;
    EXPECT_NE(ini.find("Converter002_TimeLimit=46\r\n"), std::string::npos) << ini;
    EXPECT_EQ(ini.find("Converter003_TimeLimit"), std::string::npos) << ini;
    open_main_window();
    with_converters_dialog([](HWND dialog) {
        choose_row(dialog, 1);
        EXPECT_EQ(field(dialog, IDC_CONV_TIME_LIMIT), "46");
    });
}

// The up-down's arrows and the arrow keys stay inside 0 ... 64.
TEST_F(ConvertersDialogTest, ParallelArrowsStayInsideTheRange) {
    start_with_three();
    with_converters_dialog([](HWND dialog) {
        press_key(dialog, IDC_CONV_PARALLEL, VK_UP);
        EXPECT_EQ(field(dialog, IDC_CONV_PARALLEL), "2");
        SetDlgItemTextA(dialog, IDC_CONV_PARALLEL, "64");
        press_key(dialog, IDC_CONV_PARALLEL, VK_UP);
        EXPECT_EQ(field(dialog, IDC_CONV_PARALLEL), "64");
        SetDlgItemTextA(dialog, IDC_CONV_PARALLEL, "0");
        press_key(dialog, IDC_CONV_PARALLEL, VK_DOWN);
        EXPECT_EQ(field(dialog, IDC_CONV_PARALLEL), "0");
        // Letters cannot be typed into the field.
        SetDlgItemTextA(dialog, IDC_CONV_PARALLEL, "");
        HWND parallel = GetDlgItem(dialog, IDC_CONV_PARALLEL);
        SetFocus(parallel);
        type_chars(parallel, "a7");
        EXPECT_EQ(field(dialog, IDC_CONV_PARALLEL), "7");
    });
}

}  // namespace
