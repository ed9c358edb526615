// Converter console text made UTF-8: cut anywhere, valid or not, and in Shift_JIS.
#include "engine/console_text.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <vector>

namespace {

// "<XX>" for every byte from 0x80 up, ASCII as it is: shows exactly which bytes a decoder read
// in the code page.
class MarkedBytes : public CodePage {
public:
    bool is_lead_byte(unsigned char) const override { return false; }
    std::string to_utf8(const std::string& bytes) const override {
        std::string out;
        for (char c : bytes) {
            const unsigned char byte = static_cast<unsigned char>(c);
            if (byte < 0x80) {
                out += c;
                continue;
            }
            char mark[8];
            std::snprintf(mark, sizeof mark, "<%02X>", byte);
            out += mark;
        }
        return out;
    }
};

// Shift_JIS as far as the tests need it: its lead bytes, a few characters, and "<cut>" for a
// lead byte without its partner, which a decoder must never hand over before the text ends.
class SmallShiftJis : public CodePage {
public:
    bool is_lead_byte(unsigned char byte) const override {
        return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
    }
    std::string to_utf8(const std::string& bytes) const override {
        static const std::map<std::string, std::string> pairs = {
            {"\x93\xfa", "\xe6\x97\xa5"},  // 日
            {"\x96\x7b", "\xe6\x9c\xac"},  // 本
            {"\x8c\xea", "\xe8\xaa\x9e"},  // 語
            {"\x82\xa0", "\xe3\x81\x82"},  // あ
            {"\x83\x5c", "\xe3\x82\xbd"},  // ソ, whose trail byte is a backslash
        };
        std::string out;
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            const unsigned char byte = static_cast<unsigned char>(bytes[i]);
            if (!is_lead_byte(byte)) {
                out += byte == 0xB1 ? "\xef\xbd\xb1" : std::string(1, bytes[i]);  // half-width ｱ
                continue;
            }
            if (i + 1 == bytes.size()) return out + "<cut>";
            const auto found = pairs.find(bytes.substr(i, 2));
            out += found == pairs.end() ? "<?>" : found->second;
            ++i;
        }
        return out;
    }
};

struct Decoded {
    std::vector<std::string> pieces;  // what each decode call and finish appended
    std::string text;                 // all of it
    bool reads_code_page = false;
};

// The text handed to a decoder in pieces that end at the offsets given, then finished.
Decoded decode_cut(const std::string& text, const std::vector<std::size_t>& cuts,
                   const CodePage& code_page) {
    ConsoleTextDecoder decoder(code_page);
    Decoded result;
    std::size_t from = 0;
    std::vector<std::size_t> ends = cuts;
    ends.push_back(text.size());
    for (std::size_t end : ends) {
        std::string piece;
        decoder.decode(std::string_view(text).substr(from, end - from), piece);
        result.pieces.push_back(piece);
        from = end;
    }
    std::string last;
    decoder.finish(last);
    result.pieces.push_back(last);
    for (const std::string& piece : result.pieces) result.text += piece;
    result.reads_code_page = decoder.reads_code_page();
    return result;
}

// Every way of cutting the text once, twice at neighbouring places, and into single bytes.
std::vector<std::vector<std::size_t>> cuttings(std::size_t size) {
    std::vector<std::vector<std::size_t>> all = {{}};
    for (std::size_t at = 0; at <= size; ++at) {
        all.push_back({at});
        if (at + 1 <= size) all.push_back({at, at + 1});
    }
    std::vector<std::size_t> bytes;
    for (std::size_t at = 1; at < size; ++at) bytes.push_back(at);
    all.push_back(bytes);
    return all;
}

// True when the text does not end inside a UTF-8 character.
bool ends_whole(const std::string& text) {
    std::size_t back = 0;
    while (back < text.size() && back < 4 &&
           (static_cast<unsigned char>(text[text.size() - 1 - back]) & 0xC0) == 0x80)
        ++back;
    if (back == text.size()) return back == 0;
    const unsigned char lead = static_cast<unsigned char>(text[text.size() - 1 - back]);
    const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    return length == back + 1;
}

TEST(ConsoleTextDecoder, UtfEightPassesUnchangedWhereverItIsCut) {
    const struct {
        const char* label;
        std::string text;
    } rows[] = {
        {"ASCII with line ends", "Encrypt successful.\r\n"},
        {"two, three and four bytes", "caf\xc3\xa9 \xe6\x97\xa5\xe6\x9c\xac \xf0\x9f\x98\x80\n"},
        {"edges U+0080 U+07FF U+0800 U+FFFF",
         "\xc2\x80\xdf\xbf\xe0\xa0\x80\xef\xbf\xbf"},
        {"edges U+D7FF U+E000 U+10000 U+10FFFF",
         "\xed\x9f\xbf\xee\x80\x80\xf0\x90\x80\x80\xf4\x8f\xbf\xbf"},
        {"nothing", ""},
    };
    const MarkedBytes code_page;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        for (const auto& cuts : cuttings(row.text.size())) {
            const Decoded decoded = decode_cut(row.text, cuts, code_page);
            ASSERT_EQ(decoded.text, row.text);
            EXPECT_FALSE(decoded.reads_code_page);
            // Every piece stands on its own: a view never shows half a character.
            for (const std::string& piece : decoded.pieces) ASSERT_TRUE(ends_whole(piece));
        }
    }
}

