// detect_code, the code arithmetic and every conversion routine on short texts.
#include "text_code.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

using Routine = std::function<void(TextReader&, TextWriter&)>;

const std::size_t chunk_sizes[] = {1, 2, 3, TextReader::default_chunk};

std::string run(const Routine& routine, const std::string& input, std::size_t chunk) {
    std::string output;
    {
        TextReader reader(input.data(), input.size(), chunk);
        TextWriter writer(output);
        routine(reader, writer);
    }
    return output;
}

struct ConversionRow {
    const char* label;
    std::string input;
    std::string output;
};

// Runs every row with every chunk size: the result must not depend on where the buffer ends.
void check_rows(const Routine& routine, std::initializer_list<ConversionRow> rows) {
    for (const auto& row : rows) {
        for (std::size_t chunk : chunk_sizes) {
            SCOPED_TRACE(std::string(row.label) + ", chunk " + std::to_string(chunk));
            EXPECT_EQ(run(routine, row.input, chunk), row.output);
        }
    }
}

std::string bytes(const char* text, std::size_t size) { return std::string(text, size); }

const std::string kanji_in = "\x1B$B";
const std::string kanji_out = "\x1B(J";

TEST(DetectCode, FirstEscapeOrShiftJisPairDecides) {
    struct Row {
        const char* label;
        std::string input;
        TextCode code;
    };
    const Row rows[] = {
        {"empty", "", TextCode::None},
        {"ASCII", "plain text\r\n", TextCode::None},
        {"new JIS", "ab\x1B$B0!", TextCode::NewJis},
        {"old JIS", "\x1B$@0!", TextCode::OldJis},
        {"NEC JIS", "\x1BK0!", TextCode::NecJis},
        {"ESC ( B alone", "\x1B(Babc", TextCode::None},
        {"other ESC $ designation", "\x1B$A", TextCode::None},
        {"Shift_JIS kanji", "\x88\x9F", TextCode::Sjis},
        {"Shift_JIS with trail 0xA0", "\x81\xA0", TextCode::Sjis},
        {"EUC-JP kanji", "\xB0\xA1", TextCode::Euc},
        {"EUC-JP half-width katakana", "\x8E\xB1", TextCode::Euc},
        {"0x8E with a low partner is Shift_JIS", "\x8E\x40", TextCode::Sjis},
        {"EUC-JP guess overridden by Shift_JIS", "\xB0\xA1 \xA4\xA2 \x88\x9F", TextCode::Sjis},
        {"EUC-JP guess overridden by JIS", "\xB0\xA1\x1BK", TextCode::NecJis},
        {"Shift_JIS is final", "\x88\x9F\x1B$B", TextCode::Sjis},
        {"JIS is final", "\x1B$B\x88\x9F", TextCode::NewJis},
        {"partner consumed even when it fits nothing", "\xA0\x88\x9F", TextCode::None},
        {"Shift_JIS lead 0xE0 with low trail fits nothing", "\xE0\x40", TextCode::None},
        {"lead byte at the end", "\x88", TextCode::None},
        {"0x1A hides the rest", "abc\x1A\x88\x9F", TextCode::None},
        {"CR LF between the bytes of an escape is not an escape", "\x1B\r\n$B", TextCode::None},
    };
    for (const auto& row : rows) {
        for (std::size_t chunk : chunk_sizes) {
            SCOPED_TRACE(std::string(row.label) + ", chunk " + std::to_string(chunk));
            TextReader reader(row.input.data(), row.input.size(), chunk);
            EXPECT_EQ(detect_code(reader), row.code);
        }
    }
}

TEST(CodeArithmetic, EveryJisX0208PairSurvivesTheRoundTrip) {
    for (int j1 = 0x21; j1 <= 0x7E; ++j1) {
        for (int j2 = 0x21; j2 <= 0x7E; ++j2) {
            int s1 = j1, s2 = j2;
            jis_pair_to_sjis(s1, s2);
            ASSERT_TRUE((s1 >= 0x81 && s1 <= 0x9F) || (s1 >= 0xE0 && s1 <= 0xEF)) << j1 << " " << j2;
            ASSERT_TRUE(s2 >= 0x40 && s2 <= 0xFC && s2 != 0x7F) << j1 << " " << j2;
            sjis_pair_to_jis(s1, s2);
            ASSERT_EQ(s1, j1);
            ASSERT_EQ(s2, j2);
        }
    }
}

