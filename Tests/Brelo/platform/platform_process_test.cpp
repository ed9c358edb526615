// Files, directories, events and threads of the platform layer.
#include "platform/platform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <random>

#include "Support/temp_dir.h"

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
