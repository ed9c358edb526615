// Drives brelo's real dialogs inside the test process: creates the main window, pumps the
// thread's messages through the program's own dispatch, types, clicks, drops and reads controls.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "Support/temp_dir.h"

namespace gui {

// Carries out every message waiting in the thread's queue, as the program's loop would.
void pump();
// Pumps until done() holds. A test that would otherwise hang fails after a generous limit.
bool pump_until(const std::function<bool()>& done);
// Carries out only the thread's timer messages (and the messages other threads send) until
// done() holds: a scan's end message stays in the queue, so its result is not shown meanwhile.
bool pump_timers_until(const std::function<bool()>& done);
// Pumps until no input refresh is pending: its pause is over, its scan ended and its result
// shown.
void wait_for_refreshes();

// The open main window, or null.
HWND main_window();
HWND control(int id);
// The edit field inside a combo box with an edit field.
HWND combo_edit(int combo_id);

// The whole text of a window or control, in UTF-8.
std::string window_text(HWND window);
std::string text(int id);
// Clicks the control and waits for the refresh the click may have started.
void click(int id);
bool is_ticked(int id);
// Sets the tick without notifying the window, as a loaded setting would.
void set_tick_quietly(int id, bool ticked);
// Replaces the text of a combo box's edit field as the user does: the old text is selected and
// each character typed, so the window hears one change per keystroke; then waits for the
// refresh the typing started.
void type_into(int combo_id, const std::string& text);
// Types characters (UTF-8, sent as the UTF-16 units a keyboard gives) at the end of an edit
// control that has the focus, one keystroke after the other without a pause between them, then
// carries out what they left in the queue.
void type_chars(HWND edit, const std::string& text);
// F5 pressed while focus has the keyboard focus, through the program's accelerator table; then
// waits for the refresh it started.
void press_f5(HWND focus);
// How a drop's list of paths is written: in UTF-16, as the shell writes it, or in the code page,
// as older programs do.
enum class DropText { Wide, CodePage };
// Drops the paths (UTF-8) on a control and waits for the refresh it started.
void drop(int frame_id, const std::vector<std::string>& paths, DropText kind = DropText::Wide);

// The tree as indented text in UTF-8, one item per line, children two blanks deeper.
std::string tree_text(int tree_id);
// The first item under parent (null: the roots) whose text is name.
HTREEITEM find_item(int tree_id, HTREEITEM parent, const std::string& name);
bool is_expanded(int tree_id, HTREEITEM item);
HTREEITEM selected_item(int tree_id);
std::string item_text(int tree_id, HTREEITEM item);

// Pumps until the run has ended; false when it has not after the generous limit.
bool wait_for_run_end();
// Clicks Run and waits for the run to end.
bool run_to_end();

// Moves a file's last-written time an hour back.
void make_an_hour_older(const std::string& path);

// Moves the mouse cursor over the centre of a control.
void move_cursor_over(int id);

// Counts the messages a control receives that satisfy the test, from now until it is destroyed.
class MessageCounter {
public:
    using Test = std::function<bool(UINT message, WPARAM wparam, LPARAM lparam)>;
    MessageCounter(HWND control, Test test);
    ~MessageCounter();
    int count() const { return count_; }
    void reset() { count_ = 0; }

private:
    static LRESULT CALLBACK proc(HWND, UINT, WPARAM, LPARAM);
    HWND control_;
    Test test_;
    WNDPROC previous_;
    int count_ = 0;
};

// Counts the refreshes of the input side whose result the trees show, from now on.
class InputRefreshCounter {
public:
    InputRefreshCounter();
    int count() const;

private:
    unsigned start_;
};
InputRefreshCounter count_input_refreshes();
// Counts the renamings of the output root: one per refresh of the output side once the trees
// hold items.
MessageCounter count_output_refreshes();

// Runs script on the dialog with this caption once it is open modally: post it right before the
// action that opens the dialog, whose own loop then runs it. The dialog is closed afterwards if
// the script left it open.
void post_modal_script(const std::string& caption, const std::function<void(HWND dialog)>& script);

// Runs script on the converters dialog while it is open modally: the script is posted before
// "Configure..." is clicked, so the dialog's own loop runs it. The dialog is closed afterwards
// if the script left it open.
void with_converters_dialog(const std::function<void(HWND dialog)>& script);

// A fixture owning the settings file beside the test program, a temporary folder and the main
// window. Each test starts from the BRELO.ini it writes (none by default).
class GuiTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Creates the main window and carries out its start-up messages, its first refresh
    // included.
    void open_main_window();
    // Closes it as the user does and pumps until it is gone (the settings are saved then).
    void close_main_window();
    void write_settings(const std::string& ini);
    std::string read_settings() const;

    test_support::TempDir temp;
};

// GuiTest with two empty folders in the temporary folder, named "in" and "out".
class FoldersTest : public GuiTest {
protected:
    void SetUp() override;

    std::string input, output;
};

// The lines of a BRELO.ini [Converter] section that defines the hashmd5 converter as number n.
std::string hashmd5_converter_keys(int number, const std::string& title);

}  // namespace gui