// The arithmetic as written out in words, for every pair of byte values, malformed ones too: 7-bit
// JIS in kanji mode pairs whatever bytes it meets.
TEST(CodeArithmetic, EveryBytePairFollowsTheFormulas) {
    for (int a = 0; a < 256; ++a) {
        for (int b = 0; b < 256; ++b) {
            int j1 = a < 0xA0 ? 2 * (a - 0x70) : 2 * (a - 0xB0);
            if (b < 0x9F) j1 -= 1;
            int j2 = b <= 0x7F ? b - 0x1F : b < 0x9F ? b - 0x20 : b - 0x7E;
            int first = a, second = b;
            sjis_pair_to_jis(first, second);
            ASSERT_EQ(first, j1 & 0xFF) << a << " " << b;
            ASSERT_EQ(second, j2 & 0xFF) << a << " " << b;

            int s1 = (a + 1) / 2 + (a < 0x5F ? 0x70 : 0xB0);
            int s2 = a % 2 == 1 ? (b <= 0x5F ? b + 0x1F : b + 0x20) : b + 0x7E;
            first = a, second = b;
            jis_pair_to_sjis(first, second);
            ASSERT_EQ(first, s1 & 0xFF) << a << " " << b;
            ASSERT_EQ(second, s2 & 0xFF) << a << " " << b;
        }
    }
}

TEST(CodeArithmetic, KnownPairs) {
    struct Row {
        int s1, s2, j1, j2;
    };
    const Row rows[] = {{0x81, 0x40, 0x21, 0x21}, {0x88, 0x9F, 0x30, 0x21},
                        {0x82, 0xA0, 0x24, 0x22}, {0xEA, 0xA4, 0x74, 0x26},
                        {0x83, 0x94, 0x25, 0x74}, {0x9F, 0xFC, 0x5E, 0x7E}};
    for (const auto& row : rows) {
        int a = row.s1, b = row.s2;
        sjis_pair_to_jis(a, b);
        EXPECT_EQ(a * 256 + b, row.j1 * 256 + row.j2);
        jis_pair_to_sjis(a, b);
        EXPECT_EQ(a * 256 + b, row.s1 * 256 + row.s2);
    }
}

TEST(CopyText, KeepsEveryByteButWritesLineFeedsAsPairs) {
    check_rows(copy_text, {
        {"mixed", bytes("a\0\x0C\x88\x9F\x1B$B\rz\n", 11), bytes("a\0\x0C\x88\x9F\x1B$B\rz\r\n", 12)},
        {"end mark", "ab\x1A" "cd", "ab"},
    });
}

TEST(JisToSjis, PairsInKanjiModeBecomeShiftJis) {
    check_rows(jis_to_sjis, {
        {"kanji line", "\x1B$B0!\x1B(B\r\n", "\x88\x9F\r\n"},
        {"NEC escapes", "a\x1BK0!%,\x1BHb", "a\x88\x9F\x83\x4B" "b"},
        {"old escape, ESC ( J", "\x1B$@0!\x1B(Jx", "\x88\x9Fx"},
        {"FF dropped in both modes", "\x0C\x1B$B\x0C" "0!\x1B(B\x0C", "\x88\x9F"},
        {"FF as the second byte of a pair is taken", "\x1B$B0\x0C", "\x88\x8A"},
        {"LF in kanji mode is the first byte of a pair", "\x1B$B\n0", "\x75\xAE"},
        {"lone CR outside kanji mode", "a\rb", "a\rb"},
        {"unknown escape leaves kanji mode", "\x1B$B\x1BZ" "ab", "ab"},
        {"lone byte at the end of kanji mode", "\x1B$B0!0", "\x88\x9F" "0"},
        {"ESC at the end", "a\x1B", "a"},
    });
}

TEST(JisToEuc, PairsGainTheHighBitAndLineFeedEndsKanjiMode) {
    check_rows(jis_to_euc, {
        {"kanji line", "\x1B$B0!\x1B(J\r\n", "\xB0\xA1\r\n"},
        {"kanji mode left open across a line end", "\x1B$B0!\n0!", "\xB0\xA1\r\n0!"},
        {"NEC", "\x1BK%,\x1BH", "\xA5\xAC"},
        {"lone CR outside, first of a pair inside", "\r\x1B$B\r!", "\r\x8D\xA1"},
        {"FF dropped", "\x0C\x1B$B0!\x0C", "\xB0\xA1"},
        {"lone byte at the end", "\x1B$B0", "0"},
        {"a byte that wraps round to LF is stored as a line end", "\x1B$B\x8A!", "\r\n\xA1"},
    });
}

