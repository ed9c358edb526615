// Times how long brelo's window keeps its callers waiting while big trees go in: a second
// thread sends WM_NULL to the main window every 50 ms (SendMessageTimeout) and times each round
// trip, while this thread clicks Refresh once and later types a new input pattern with Auto
// Refresh on. brelo runs with the BRELO.ini beside it (input folder, pattern, both Auto Refresh
// boxes ticked), so the caller sets the fields there.
// Usage: probe_stalls BRELO_EXE INPUT_DIR OPENING_ITEMS TYPED_PATTERN TYPED_ITEMS [KEY_GAP_MS]
//   OPENING_ITEMS: the items each tree holds after the opening refresh (root, folders, files)
//   TYPED_PATTERN: typed into the input pattern field, a key every KEY_GAP_MS (default 150)
//   TYPED_ITEMS: the items each tree holds once the typed pattern's refresh is shown
// Before the click two files are added to the first sub-folder of INPUT_DIR (and removed at the
// end), so the refreshed trees hold OPENING_ITEMS + 2 items and "full" is told apart from the
// old trees by the count alone (a "Scanning..." item adds one).
// Prints one line:
//   refresh longest MS full S typing longest MS settled S pings N
// longest: the longest round trip from the click (or the first key) until a second after the
// trees were full; full: seconds from the click until both trees hold their new count; settled:
// seconds from the last key until both trees hold the typed pattern's count. Exits with 1 when
// the window never showed up or a tree never reached its count.
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <windows.h>
#include <commctrl.h>

#include "bench_clock.h"
#include "ui/resource.h"

namespace {

constexpr const char* main_caption = "Brelo File Converter V1.1.1 by Ravo";
constexpr const char* dialog_class = "#32770";
constexpr DWORD start_limit_ms = 120000;
constexpr DWORD ping_period_ms = 50;
constexpr DWORD ping_limit_ms = 60000;
constexpr DWORD poll_ms = 20;
constexpr double fill_limit_s = 120;
constexpr DWORD after_full_ms = 1000;
constexpr const char* added_names[] = {"probe added 1.txt", "probe added 2.txt"};

std::string folder_of(const std::string& path) {
    const std::string::size_type slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

HWND find_main_window(DWORD process_id) {
    const DWORD deadline = GetTickCount() + start_limit_ms;
    while (GetTickCount() < deadline) {
        HWND window = nullptr;
        while ((window = FindWindowExA(nullptr, window, dialog_class, main_caption))) {
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == process_id) return window;
        }
        Sleep(50);
    }
    return nullptr;
}

// One WM_NULL round trip, when it was sent and how long it took.
struct Ping {
    double sent;
    double seconds;
};

// Sends WM_NULL every 50 ms (measured from each send, so a long wait is followed at once by the
// next send) until told to stop.
class Pinger {
public:
    explicit Pinger(HWND window) : window_(window), thread_([this] { loop(); }) {}
    ~Pinger() {
        stop_ = true;
        thread_.join();
    }
    // The longest round trip among those sent from `from` to `to`.
    double longest(double from, double to) const {
        std::lock_guard<std::mutex> lock(mutex_);
        double most = 0;
        for (const Ping& ping : pings_)
            if (ping.sent >= from && ping.sent <= to) most = std::max(most, ping.seconds);
        return most;
    }
    std::size_t count() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return pings_.size();
    }
private:
    void loop() {
        while (!stop_) {
            const double sent = counter_seconds();
            DWORD_PTR ignored = 0;
            SendMessageTimeoutA(window_, WM_NULL, 0, 0, SMTO_NORMAL, ping_limit_ms, &ignored);
            const double took = counter_seconds() - sent;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                pings_.push_back({sent, took});
            }
            const double wait_ms = ping_period_ms - took * 1000;
            if (wait_ms > 0) Sleep(static_cast<DWORD>(wait_ms));
        }
    }
    HWND window_;
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    std::vector<Ping> pings_;
    std::thread thread_;
};

// The items a tree holds; -1 when the window does not answer.
long tree_count(HWND tree) {
    DWORD_PTR count = 0;
    if (!SendMessageTimeoutA(tree, TVM_GETCOUNT, 0, 0, SMTO_NORMAL, ping_limit_ms, &count))
        return -1;
    return static_cast<long>(count);
}

