// brelo-batch's view of a run: every piece of the log goes out once, as it comes, and the view
// keeps none of it. A view that received or kept the whole log made long runs quadratic.
#include "batch/console_run_events.h"

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <new>
#include <ostream>
#include <sstream>
#include <streambuf>
#include <string>

#include <gtest/gtest.h>

#include "Support/temp_dir.h"
#include "engine/run_plan.h"
#include "engine/walk.h"
#include "platform/platform.h"

// The test program's allocations carry their size in front, so that the bytes allocated while
// counting is on, and not yet freed, can be followed.
namespace {

struct BlockHead {
    std::size_t size;
    bool counted;
};
constexpr std::size_t alignment = alignof(std::max_align_t);
constexpr std::size_t head_room = (sizeof(BlockHead) + alignment - 1) / alignment * alignment;

std::atomic<bool> counting{false};
std::atomic<std::size_t> counted_live{0};
std::atomic<std::size_t> counted_peak{0};

void* allocate(std::size_t size) {
    auto* block = static_cast<unsigned char*>(std::malloc(size + head_room));
    if (!block) return nullptr;
    BlockHead* head = reinterpret_cast<BlockHead*>(block);
    head->size = size;
    head->counted = counting.load();
    if (head->counted) {
        const std::size_t live = counted_live += size;
        std::size_t peak = counted_peak.load();
        while (live > peak && !counted_peak.compare_exchange_weak(peak, live)) {
        }
    }
    return block + head_room;
}

void release(void* pointer) {
    if (!pointer) return;
    unsigned char* block = static_cast<unsigned char*>(pointer) - head_room;
    const BlockHead* head = reinterpret_cast<const BlockHead*>(block);
    if (head->counted) counted_live -= head->size;
    std::free(block);
}

}  // namespace

void* operator new(std::size_t size) {
    if (void* pointer = allocate(size)) return pointer;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return allocate(size); }
void operator delete(void* pointer) noexcept { release(pointer); }
void operator delete[](void* pointer) noexcept { release(pointer); }
void operator delete(void* pointer, std::size_t) noexcept { release(pointer); }
void operator delete[](void* pointer, std::size_t) noexcept { release(pointer); }
void operator delete(void* pointer, const std::nothrow_t&) noexcept { release(pointer); }
void operator delete[](void* pointer, const std::nothrow_t&) noexcept { release(pointer); }

namespace {

// Counts the bytes written through it and keeps none.
class CountingBuffer : public std::streambuf {
public:
    std::size_t bytes = 0;
    int flushes = 0;

protected:
    std::streamsize xsputn(const char*, std::streamsize count) override {
        bytes += static_cast<std::size_t>(count);
        return count;
    }
    int_type overflow(int_type c) override {
        if (!traits_type::eq_int_type(c, traits_type::eof())) ++bytes;
        return traits_type::not_eof(c);
    }
    int sync() override {
        ++flushes;
        return 0;
    }
};

// Holds what is written until the stream is flushed, like a buffered standard output: delivered
// is what a reader of the output has seen.
class DeliveringBuffer : public std::streambuf {
public:
    std::string delivered;

protected:
    std::streamsize xsputn(const char* text, std::streamsize count) override {
        pending_.append(text, static_cast<std::size_t>(count));
        return count;
    }
    int_type overflow(int_type c) override {
        if (!traits_type::eq_int_type(c, traits_type::eof())) {
            pending_ += traits_type::to_char_type(c);
        }
        return traits_type::not_eof(c);
    }
    int sync() override {
        delivered += pending_;
        pending_.clear();
        return 0;
    }

private:
    std::string pending_;
};

TEST(ConsoleRunEvents, KeepsNoCopyOfTheLog) {
    CountingBuffer buffer;
    std::ostream out(&buffer);
    std::ostringstream err;
    ConsoleRunEvents events(out, err);
    const std::string header = "[Converter - T]:\r\n\r\n";
    const std::string started(100, 'i');
    const std::string console(200, 'c');
    const std::string ended = "\r\n";
    const std::string total = "\r\nTotal 20000 Files are converted.\r\n2026/01/01  00:00:00";
    constexpr std::size_t files = 20000;  // a log of about 10 MB

    counting = true;
    events.header(header);
    for (std::size_t file = 0; file < files; ++file) {
        events.file_started("in", "out", started);
        events.console_text(console);
        events.console_text(console);
        events.file_ended(ended);
    }
    events.finished(static_cast<int>(files), total);
    counting = false;

    EXPECT_EQ(buffer.bytes, header.size() +
                                files * (started.size() + 2 * console.size() + ended.size()) +
                                total.size());
    EXPECT_GE(static_cast<std::size_t>(buffer.flushes), files + 2);
    EXPECT_LT(counted_peak.load(), 64u * 1024) << "bytes held while the log passed through";
    EXPECT_EQ(err.str(), "");
}

// Forwards the run's calls to brelo-batch's view and checks, at every file's end, that a reader
// of the output has seen exactly the log so far.
class Follower : public RunEvents {
public:
    Follower(RunEvents& view, DeliveringBuffer& buffer) : view_(view), buffer_(buffer) {}

