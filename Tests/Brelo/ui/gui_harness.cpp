// The dialog test harness.
#include "gui_harness.h"

#include <chrono>
#include <cstring>
#include <map>

#include <commctrl.h>
#include <ole2.h>
#include <shellapi.h>
#include <shlobj.h>

#include "Common/wide_text.h"
#include "settings/settings_file.h"
#include "Support/run_program.h"
#include "ui/app.h"
#include "ui/main_window.h"
#include "ui/resource.h"
#include "ui/tree_fill.h"
#include "ui/window_run.h"
#include "ui/window_scan.h"

namespace gui {

namespace {

HWND the_main_window = nullptr;
HACCEL accelerators = nullptr;
// Only a safety net against a hung test; nothing is timed.
constexpr auto hang_limit = std::chrono::seconds(120);

std::map<HWND, MessageCounter*>& counters() {
    static std::map<HWND, MessageCounter*> map;
    return map;
}

void process(MSG& message) {
    if (message.message == WM_QUIT) return;  // posted by the main window's destruction
    if (the_main_window && IsWindow(the_main_window)) {
        dispatch_message(the_main_window, accelerators, message);
    } else {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

// Environment set up once per process: instance, controls and OLE, as the program does.
class GuiEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        set_app_instance(GetModuleHandleA(nullptr));
        INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_TREEVIEW_CLASSES | ICC_UPDOWN_CLASS};
        InitCommonControlsEx(&controls);
        OleInitialize(nullptr);
        accelerators = LoadAcceleratorsW(app_instance(), MAKEINTRESOURCEW(IDR_ACCELERATORS));
    }
    void TearDown() override { OleUninitialize(); }
};
const auto* environment = ::testing::AddGlobalTestEnvironment(new GuiEnvironment);

}  // namespace

void pump() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) process(message);
}

bool pump_until(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + hang_limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            ADD_FAILURE() << "the window never reached the awaited state";
            return false;
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
        pump();
    }
    return true;
}

bool pump_timers_until(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + hang_limit;
    MSG message;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            ADD_FAILURE() << "the window never reached the awaited state";
            return false;
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_TIMER | QS_SENDMESSAGE);
        while (PeekMessageW(&message, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE)) process(message);
    }
    return true;
}

void wait_for_refreshes() {
    pump();
    pump_until([] { return !input_refresh_pending(); });
    pump();
}

HWND main_window() {
    return the_main_window;
}

HWND control(int id) {
    return GetDlgItem(the_main_window, id);
}

HWND combo_edit(int combo_id) {
    return GetWindow(control(combo_id), GW_CHILD);
}

std::string window_text(HWND window) {
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    GetWindowTextW(window, text.data(), length + 1);
    return wide_to_utf8(text.c_str());
}

std::string text(int id) {
    return window_text(control(id));
}

void click(int id) {
    SendMessageW(control(id), BM_CLICK, 0, 0);
    wait_for_refreshes();
}

bool is_ticked(int id) {
    return IsDlgButtonChecked(the_main_window, id) == BST_CHECKED;
}

void set_tick_quietly(int id, bool ticked) {
    CheckDlgButton(the_main_window, id, ticked ? BST_CHECKED : BST_UNCHECKED);
}

void type_chars(HWND edit, const std::string& text) {
    for (wchar_t unit : utf8_to_wide(text)) SendMessageW(edit, WM_CHAR, unit, 1);
    pump();
}

void type_into(int combo_id, const std::string& text) {
    HWND edit = combo_edit(combo_id);
    SetFocus(edit);
    SendMessageW(edit, EM_SETSEL, 0, -1);
    type_chars(edit, text);
    wait_for_refreshes();
}

void press_f5(HWND focus) {
    SetFocus(focus);
    pump();
    PostMessageW(focus, WM_KEYDOWN, VK_F5, 1);
    PostMessageW(focus, WM_KEYUP, VK_F5, 0xC0000001);
    wait_for_refreshes();
}

// The list of paths after the DROPFILES header, each ending in a NUL and the list in another.
template <typename Char>
HGLOBAL drop_files(const std::vector<std::basic_string<Char>>& paths) {
    size_t size = sizeof(DROPFILES) + sizeof(Char);
    for (const auto& path : paths) size += (path.size() + 1) * sizeof(Char);
    HGLOBAL memory = GlobalAlloc(GHND, size);
    auto* files = static_cast<DROPFILES*>(GlobalLock(memory));
    files->pFiles = sizeof(DROPFILES);
    files->fWide = sizeof(Char) > 1;
    Char* out = reinterpret_cast<Char*>(files + 1);
    for (const auto& path : paths) {
        std::memcpy(out, path.c_str(), (path.size() + 1) * sizeof(Char));
        out += path.size() + 1;
    }
    *out = Char();
    GlobalUnlock(memory);
    return memory;
}