// Waits until both trees hold count items; the time it happened, or a negative value. The
// trees are looked up by id each time: a new result comes in new tree controls.
double wait_for_count(HWND window, long count) {
    const double deadline = counter_seconds() + fill_limit_s;
    while (counter_seconds() < deadline) {
        if (tree_count(GetDlgItem(window, IDC_MAIN_INPUT_TREE)) == count &&
            tree_count(GetDlgItem(window, IDC_MAIN_OUTPUT_TREE)) == count)
            return counter_seconds();
        Sleep(poll_ms);
    }
    return -1;
}

std::string first_sub_folder(const std::string& dir) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((dir + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return dir;
    std::string folder = dir;
    do {
        const std::string name = found.cFileName;
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name != "." && name != "..") {
            folder = dir + "\\" + name;
            break;
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return folder;
}

void add_files(const std::string& folder) {
    for (const char* name : added_names) {
        HANDLE file = CreateFileA((folder + "\\" + name).c_str(), GENERIC_WRITE, 0, nullptr,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    }
}

void remove_files(const std::string& folder) {
    for (const char* name : added_names) DeleteFileA((folder + "\\" + name).c_str());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 6 && argc != 7) {
        std::fprintf(stderr, "usage: probe_stalls BRELO_EXE INPUT_DIR OPENING_ITEMS "
                             "TYPED_PATTERN TYPED_ITEMS [KEY_GAP_MS]\n");
        return 2;
    }
    const std::string program = argv[1];
    const std::string input_dir = argv[2];
    const long opening_items = std::atol(argv[3]);
    const std::string typed = argv[4];
    const long typed_items = std::atol(argv[5]);
    const DWORD key_gap_ms = argc == 7 ? static_cast<DWORD>(std::atol(argv[6])) : 150;
    const std::string added_folder = first_sub_folder(input_dir);
    remove_files(added_folder);

    std::string line = "\"" + program + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(program.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr,
                        folder_of(program).c_str(), &startup, &info)) {
        std::fprintf(stderr, "probe_stalls: cannot start %s\n", program.c_str());
        return 1;
    }
    WaitForInputIdle(info.hProcess, start_limit_ms);
    HWND window = find_main_window(info.dwProcessId);
    int result = 1;
    if (!window) {
        std::fprintf(stderr, "probe_stalls: no main window\n");
    } else if (wait_for_count(window, opening_items) < 0) {
        std::fprintf(stderr, "probe_stalls: the opening refresh never showed %ld items\n",
                     opening_items);
    } else {
        Sleep(1000);  // whatever the opening refresh left to do
        Pinger pinger(window);
        Sleep(500);

        add_files(added_folder);
        const double click = counter_seconds();
        PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDC_MAIN_INPUT_REFRESH, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(window, IDC_MAIN_INPUT_REFRESH)));
        const double full = wait_for_count(window, opening_items + 2);
        Sleep(after_full_ms);
        const double refresh_longest = pinger.longest(click, counter_seconds());

        HWND edit = GetWindow(GetDlgItem(window, IDC_MAIN_INPUT_PATTERNS), GW_CHILD);
        PostMessageA(edit, EM_SETSEL, 0, -1);
        const double first_key = counter_seconds();
        double last_key = first_key;
        for (std::size_t i = 0; i < typed.size(); ++i) {
            if (i > 0) Sleep(key_gap_ms);
            last_key = counter_seconds();
            PostMessageA(edit, WM_CHAR, static_cast<unsigned char>(typed[i]), 1);
        }
        const double settled = wait_for_count(window, typed_items);
        Sleep(after_full_ms);
        const double typing_longest = pinger.longest(first_key, counter_seconds());

        if (full >= 0 && settled >= 0) {
            std::printf("refresh longest %.0f full %.2f typing longest %.0f settled %.2f "
                        "pings %zu\n",
                        refresh_longest * 1000, full - click, typing_longest * 1000,
                        settled - last_key, pinger.count());
            result = 0;
        } else {
            std::fprintf(stderr, "probe_stalls: the trees never reached %ld items\n",
                         full < 0 ? opening_items + 2 : typed_items);
        }
    }
    remove_files(added_folder);
    if (window) PostMessageA(window, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(info.hProcess, start_limit_ms) != WAIT_OBJECT_0)
        TerminateProcess(info.hProcess, 1);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return result;
}