    std::string log;  // the pieces as the run handed them over
    int files_ended = 0;
    int files_behind = 0;  // file ends at which the output did not hold the log so far

    void notice(const std::string& text) override { view_.notice(text); }
    void header(const std::string& text) override { pass(text, [&] { view_.header(text); }); }
    void file_started(const std::string& input_path, const std::string& output_path,
                      const std::string& text) override {
        pass(text, [&] { view_.file_started(input_path, output_path, text); });
    }
    void console_text(const std::string& text) override {
        pass(text, [&] { view_.console_text(text); });
    }
    void file_ended(const std::string& text) override {
        pass(text, [&] { view_.file_ended(text); });
        ++files_ended;
        if (buffer_.delivered != log) ++files_behind;
    }
    void note(const std::string& text) override { pass(text, [&] { view_.note(text); }); }
    void finished(int total, const std::string& text) override {
        pass(text, [&] { view_.finished(total, text); });
    }

private:
    template <typename Call>
    void pass(const std::string& text, Call call) {
        log += text;
        call();
    }

    RunEvents& view_;
    DeliveringBuffer& buffer_;
};

std::size_t occurrences(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

TEST(ConsoleRunEvents, ARunOfManyFilesPrintsEachEntryOnceAsItEnds) {
    test_support::TempDir dir;
    const std::string in = dir.file("in");
    const std::string out = dir.file("out");
    ASSERT_TRUE(make_directory(in));
    ASSERT_TRUE(make_directory(out));
    constexpr int files = 200;
    for (int file = 0; file < files; ++file) {
        test_support::write_file(join_path(in, "f" + std::to_string(file) + ".txt"), "");
    }
    RunRequest request;
    request.settings.input_directory = in;
    request.settings.input_patterns = "*.txt";
    request.settings.output_directory = out;
    request.settings.output_pattern = "${prefix}.${suffix}";
    // A program that cannot start keeps the run quick: every file still gets its entry.
    request.converter = Converter{"Missing", dir.file("none"), "${infile} ${outfile}", ""};

    DeliveringBuffer buffer;
    std::ostream stream(&buffer);
    std::ostringstream err;
    ConsoleRunEvents view(stream, err);
    Follower follower(view, buffer);
    RunControl control;
    const RunResult result = run_batch(check_request(request), follower, control);
    ASSERT_TRUE(result.ran);
    EXPECT_EQ(result.total, files);

    EXPECT_EQ(follower.files_ended, files);
    EXPECT_EQ(follower.files_behind, 0);
    EXPECT_EQ(buffer.delivered, follower.log);
    EXPECT_EQ(err.str(), "");
    // The run hands each piece over once: the log holds one header and one entry per file.
    EXPECT_EQ(occurrences(buffer.delivered, "[Converter - Missing]:"), 1u);
    EXPECT_EQ(occurrences(buffer.delivered, " -> "), static_cast<std::size_t>(files));
    EXPECT_EQ(occurrences(buffer.delivered, "Create process failed."),
              static_cast<std::size_t>(files));
    EXPECT_EQ(occurrences(buffer.delivered, "Files are converted."), 1u);
}

}  // namespace
