// TextReader and TextWriter: the text-mode line-end rules, buffer boundaries, pushback, rewind.
#include "text_stream.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "Support/temp_dir.h"

namespace {

std::string read_all(TextReader& reader) {
    std::string text;
    for (int c; (c = reader.get()) >= 0;) text += static_cast<char>(c);
    return text;
}

// Every chunk size from one byte up, so each CR LF pair, held-over CR and end mark is met on a
// buffer boundary at least once.
const std::size_t chunk_sizes[] = {1, 2, 3, 4, 5, TextReader::default_chunk};

TEST(TextReader, AppliesLineEndRulesAcrossEveryBufferBoundary) {
    struct Row {
        const char* label;
        std::string raw;
        std::string delivered;
    };
    const Row rows[] = {
        {"empty", "", ""},
        {"CR LF becomes LF", "ab\r\ncd\r\n", "ab\ncd\n"},
        {"lone LF stays", "ab\ncd", "ab\ncd"},
        {"lone CR stays", "ab\rcd", "ab\rcd"},
        {"CR at the end stays", "ab\r", "ab\r"},
        {"CR CR LF", "\r\r\n", "\r\n"},
        {"LF CR", "\n\r", "\n\r"},
        {"CR LF LF", "\r\n\n", "\n\n"},
        {"0x1A ends the input", std::string("ab\x1A" "cd\r\n", 7), "ab"},
        {"0x1A at the start", std::string("\x1A" "abc", 4), ""},
        {"CR before 0x1A stays", std::string("a\r\x1A\n", 4), "a\r"},
        {"NUL is a byte", std::string("a\0b", 3), std::string("a\0b", 3)},
        {"high bytes", "\x88\x9F\xFF\x80", "\x88\x9F\xFF\x80"},
    };
    for (const auto& row : rows) {
        for (std::size_t chunk : chunk_sizes) {
            SCOPED_TRACE(std::string(row.label) + ", chunk " + std::to_string(chunk));
            TextReader reader(row.raw.data(), row.raw.size(), chunk);
            EXPECT_EQ(read_all(reader), row.delivered);
            EXPECT_EQ(reader.get(), -1);
        }
    }
}

TEST(TextReader, PushedBackBytesAreReadAgainAfterARefill) {
    for (std::size_t chunk : chunk_sizes) {
        SCOPED_TRACE(chunk);
        const std::string raw = "abcdef";
        TextReader reader(raw.data(), raw.size(), chunk);
        EXPECT_EQ(reader.get(), 'a');
        int b = reader.get();
        int c = reader.get();
        reader.unget(c);
        reader.unget(b);
        EXPECT_EQ(read_all(reader), "bcdef");
    }
}

TEST(TextReader, PushbackAtTheEndIsReadBeforeTheEndAgain) {
    for (std::size_t chunk : chunk_sizes) {
        SCOPED_TRACE(chunk);
        const std::string raw = "xy";
        TextReader reader(raw.data(), raw.size(), chunk);
        EXPECT_EQ(read_all(reader), "xy");
        reader.unget(0xDE);
        reader.unget(0x8E);
        EXPECT_EQ(reader.get(), 0x8E);
        EXPECT_EQ(reader.get(), 0xDE);
        EXPECT_EQ(reader.get(), -1);
    }
}

TEST(TextReader, RewindStartsAgainFromTheFirstByte) {
    test_support::TempDir dir;
    const std::string raw = "line one\r\nline two\r";
    test_support::write_file(dir.file("in"), raw);
    std::FILE* file = std::fopen(dir.file("in").c_str(), "rb");
    ASSERT_NE(file, nullptr);
    {
        TextReader reader(file, 4);
        EXPECT_EQ(reader.get(), 'l');
        EXPECT_EQ(read_all(reader), "ine one\nline two\r");
        reader.unget('x');
        ASSERT_TRUE(reader.rewind());
        EXPECT_EQ(read_all(reader), "line one\nline two\r");
        EXPECT_FALSE(reader.failed());
    }
    std::fclose(file);

    TextReader memory(raw.data(), raw.size(), 3);
    read_all(memory);
    ASSERT_TRUE(memory.rewind());
    EXPECT_EQ(read_all(memory), "line one\nline two\r");
}

TEST(TextWriter, StoresEveryLineFeedAsCarriageReturnLineFeed) {
    for (std::size_t chunk : {std::size_t{0}, std::size_t{2}, std::size_t{3}, std::size_t{4096}}) {
        SCOPED_TRACE(chunk);
        std::string text;
        {
            TextWriter writer(text, chunk);
            for (char c : std::string("a\nb\r\n\rc\n\n")) writer.put(c);
            writer.put(0x10A);  // only the low eight bits count
        }
        EXPECT_EQ(text, "a\r\nb\r\r\n\rc\r\n\r\n\r\n");
    }
}

TEST(TextWriter, AFileThatRefusesWritesIsReported) {
    test_support::TempDir dir;
    test_support::write_file(dir.file("read-only"), "");
    std::FILE* file = std::fopen(dir.file("read-only").c_str(), "rb");
    ASSERT_NE(file, nullptr);
    {
        TextWriter writer(file);
        writer.put('a');
        EXPECT_FALSE(writer.flush());
        EXPECT_TRUE(writer.failed());
    }
    std::fclose(file);
}

#ifndef _WIN32
TEST(TextReader, AFileThatCannotBeReadEndsTheInputAsAFailure) {
    test_support::TempDir dir;
    std::FILE* file = std::fopen(dir.path().c_str(), "rb");  // a directory opens but never reads
    ASSERT_NE(file, nullptr);
    {
        TextReader reader(file);
        EXPECT_EQ(reader.get(), -1);
        EXPECT_TRUE(reader.failed());
    }
    std::fclose(file);
}
#endif

TEST(TextWriter, LongOutputIsWrittenWholeToAFile) {
    test_support::TempDir dir;
    std::FILE* file = std::fopen(dir.file("out").c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::string expected;
    {
        TextWriter writer(file);
        for (std::size_t i = 0; i < 3 * TextWriter::default_chunk; ++i) {
            char c = i % 7 == 0 ? '\n' : static_cast<char>('a' + i % 26);
            writer.put(c);
            expected += c == '\n' ? std::string("\r\n") : std::string(1, c);
        }
        EXPECT_TRUE(writer.flush());
    }
    std::fclose(file);
    EXPECT_EQ(test_support::read_file(dir.file("out")), expected);
}

}  // namespace