void drop(int frame_id, const std::vector<std::string>& paths, DropText kind) {
    HGLOBAL memory = nullptr;
    if (kind == DropText::Wide) {
        std::vector<std::wstring> wide;
        for (const auto& path : paths) wide.push_back(utf8_to_wide(path));
        memory = drop_files(wide);
    } else {
        memory = drop_files(paths);
    }
    SendMessageW(control(frame_id), WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);
    wait_for_refreshes();
}

// Read with a buffer longer than any text the window gives an item, so any cut is the window's.
std::string item_text(int tree_id, HTREEITEM item) {
    wchar_t buffer[1024] = {};
    TVITEMW data = {};
    data.mask = TVIF_HANDLE | TVIF_TEXT;
    data.hItem = item;
    data.pszText = buffer;
    data.cchTextMax = 1024;
    SendMessageW(control(tree_id), TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&data));
    return wide_to_utf8(buffer);
}

static HTREEITEM next_item(int tree_id, HTREEITEM item, UINT relation) {
    return reinterpret_cast<HTREEITEM>(SendMessageW(control(tree_id), TVM_GETNEXTITEM, relation,
                                                    reinterpret_cast<LPARAM>(item)));
}

static void append_items(int tree_id, HTREEITEM first, int depth, std::string& out) {
    for (HTREEITEM item = first; item; item = next_item(tree_id, item, TVGN_NEXT)) {
        out += std::string(static_cast<size_t>(depth) * 2, ' ') + item_text(tree_id, item) + "\n";
        append_items(tree_id, next_item(tree_id, item, TVGN_CHILD), depth + 1, out);
    }
}

std::string tree_text(int tree_id) {
    std::string out;
    append_items(tree_id, next_item(tree_id, nullptr, TVGN_ROOT), 0, out);
    return out;
}

HTREEITEM find_item(int tree_id, HTREEITEM parent, const std::string& name) {
    HTREEITEM item = parent ? next_item(tree_id, parent, TVGN_CHILD)
                            : next_item(tree_id, nullptr, TVGN_ROOT);
    for (; item; item = next_item(tree_id, item, TVGN_NEXT))
        if (item_text(tree_id, item) == name) return item;
    return nullptr;
}

bool is_expanded(int tree_id, HTREEITEM item) {
    const LRESULT state = SendMessageW(control(tree_id), TVM_GETITEMSTATE,
                                       reinterpret_cast<WPARAM>(item), TVIS_EXPANDED);
    return (state & TVIS_EXPANDED) != 0;
}

HTREEITEM selected_item(int tree_id) {
    return next_item(tree_id, nullptr, TVGN_CARET);
}

void move_cursor_over(int id) {
    RECT rect;
    GetWindowRect(control(id), &rect);
    SetCursorPos((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    pump();
}

MessageCounter::MessageCounter(HWND control, Test test)
    : control_(control), test_(std::move(test)) {
    counters()[control_] = this;
    const auto counting = reinterpret_cast<LONG_PTR>(&MessageCounter::proc);
    // The W call keeps the control a W window: its text messages come in UTF-16, as brelo
    // sends them.
    previous_ = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(control_, GWLP_WNDPROC, counting));
}

MessageCounter::~MessageCounter() {
    if (IsWindow(control_))
        SetWindowLongPtrW(control_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous_));
    counters().erase(control_);
}

LRESULT CALLBACK MessageCounter::proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    MessageCounter* self = counters().at(window);
    if (self->test_(message, wparam, lparam)) ++self->count_;
    return CallWindowProcW(self->previous_, window, message, wparam, lparam);
}

InputRefreshCounter::InputRefreshCounter() : start_(tree_fills_shown()) {}

int InputRefreshCounter::count() const {
    return static_cast<int>(tree_fills_shown() - start_);
}

InputRefreshCounter count_input_refreshes() {
    return InputRefreshCounter();
}