TEST(JisToJis, EveryEscapeIsRewrittenInTheTargetVariant) {
    auto to_nec = [](TextReader& in, TextWriter& out) { jis_to_jis(in, out, TextCode::NecJis); };
    auto to_new = [](TextReader& in, TextWriter& out) { jis_to_jis(in, out, TextCode::NewJis); };
    auto to_old = [](TextReader& in, TextWriter& out) { jis_to_jis(in, out, TextCode::OldJis); };
    check_rows(to_nec, {
        {"new to NEC", "\x1B$B0!\x1B(B\n", "\x1BK0!\x1BH\r\n"},
        {"kanji-out while already out is written too", "\x1B(Bab", "\x1BH" "ab"},
        {"kanji mode closed before LF", "\x1B$B0!\r\n", "\x1BK0!\x1BH\r\n"},
        {"kanji mode closed at the end", "\x1B$B0!", "\x1BK0!\x1BH"},
        {"lone byte at the end", "\x1B$B0", "\x1BK0\x1BH"},
    });
    check_rows(to_new, {
        {"NEC to new, returning with ESC ( J", "\x1BK0!\x1BH", "\x1B$B0!\x1B(J"},
        {"repeated kanji-in is written again", "\x1B$B\x1B$@0!", "\x1B$B\x1B$B0!\x1B(J"},
        {"FF dropped in kanji mode", "\x1B$B\x0C" "0!", "\x1B$B0!\x1B(J"},
        {"CR is the first byte of a pair", "\x1B$B\r!\x1B(B", "\x1B$B\r!\x1B(J"},
    });
    check_rows(to_old, {
        {"new to old", "a\x1B$B0!\x1B(Bb", "a\x1B$@0!\x1B(Jb"},
    });
}

TEST(SjisToJis, KanjiRunsAreWrappedInEscapes) {
    auto to_new = [](TextReader& in, TextWriter& out) {
        sjis_to_jis(in, out, TextCode::NewJis, TextCode::Sjis);
    };
    auto to_nec = [](TextReader& in, TextWriter& out) {
        sjis_to_jis(in, out, TextCode::NecJis, TextCode::Sjis);
    };
    check_rows(to_new, {
        {"kanji alone at the end", "\x88\x9F", kanji_in + "0!" + kanji_out},
        {"kanji alone on its line", "\x88\x9F\r\n", kanji_in + "0!" + kanji_out + "\r\n"},
        {"two kanji and a space", "\x88\x9F \x88\x9F",
         kanji_in + "0!" + kanji_out + " " + kanji_in + "0!" + kanji_out},
        {"half-width KA and voiced mark become GA", "\xB6\xDE", kanji_in + "%," + kanji_out},
        {"half-width katakana join the kanji run", "\x88\x9F\xB1", kanji_in + "0!%\"" + kanji_out},
        {"lone CR ends the line", "\x88\x9F\rx", kanji_in + "0!" + kanji_out + "\r\nx"},
        {"NUL and FF dropped", bytes("\0\x88\x9F\x0C" "a", 5), kanji_in + "0!" + kanji_out + "a"},
        {"invalid pair written unchanged inside kanji mode", "\x88\x9F\x88\x30",
         kanji_in + "0!\x88\x30" + kanji_out},
        {"invalid pair written unchanged outside kanji mode", "\x88\r\n", "\x88\r\n"},
        {"lead byte at the end", "a\x88", "a\x88"},
        {"0xA0 and 0xF0 are single bytes", "\xA0\xF0", "\xA0\xF0"},
    });
    check_rows(to_nec, {
        {"NEC escapes", "\x88\x9F\n", "\x1BK0!\x1BH\r\n"},
    });
}

TEST(SjisToEuc, PairsAndHalfWidthKatakana) {
    auto plain = [](TextReader& in, TextWriter& out) { sjis_to_euc(in, out, TextCode::Sjis, false); };
    auto widened = [](TextReader& in, TextWriter& out) { sjis_to_euc(in, out, TextCode::Sjis, true); };
    check_rows(plain, {
        {"kanji", "\x88\x9F\r\n", "\xB0\xA1\r\n"},
        {"half-width katakana behind the single shift", "\xB1\xB6\xDE", "\x8E\xB1\x8E\xB6\x8E\xDE"},
        {"lead byte before LF written unchanged", "\x88\n", "\x88\r\n"},
        {"lone CR becomes a line end", "a\rb", "a\r\nb"},
        {"NUL and FF dropped", bytes("a\0\x0C" "b", 4), "ab"},
        {"lead byte at the end", "\x88", "\x88"},
        {"lead 0xEF", "\xEF\xFC", "\xFE\xFE"},
    });
    check_rows(widened, {
        {"GA", "\xB6\xDE", "\xA5\xAC"},
        {"A then a lone voiced mark", "\xB1\xDE", "\xA5\xA2\xA1\xAB"},
        {"PO", "\xCE\xDF", "\xA5\xDD"},
    });
}

