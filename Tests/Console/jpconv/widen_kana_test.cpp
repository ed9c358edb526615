// widen_kana: the widening table, the sound marks and what is left in the input afterwards.
#include "widen_kana.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Widened {
    int code;          // the Shift_JIS pair as one number
    std::string rest;  // what the input still holds
};

Widened widen(int kana, const std::string& after, TextCode source, std::size_t chunk) {
    TextReader reader(after.data(), after.size(), chunk);
    int first = kana;
    int second = 0;
    widen_kana(reader, first, second, source);
    Widened result{first * 256 + second, ""};
    for (int c; (c = reader.get()) >= 0;) result.rest += static_cast<char>(c);
    return result;
}

TEST(WidenKana, SoundMarksCombineOnlyWithTheKatakanaThatTakeThem) {
    struct Row {
        const char* label;
        int kana;
        std::string after;  // Shift_JIS spelling
        int code;
        std::string rest;
    };
    const Row rows[] = {
        {"KA voiced is GA", 0xB6, "\xDE", 0x834B, ""},
        {"TSU voiced is DU", 0xC2, "\xDE", 0x8364, ""},
        {"TO voiced is DO", 0xC4, "\xDE", 0x8368, ""},
        {"HA voiced is BA", 0xCA, "\xDE", 0x836F, ""},
        {"HA semi-voiced is PA", 0xCA, "\xDF", 0x8370, ""},
        {"HO semi-voiced is PO", 0xCE, "\xDF", 0x837C, ""},
        {"HO voiced is BO", 0xCE, "\xDE", 0x837B, ""},
        {"U voiced is VU", 0xB3, "\xDE", 0x8394, ""},
        {"A does not take a mark", 0xB1, "\xDE", 0x8341, "\xDE"},
        {"KA does not take the semi-voiced mark", 0xB6, "\xDF", 0x834A, "\xDF"},
        {"WA does not combine", 0xDC, "\xDE", 0x838F, "\xDE"},
        {"small TSU does not combine", 0xAF, "\xDE", 0x8362, "\xDE"},
        {"KO before a kanji", 0xBA, "\x88\x9F", 0x8352, "\x88\x9F"},
        {"last byte of the input", 0xB6, "", 0x834A, ""},
        {"first of the table", 0xA1, "x", 0x8142, "x"},
        {"WO", 0xA6, "", 0x8392, ""},
        {"prolonged sound mark", 0xB0, "", 0x815B, ""},
        {"N", 0xDD, "", 0x8393, ""},
        {"voiced mark alone", 0xDE, "\xDE", 0x814A, "\xDE"},
        {"semi-voiced mark alone", 0xDF, "", 0x814B, ""},
    };
    for (const auto& row : rows) {
        for (std::size_t chunk : {std::size_t{1}, TextReader::default_chunk}) {
            SCOPED_TRACE(std::string(row.label) + ", chunk " + std::to_string(chunk));
            Widened result = widen(row.kana, row.after, TextCode::Sjis, chunk);
            EXPECT_EQ(result.code, row.code);
            EXPECT_EQ(result.rest, row.rest);
        }
    }
}

TEST(WidenKana, FromEucTheMarkIsASingleShiftPair) {
    struct Row {
        const char* label;
        int kana;
        std::string after;  // EUC-JP spelling
        int code;
        std::string rest;
    };
    const Row rows[] = {
        {"KA voiced is GA", 0xB6, "\x8E\xDE", 0x834B, ""},
        {"HE semi-voiced is PE", 0xCD, "\x8E\xDF" "a", 0x8379, "a"},
        {"KA before a kanji", 0xB6, "\xA4\xA2", 0x834A, "\xA4\xA2"},
        {"A before a voiced mark", 0xB1, "\x8E\xDE", 0x8341, "\x8E\xDE"},
        {"KA before another katakana", 0xB6, "\x8E\xB1", 0x834A, "\x8E\xB1"},
        {"a bare mark byte is not a mark", 0xB6, "\xDE", 0x834A, "\xDE"},
        {"single shift at the end", 0xB6, "\x8E", 0x834A, "\x8E"},
        {"last byte of the input", 0xB6, "", 0x834A, ""},
    };
    for (const auto& row : rows) {
        for (std::size_t chunk : {std::size_t{1}, std::size_t{2}, TextReader::default_chunk}) {
            SCOPED_TRACE(std::string(row.label) + ", chunk " + std::to_string(chunk));
            Widened result = widen(row.kana, row.after, TextCode::Euc, chunk);
            EXPECT_EQ(result.code, row.code);
            EXPECT_EQ(result.rest, row.rest);
        }
    }
}

TEST(WidenKana, EveryVoicedAndSemiVoicedResultIsTheNextCodes) {
    // The voiced form of each katakana that takes the mark is the code after its plain form, the
    // semi-voiced form the one after that; U is the exception.
    for (int kana = 0xB6; kana <= 0xCE; ++kana) {
        if (kana > 0xC4 && kana < 0xCA) continue;
        SCOPED_TRACE(kana);
        int plain = widen(kana, "", TextCode::Sjis, 1).code;
        EXPECT_EQ(widen(kana, "\xDE", TextCode::Sjis, 1).code, plain + 1);
        if (kana >= 0xCA) {
            EXPECT_EQ(widen(kana, "\xDF", TextCode::Sjis, 1).code, plain + 2);
        }
    }
}

}  // namespace