// The bytes before the first one that is no UTF-8 pass unchanged; from there on everything is
// read in the code page, whatever follows and wherever the text is cut.
TEST(ConsoleTextDecoder, FromTheFirstByteThatIsNoUtfEightOnTheCodePageReads) {
    const struct {
        const char* label;
        std::string text;
        std::string expected;
    } rows[] = {
        {"stray continuation byte", "ok \x80 rest", "ok <80> rest"},
        {"byte no character starts with", "a\xff" "b", "a<FF>b"},
        {"lead byte followed by ASCII", "a\xc3(b", "a<C3>(b"},
        {"overlong two bytes", "\xc0\xaf", "<C0><AF>"},
        {"overlong three bytes", "x\xe0\x80\xaf", "x<E0><80><AF>"},
        {"surrogate", "\xed\xa0\x80", "<ED><A0><80>"},
        {"past U+10FFFF", "\xf4\x90\x80\x80", "<F4><90><80><80>"},
        {"valid UTF-8 after the bad byte is read in the code page too",
         "\xc3\xa9\x82\xc3\xa9", "\xc3\xa9<82><C3><A9>"},
        {"cut short by the end", "ab\xe6\x97", "ab<E6><97>"},
        {"four-byte character cut short by the end", "\xf0\x9f\x98", "<F0><9F><98>"},
    };
    const MarkedBytes code_page;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        for (const auto& cuts : cuttings(row.text.size())) {
            const Decoded decoded = decode_cut(row.text, cuts, code_page);
            ASSERT_EQ(decoded.text, row.expected) << "cut into " << decoded.pieces.size();
            EXPECT_TRUE(decoded.reads_code_page);
        }
    }
}

TEST(ConsoleTextDecoder, WhatPassedBeforeTheBadByteStaysAsItWas) {
    const MarkedBytes code_page;
    ConsoleTextDecoder decoder(code_page);
    std::string first, second;
    decoder.decode("caf\xc3\xa9\n", first);
    EXPECT_EQ(first, "caf\xc3\xa9\n");
    EXPECT_FALSE(decoder.reads_code_page());
    decoder.decode("\x82t\xc3\xa9", second);
    EXPECT_EQ(second, "<82>t<C3><A9>");
    EXPECT_TRUE(decoder.reads_code_page());
}

TEST(ConsoleTextDecoder, ShiftJisIsReadWholeCharactersAtATime) {
    // "日本語 ｱ ソ\r\n" and "あ": a trail byte that is a backslash, a half-width katakana (one
    // byte, in the lead byte range of UTF-8) and a line end.
    const std::string text = "\x93\xfa\x96\x7b\x8c\xea \xb1 \x83\x5c\r\n\x82\xa0";
    const std::string expected =
        "\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e \xef\xbd\xb1 \xe3\x82\xbd\r\n\xe3\x81\x82";
    const SmallShiftJis code_page;
    for (const auto& cuts : cuttings(text.size())) {
        const Decoded decoded = decode_cut(text, cuts, code_page);
        ASSERT_EQ(decoded.text, expected) << "cut into " << decoded.pieces.size();
        EXPECT_TRUE(decoded.reads_code_page);
    }
}

TEST(ConsoleTextDecoder, ShiftJisLeadByteAtTheVeryEndIsReadAsItIs) {
    const SmallShiftJis code_page;
    const Decoded decoded = decode_cut("\x93\xfa\x96", {2}, code_page);
    EXPECT_EQ(decoded.text, "\xe6\x97\xa5<cut>");
}

}  // namespace

#ifdef _WIN32
#include "platform/platform.h"

namespace {

// The system's own tables: Wine and Windows know code page 932 whatever the system's is.
TEST(SystemCodePage, ShiftJisAndOemTextComeOutAsUtfEight) {
    const struct {
        const char* label;
        unsigned code_page;
        std::string text;
        std::string expected;
    } rows[] = {
        {"Shift_JIS", 932, "\x93\xfa\x96\x7b\x8c\xea\x82\xc5\x82\xb7\r\n",
         "\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e\xe3\x81\xa7\xe3\x81\x99\r\n"},
        {"Shift_JIS with a backslash trail byte and half-width katakana", 932,
         "\x83\x5c\x83\x74\x83\x67 \xb1\xb2",
         "\xe3\x82\xbd\xe3\x83\x95\xe3\x83\x88 \xef\xbd\xb1\xef\xbd\xb2"},
        {"the first IBM PC's", 437, "caf\x82 na\x8bve", "caf\xc3\xa9 na\xc3\xafve"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        const SystemCodePage code_page(row.code_page);
        for (const auto& cuts : cuttings(row.text.size())) {
            ASSERT_EQ(decode_cut(row.text, cuts, code_page).text, row.expected);
        }
    }
}

}  // namespace
#endif