TEST(SjisToSjis, InvalidPairsAreDropped) {
    auto plain = [](TextReader& in, TextWriter& out) { sjis_to_sjis(in, out, TextCode::Sjis, false); };
    auto widened = [](TextReader& in, TextWriter& out) { sjis_to_sjis(in, out, TextCode::Sjis, true); };
    check_rows(plain, {
        {"kanji and katakana kept", "\x88\x9F\xB1\r\n", "\x88\x9F\xB1\r\n"},
        {"lead byte and LF dropped together", "a\x88\nb", "ab"},
        {"lead byte at the end dropped", "a\x88", "a"},
        {"lone CR becomes a line end", "\r", "\r\n"},
        {"NUL and FF dropped", bytes("\0\x0C" "a", 3), "a"},
        {"high single bytes kept", "\x80\xA0\xF0\xFF", "\x80\xA0\xF0\xFF"},
    });
    check_rows(widened, {
        {"GA and a lone mark", "\xB6\xDE\xB1\xDE", "\x83\x4B\x83\x41\x81\x4A"},
        {"VU", "\xB3\xDE", "\x83\x94"},
        {"kanji untouched", "\x88\x9F", "\x88\x9F"},
    });
}

TEST(EucToJis, KanjiModeClosesBeforeEverySingleByte) {
    auto to_new = [](TextReader& in, TextWriter& out) {
        euc_to_jis(in, out, TextCode::NewJis, TextCode::Euc);
    };
    auto to_old = [](TextReader& in, TextWriter& out) {
        euc_to_jis(in, out, TextCode::OldJis, TextCode::Euc);
    };
    check_rows(to_new, {
        {"kanji line", "\xB0\xA1\r\n", kanji_in + "0!" + kanji_out + "\r\n"},
        {"lone CR closes kanji mode", "\xB0\xA1\r", kanji_in + "0!" + kanji_out + "\r"},
        {"NUL closes kanji mode", bytes("\xB0\xA1\0", 3), kanji_in + "0!" + kanji_out + bytes("\0", 1)},
        {"katakana widened", "\x8E\xB6\x8E\xDE\x8E\xB1", kanji_in + "%,%\"" + kanji_out},
        {"three-byte form is not recognised", "\x8F\xB0\xA1", "\x8F" + kanji_in + "0!" + kanji_out},
        {"invalid pair inside kanji mode", "\xB0\xA1\xB0\x41", kanji_in + "0!\xB0\x41" + kanji_out},
        {"single shift with a non-katakana", "\x8E\x41", "\x8E\x41"},
        {"byte at the end", "\xB0", "\xB0"},
        {"FF dropped", "\x0C\xB0\xA1\x0C", kanji_in + "0!" + kanji_out},
    });
    check_rows(to_old, {
        {"old escapes", "\xB0\xA1", "\x1B$@0!" + kanji_out},
    });
}

TEST(EucToSjis, PairsAndHalfWidthKatakana) {
    auto plain = [](TextReader& in, TextWriter& out) { euc_to_sjis(in, out, TextCode::Euc, false); };
    auto widened = [](TextReader& in, TextWriter& out) { euc_to_sjis(in, out, TextCode::Euc, true); };
    check_rows(plain, {
        {"kanji", "\xB0\xA1\r\n", "\x88\x9F\r\n"},
        {"katakana loses the single shift", "\x8E\xB1", "\xB1"},
        {"invalid pair unchanged", "\xB0\x41", "\xB0\x41"},
        {"single shift with a non-katakana unchanged", "\x8E\xE0", "\x8E\xE0"},
        {"CR and NUL kept", bytes("\r\0", 2), bytes("\r\0", 2)},
        {"FF dropped", "\x0C" "a", "a"},
        {"byte at the end", "\xB0", "\xB0"},
        {"single shift at the end", "\x8E", "\x8E"},
    });
    check_rows(widened, {
        {"GA", "\x8E\xB6\x8E\xDE", "\x83\x4B"},
        {"KA before a kanji", "\x8E\xB6\xA4\xA2", "\x83\x4A\x82\xA0"},
        {"A then a mark of its own", "\x8E\xB1\x8E\xDE", "\x83\x41\x81\x4A"},
    });
}

