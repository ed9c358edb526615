// Files, directories, events and threads of the platform layer, and the code pages of console
// text.
#include "platform/platform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <map>
#include <random>
#include <set>
#include <thread>
#include <vector>

#include "Support/run_program.h"
#include "Support/temp_dir.h"

#ifdef _WIN32
#include <windows.h>
#include "Common/wide_text.h"
#endif

namespace {

using test_support::TempDir;

TEST(Files, DirectoriesAndFilesAreTold) {
    TempDir dir;
    test_support::write_file(dir.file("a.txt"), "a");
    struct Row {
        const char* label;
        std::string path;
        bool directory, exists;
    };
    const Row rows[] = {
        {"directory", dir.path(), true, true},
        {"file", dir.file("a.txt"), false, true},
        {"missing", dir.file("missing"), false, false},
        {"empty path", "", false, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        EXPECT_EQ(is_directory(row.path), row.directory);
        EXPECT_EQ(path_exists(row.path), row.exists);
    }
}

TEST(Files, MakeDirectoryCreatesOneLevel) {
    TempDir dir;
    EXPECT_TRUE(make_directory(dir.file("new")));
    EXPECT_TRUE(is_directory(dir.file("new")));
    EXPECT_FALSE(make_directory(dir.file("new")));
    const std::string deep = dir.file("x") + path_separator + "y";
    EXPECT_FALSE(make_directory(deep));
    EXPECT_FALSE(path_exists(deep));
}

TEST(Files, ListDirectoryDeliversEveryEntry) {
    TempDir dir;
    test_support::write_file(dir.file("b.txt"), "b");
    test_support::write_file(dir.file(".hidden"), "h");
    ASSERT_TRUE(make_directory(dir.file("sub")));
    std::map<std::string, bool> seen;
    int calls = 0;
    EXPECT_TRUE(list_directory(dir.path(), [&](const DirEntry& entry) {
        ++calls;
        seen[entry.name] = entry.is_directory;
        return true;
    }));
    std::map<std::string, bool> expected = {
        {".", true}, {"..", true}, {".hidden", false}, {"b.txt", false}, {"sub", true}};
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(calls, 5);
}

TEST(Files, ListDirectoryStopsWhenAsked) {
    TempDir dir;
    test_support::write_file(dir.file("a"), "a");
    test_support::write_file(dir.file("b"), "b");
    int calls = 0;
    EXPECT_TRUE(list_directory(dir.path(), [&](const DirEntry&) { return ++calls < 2; }));
    EXPECT_EQ(calls, 2);
    EXPECT_FALSE(list_directory(dir.file("missing"), [](const DirEntry&) { return true; }));
    EXPECT_FALSE(list_directory(dir.file("a"), [](const DirEntry&) { return true; }));
}

// Names the ANSI code page cannot spell: Japanese, Korean, an accent and an emoji (two UTF-16
// units on Windows).
const std::vector<std::string> unicode_names = {
    "\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e.txt", "\xed\x95\x9c\xea\xb5\xad.txt",
    "caf\xc3\xa9.txt", "\xf0\x9f\x98\x80.txt"};
const std::string unicode_folder = "\xe3\x83\x95\xe3\x82\xa9\xe3\x83\xab\xe3\x83\x80";  // フォルダ

TEST(Files, NamesInAnyScriptAreMadeListedAndFound) {
    TempDir dir;
    const std::string folder = dir.file(unicode_folder);
    ASSERT_TRUE(make_directory(folder));
    for (const std::string& name : unicode_names) {
        test_support::write_file(folder + path_separator + name, name);
    }
    std::set<std::string> listed;
    EXPECT_TRUE(list_directory(folder, [&](const DirEntry& entry) {
        if (entry.name != "." && entry.name != "..") listed.insert(entry.name);
        return true;
    }));
    EXPECT_EQ(listed, std::set<std::string>(unicode_names.begin(), unicode_names.end()));
    EXPECT_TRUE(is_directory(folder));
    FolderId by_name, by_other_spelling;
    EXPECT_TRUE(folder_identity(folder, by_name));
    EXPECT_TRUE(folder_identity(folder + path_separator + "." + path_separator, by_other_spelling));
    EXPECT_EQ(by_name, by_other_spelling);
    const std::string dotted = folder + path_separator + ".." + path_separator + unicode_folder;
    EXPECT_EQ(absolute_path(dotted), absolute_path(folder));
    for (const std::string& name : unicode_names) {
        SCOPED_TRACE(name);
        const std::string path = folder + path_separator + name;
        EXPECT_TRUE(path_exists(path));
        EXPECT_FALSE(is_directory(path));
        EXPECT_EQ(file_kind(path), FileKind::Readable);
        long long time = 0;
        EXPECT_TRUE(file_modified_time(path, time));
        EXPECT_EQ(test_support::read_file(path), name);
    }
}

// A file's time can be set back without touching its content; its state tells time and size.
TEST(Files, ModifiedTimeIsSetAndStateTold) {
    TempDir dir;
    const std::string path = dir.file(unicode_folder + ".txt");
    test_support::write_file(path, "12345");
    FileState state;
    ASSERT_TRUE(file_state(path, state));
    EXPECT_EQ(state.size, 5);
    const long long earlier = state.modified - 3 * file_time_units_per_second;
    EXPECT_TRUE(set_file_modified_time(path, earlier));
    long long time = 0;
    EXPECT_TRUE(file_modified_time(path, time));
    EXPECT_EQ(time, earlier);
    ASSERT_TRUE(file_state(path, state));
    EXPECT_EQ(state.modified, earlier);
    EXPECT_EQ(test_support::read_file(path), "12345");
    EXPECT_FALSE(file_state(dir.path(), state));
    EXPECT_FALSE(file_state(dir.file("missing"), state));
    EXPECT_FALSE(set_file_modified_time(dir.file("missing"), earlier));
}

// Names the file system takes as one have one key and are equal paths: on Windows case and the
// separator do not count, in any script.
TEST(Files, PathCompareKeyFollowsTheFileSystem) {
    const std::string a = "dir/B\xc3\xa4.md5";   // "Bä"
    const std::string b = "DIR\\b\xc3\x84.MD5";  // "bÄ"
#ifdef _WIN32
    EXPECT_EQ(path_compare_key(a), path_compare_key(b));
    EXPECT_TRUE(paths_equal(a, b));
#else
    EXPECT_NE(path_compare_key(a), path_compare_key(b));
    EXPECT_EQ(path_compare_key(a), a);
    EXPECT_FALSE(paths_equal(a, b));
#endif
    EXPECT_TRUE(paths_equal(a, a));
    EXPECT_NE(path_compare_key(a), path_compare_key("dir/Bb.md5"));
    EXPECT_FALSE(paths_equal(a, "dir/Bb.md5"));
}

// A temporary file takes text, gives it back from its start in pieces, takes more at its end, and
// leaves nothing behind once closed.
TEST(TemporaryFiles, WrittenTextIsReadBackAndTheFileVanishes) {
    TempDir dir;
    const std::string folder = dir.file(unicode_folder);
    ASSERT_TRUE(make_directory(folder));
    EXPECT_TRUE(is_directory(temporary_directory()));
    TemporaryFile* file = create_temporary_file(folder);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(write_temporary_file(*file, "hello ", 6), 6u);
    EXPECT_EQ(write_temporary_file(*file, "world", 5), 5u);
    char buffer[4];
    std::string read;
    for (std::size_t count; (count = read_temporary_file(*file, buffer, sizeof buffer)) > 0;)
        read.append(buffer, count);
    EXPECT_EQ(read, "hello world");
    EXPECT_EQ(write_temporary_file(*file, "!", 1), 1u);
    read.clear();
    for (std::size_t count; (count = read_temporary_file(*file, buffer, sizeof buffer)) > 0;)
        read.append(buffer, count);
    EXPECT_EQ(read, "hello world!");
    close_temporary_file(file);
    std::size_t left = 0;
    list_directory(folder, [&](const DirEntry& entry) {
        if (entry.name != "." && entry.name != "..") ++left;
        return true;
    });
    EXPECT_EQ(left, 0u);
    EXPECT_EQ(create_temporary_file(dir.file("missing")), nullptr);
}

#ifdef _WIN32
// The limit the 8-bit calls had stays (MAX_PATH with the terminating NUL), counted in UTF-16
// units, not in bytes of UTF-8: 259 units are a path, 260 are not, however many bytes their
// characters take.
TEST(Files, PathsPastTheOldLimitCountInCharactersAndFail) {
    TempDir dir;
    const std::string japanese = "\xe6\x97\xa5";  // one unit, three bytes
    // Folders of at most 80 characters each: a file system may take no more than 255 bytes
    // for one name.
    std::vector<std::string> made;
    std::string path = dir.path();
    std::size_t units = path.size();
    while (units + 1 + 80 < 259) {
        path += path_separator;
        for (int i = 0; i < 80; ++i) path += japanese;
        units += 81;
        ASSERT_TRUE(make_directory(path)) << units;
        made.push_back(path);
    }
    const std::string parent = path;
    std::string last = path + path_separator;
    ++units;
    while (units < 259) {
        last += japanese;
        ++units;
    }
    ASSERT_GT(last.size(), 259u);
    EXPECT_TRUE(make_directory(last));
    made.push_back(last);
    EXPECT_TRUE(is_directory(last));
    EXPECT_FALSE(make_directory(last + japanese));
    EXPECT_FALSE(path_exists(last + japanese));
    // A listing asks for "\\*" beside the folder's name: two units more.
    EXPECT_FALSE(list_directory(last, [](const DirEntry&) { return true; }));
    EXPECT_TRUE(list_directory(parent, [](const DirEntry&) { return true; }));
    // The temporary folder's own clean-up does not reach that deep.
    std::error_code error;
    for (auto it = made.rbegin(); it != made.rend(); ++it)
        std::filesystem::remove(test_support::native_path(*it), error);
}
#endif

TEST(Text, ConsoleTextIsReadInACodePageOnWindowsOnly) {
#ifdef _WIN32
    const unsigned code_page = console_code_page();
    EXPECT_NE(code_page, 0u);
    EXPECT_NE(code_page, 65001u);  // UTF-8 is what failed when a code page is asked for
    EXPECT_TRUE(is_lead_byte(932, 0x93));
    EXPECT_TRUE(is_lead_byte(932, 0xE0));
    EXPECT_FALSE(is_lead_byte(932, 'A'));
    EXPECT_FALSE(is_lead_byte(932, 0xB1));  // half-width katakana stand alone
    EXPECT_FALSE(is_lead_byte(437, 0x93));
    EXPECT_EQ(code_page_to_utf8(932, "\x93\xfa\x96\x7b"), "\xe6\x97\xa5\xe6\x9c\xac");
    EXPECT_EQ(code_page_to_utf8(437, "caf\x82"), "caf\xc3\xa9");
#else
    EXPECT_EQ(console_code_page(), 0u);
    EXPECT_FALSE(is_lead_byte(932, 0x93));
    EXPECT_EQ(code_page_to_utf8(932, "\x93\xfa"), "\x93\xfa");
#endif
}

#ifdef _WIN32
// A program without a console gets a hidden one, which no window shows, and its converters share
// it instead of getting a console each: the converter sees the program among the processes of
// its console.
TEST(Consoles, AProgramWithoutAConsoleSharesAHiddenOneWithItsConverters) {
    TempDir dir;
    const std::string report = dir.file("report.txt");
    // Started as from a desktop, with no console to inherit, and as from this console program.
    for (const DWORD flags : {static_cast<DWORD>(DETACHED_PROCESS), static_cast<DWORD>(0)}) {
        SCOPED_TRACE(flags);
        std::wstring line = utf8_to_wide(
            "\"" + test_support::program_path("console_share_child") + "\" \"" + report +
            "\" \"" + test_support::program_path("console_child") + "\"");
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info = {};
        ASSERT_TRUE(CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, flags, nullptr,
                                   nullptr, &startup, &info));
        WaitForSingleObject(info.hProcess, INFINITE);
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
        const std::string text = test_support::read_file(report);
        const std::string own_id = std::to_string(info.dwProcessId);
        EXPECT_EQ(text.rfind("1\n0\n" + own_id + "\nconsole ", 0), 0u) << text;
        const std::size_t ids = text.find("console ");
        ASSERT_NE(ids, std::string::npos) << text;
        std::string attached = text.substr(ids) + " ";
        std::replace(attached.begin(), attached.end(), '\n', ' ');
        EXPECT_NE(attached.find(" " + own_id + " "), std::string::npos) << text;
    }
}
#endif

// Converters started at once from two threads hold only their own pipe ends. A quick one that
// has ended reports the end of its output at once, while a slow one started beside it still
// runs: had the slow one been given the quick one's ends too, that output would stay open until
// the reader gave up waiting for it.
TEST(ChildProcesses, ChildrenStartedAtOnceHoldOnlyTheirOwnPipes) {
    TempDir dir;
    const std::string program = "\"" + test_support::program_path("console_child") + "\" ";
    for (int round = 0; round < 5; ++round) {
        SCOPED_TRACE(round);
        ChildProcess* slow = nullptr;
        ChildProcess* quick = nullptr;
        std::atomic<int> ready{0};
        const auto start = [&](const char* act, ChildProcess*& child) {
            ++ready;
            while (ready.load() < 2) std::this_thread::yield();
            return start_child_process(program + act, dir.path(), child);
        };
        StartResult slow_started = StartResult::ProcessFailed;
        std::thread beside([&] { slow_started = start("polite", slow); });
        const StartResult quick_started = start("silent", quick);
        beside.join();
        ASSERT_EQ(quick_started, StartResult::Started);
        ASSERT_EQ(slow_started, StartResult::Started);
        wait_child_process(*quick);
        const auto ended = std::chrono::steady_clock::now();
        char buffer[256];
        std::size_t count = 0;
        while (read_child_output(*quick, buffer, sizeof buffer, count)) {
        }
        EXPECT_LT(std::chrono::steady_clock::now() - ended,
                  std::chrono::milliseconds(output_drain_quiet_ms / 2));
        end_child_process_tree(*slow);
        wait_child_process(*slow);
        close_child_process(slow);
        close_child_process(quick);
    }
}

TEST(Events, ManualResetEventStaysSetUntilReset) {
    Event* event = create_event();
    ASSERT_NE(event, nullptr);
    EXPECT_FALSE(is_event_set(*event));
    set_event(*event);
    set_event(*event);
    EXPECT_TRUE(is_event_set(*event));
    EXPECT_TRUE(is_event_set(*event));
    reset_event(*event);
    EXPECT_FALSE(is_event_set(*event));
    reset_event(*event);
    EXPECT_FALSE(is_event_set(*event));
    close_event(event);
    close_event(nullptr);
}

TEST(Events, WaitTellsWhichEventIsSet) {
    Event* first = create_event();
    Event* second = create_event();
    ASSERT_TRUE(first && second);
    EXPECT_EQ(wait_for_events(*first, second, 0), -1);
    EXPECT_EQ(wait_for_events(*first, nullptr, 0), -1);
    set_event(*second);
    EXPECT_EQ(wait_for_events(*first, second, -1), 1);
    EXPECT_EQ(wait_for_events(*first, nullptr, 0), -1);
    set_event(*first);
    EXPECT_EQ(wait_for_events(*first, second, -1), 0);
    close_event(first);
    close_event(second);
}

#ifdef _WIN32
// On Windows a named event is one kernel object for everyone who opens the name.
TEST(Events, NamedEventIsSharedByName) {
    const std::string name = "BreloTestEvent-" + std::to_string(std::random_device()());
    Event* one = create_event(name);
    Event* two = create_event(name);
    ASSERT_TRUE(one && two);
    set_event(*one);
    EXPECT_TRUE(is_event_set(*two));
    reset_event(*two);
    EXPECT_FALSE(is_event_set(*one));
    close_event(one);
    close_event(two);
}
#endif

TEST(Threads, DetachedThreadRunsItsBody) {
    Event* done = create_event();
    ASSERT_NE(done, nullptr);
    std::atomic<int> value{0};
    ASSERT_TRUE(start_detached_thread([&] {
        value = 42;
        set_event(*done);
    }));
    EXPECT_EQ(wait_for_events(*done, nullptr, -1), 0);
    EXPECT_EQ(value, 42);
    close_event(done);
}

}  // namespace