MessageCounter count_output_refreshes() {
    return MessageCounter(control(IDC_MAIN_OUTPUT_TREE), [](UINT message, WPARAM, LPARAM lparam) {
        if (message != TVM_SETITEMW) return false;
        const auto* item = reinterpret_cast<const TVITEMW*>(lparam);
        HTREEITEM root = reinterpret_cast<HTREEITEM>(SendMessageW(
            control(IDC_MAIN_OUTPUT_TREE), TVM_GETNEXTITEM, TVGN_ROOT, 0));
        return (item->mask & TVIF_TEXT) && item->hItem == root;
    });
}

namespace {

struct ModalScript {
    std::string caption;
    std::function<void(HWND)> script;
};
std::vector<ModalScript> pending_scripts;

LRESULT CALLBACK script_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message != WM_APP) return DefWindowProcA(window, message, wparam, lparam);
    const ModalScript pending = pending_scripts.at(wparam);
    HWND dialog = FindWindowA("#32770", pending.caption.c_str());
    EXPECT_NE(dialog, nullptr) << "no open dialog \"" << pending.caption << "\"";
    if (dialog) {
        pending.script(dialog);
        if (IsWindow(dialog)) SendMessageA(dialog, WM_CLOSE, 0, 0);
    }
    return 0;
}

HWND script_window() {
    static HWND window = [] {
        WNDCLASSA type = {};
        type.lpfnWndProc = script_proc;
        type.hInstance = GetModuleHandleA(nullptr);
        type.lpszClassName = "BreloTestScript";
        RegisterClassA(&type);
        return CreateWindowA("BreloTestScript", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                             GetModuleHandleA(nullptr), nullptr);
    }();
    return window;
}

}  // namespace

void post_modal_script(const std::string& caption, const std::function<void(HWND dialog)>& script) {
    pending_scripts.push_back({caption, script});
    PostMessageA(script_window(), WM_APP, pending_scripts.size() - 1, 0);
}

void with_converters_dialog(const std::function<void(HWND dialog)>& script) {
    post_modal_script("Converters", script);
    SendMessageW(control(IDC_MAIN_CONFIGURE), BM_CLICK, 0, 0);
    pump();
}

void GuiTest::SetUp() {
    DeleteFileW(utf8_to_wide(settings_file_path()).c_str());
}

void GuiTest::TearDown() {
    if (the_main_window && IsWindow(the_main_window)) close_main_window();
    the_main_window = nullptr;
    pump();
    DeleteFileW(utf8_to_wide(settings_file_path()).c_str());
}

void GuiTest::open_main_window() {
    the_main_window = create_main_window();
    ASSERT_NE(the_main_window, nullptr) << "no window: is DISPLAY set to a running X server?";
    wait_for_refreshes();
}

void GuiTest::close_main_window() {
    SendMessageW(the_main_window, WM_CLOSE, 0, 0);
    pump_until([] { return !IsWindow(the_main_window); });
    pump();
}

void GuiTest::write_settings(const std::string& ini) {
    test_support::write_file(settings_file_path(), ini);
}

std::string GuiTest::read_settings() const {
    return test_support::read_file(settings_file_path());
}

bool wait_for_run_end() { return pump_until([] { return !run_in_progress(); }); }

bool run_to_end() {
    SendMessageW(control(IDC_MAIN_RUN), BM_CLICK, 0, 0);
    return wait_for_run_end();
}

void make_an_hour_older(const std::string& path) {
    HANDLE file = CreateFileW(utf8_to_wide(path).c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
    FILETIME written;
    GetFileTime(file, nullptr, nullptr, &written);
    ULARGE_INTEGER time;
    time.LowPart = written.dwLowDateTime;
    time.HighPart = written.dwHighDateTime;
    time.QuadPart -= 36'000'000'000ULL;  // an hour in 100-ns steps
    written.dwLowDateTime = time.LowPart;
    written.dwHighDateTime = time.HighPart;
    SetFileTime(file, nullptr, nullptr, &written);
    CloseHandle(file);
}

void FoldersTest::SetUp() {
    GuiTest::SetUp();
    input = temp.file("in");
    output = temp.file("out");
    CreateDirectoryA(input.c_str(), nullptr);
    CreateDirectoryA(output.c_str(), nullptr);
}

std::string hashmd5_converter_keys(int number, const std::string& title) {
    char prefix[32];
    std::snprintf(prefix, sizeof prefix, "Converter%03d_", number);
    const std::string p = prefix;
    return p + "Title=" + title + "\r\n" + p + "ExeFile=" + test_support::program_path("hashmd5") +
           "\r\n" + p + "Arguments=${infile} ${outfile}\r\n" + p + "WorkDir=${location}\r\n";
}

}  // namespace gui