TEST(EucToEuc, InvalidPairsAreDropped) {
    auto plain = [](TextReader& in, TextWriter& out) { euc_to_euc(in, out, TextCode::Euc, false); };
    auto widened = [](TextReader& in, TextWriter& out) { euc_to_euc(in, out, TextCode::Euc, true); };
    check_rows(plain, {
        {"kanji and katakana kept", "\xB0\xA1\x8E\xB1\r\n", "\xB0\xA1\x8E\xB1\r\n"},
        {"invalid pair dropped", "a\xB0\x41z", "az"},
        {"byte at the end dropped", "a\xB0", "a"},
        {"single shift with a non-katakana kept", "\x8E\x41", "\x8E\x41"},
        {"single shift at the end kept", "\x8E", "\x8E"},
        {"FF dropped", "\x0C", ""},
    });
    check_rows(widened, {
        {"GA", "\x8E\xB6\x8E\xDE", "\xA5\xAC"},
        {"PA", "\x8E\xCA\x8E\xDF", "\xA5\xD1"},
        {"a mark alone", "\x8E\xDF", "\xA1\xAC"},
    });
}

TEST(WriteKanjiEscapes, OnlyJisVariantsHaveEscapes) {
    struct Row {
        TextCode code;
        std::string in, out;
    };
    const Row rows[] = {{TextCode::NewJis, "\x1B$B", "\x1B(J"}, {TextCode::OldJis, "\x1B$@", "\x1B(J"},
                        {TextCode::NecJis, "\x1BK", "\x1BH"},   {TextCode::Euc, "", ""},
                        {TextCode::Sjis, "", ""},               {TextCode::None, "", ""}};
    for (const auto& row : rows) {
        SCOPED_TRACE(static_cast<int>(row.code));
        std::string in, out;
        {
            TextWriter writer(in);
            write_kanji_in(writer, row.code);
        }
        {
            TextWriter writer(out);
            write_kanji_out(writer, row.code);
        }
        EXPECT_EQ(in, row.in);
        EXPECT_EQ(out, row.out);
    }
}

TEST(ConvertText, PicksTheRoutineForTheDetectedKindAndTarget) {
    struct Row {
        const char* label;
        std::string input;
        TextCode detected, target;
        bool widen;
        std::string output;
    };
    const Row rows[] = {
        {"plain text copied", "a\x0C\n", TextCode::None, TextCode::NewJis, false, "a\x0C\r\n"},
        {"plain text copied by -fullsize", "a\x0C\xB1", TextCode::None, TextCode::None, true, "a\x0C\xB1"},
        {"JIS to Shift_JIS", "\x1B$B0!", TextCode::NewJis, TextCode::Sjis, false, "\x88\x9F"},
        {"JIS to EUC-JP", "\x1B$B0!", TextCode::OldJis, TextCode::Euc, false, "\xB0\xA1"},
        {"JIS to JIS", "\x1B$B0!", TextCode::NecJis, TextCode::NecJis, false, "\x1BK0!\x1BH"},
        {"JIS kept by -fullsize", "\x1B$B0!\x1B(B\x0C", TextCode::NewJis, TextCode::None, true,
         "\x1B$B0!\x1B(B\x0C"},
        {"Shift_JIS to JIS", "\xB6\xDE", TextCode::Sjis, TextCode::OldJis, false, "\x1B$@%,\x1B(J"},
        {"Shift_JIS to EUC-JP", "\xB6\xDE", TextCode::Sjis, TextCode::Euc, false, "\x8E\xB6\x8E\xDE"},
        {"Shift_JIS to Shift_JIS", "\x88\n", TextCode::Sjis, TextCode::Sjis, false, ""},
        {"Shift_JIS widened by -fullsize", "\xB6\xDE", TextCode::Sjis, TextCode::None, true, "\x83\x4B"},
        {"EUC-JP to JIS", "\x8E\xB6", TextCode::Euc, TextCode::NecJis, false, "\x1BK%+\x1BH"},
        {"EUC-JP to Shift_JIS", "\x8E\xB6", TextCode::Euc, TextCode::Sjis, false, "\xB6"},
        {"EUC-JP to EUC-JP", "\xB0\x41", TextCode::Euc, TextCode::Euc, false, ""},
        {"EUC-JP widened by -fullsize", "\x8E\xB6\x8E\xDE", TextCode::Euc, TextCode::None, true,
         "\xA5\xAC"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        auto routine = [&row](TextReader& in, TextWriter& out) {
            convert_text(in, out, row.detected, row.target, row.widen);
        };
        EXPECT_EQ(run(routine, row.input, TextReader::default_chunk), row.output);
    }
}

}  // namespace
