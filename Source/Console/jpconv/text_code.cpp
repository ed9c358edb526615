// detect_code and the conversion routines between Shift_JIS, EUC-JP and 7-bit JIS.
#include "text_code.h"

#include "widen_kana.h"

namespace {

constexpr int escape = 0x1B;
constexpr int form_feed = 0x0C;
constexpr int line_feed = 0x0A;
constexpr int carriage_return = 0x0D;
constexpr int single_shift = 0x8E;

bool is_jis(TextCode code) {
    return code == TextCode::NewJis || code == TextCode::OldJis || code == TextCode::NecJis;
}
bool is_sjis_lead(int c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xEF); }
bool is_sjis_trail(int c) { return c >= 0x40 && c <= 0xFC; }
bool is_half_width_kana(int c) { return c >= 0xA1 && c <= 0xDF; }
bool is_euc_byte(int c) { return c >= 0xA1 && c <= 0xFE; }

// Writes a byte that may be the end of the input (-1), in which case nothing is written.
void put_if_byte(TextWriter& output, int c) {
    if (c >= 0) output.put(c);
}

// Reads the rest of an escape whose ESC has been read. True when it enters two-byte mode: any
// ESC "$" designation and ESC "K". ESC "(" with any final byte, ESC "H" and everything else leave.
bool read_escape(TextReader& input) {
    int x = input.get();
    if (x == '$' || x == '(') input.get();
    return x == '$' || x == 'K';
}

// Kanji mode of a JIS writer: the escapes go out only when the mode changes.
class KanjiMode {
public:
    KanjiMode(TextWriter& output, TextCode variant) : output_(output), variant_(variant) {}
    void enter() {
        if (!on_) write_kanji_in(output_, variant_);
        on_ = true;
    }
    void leave() {
        if (on_) write_kanji_out(output_, variant_);
        on_ = false;
    }

private:
    TextWriter& output_;
    TextCode variant_;
    bool on_ = false;
};

// Writes a Shift_JIS pair as EUC-JP.
void put_sjis_as_euc(TextWriter& output, int s1, int s2) {
    sjis_pair_to_jis(s1, s2);
    output.put(s1 + 0x80);
    output.put(s2 + 0x80);
}

}  // namespace

namespace {

// The code arithmetic as tables over single bytes: the pair conversions run for nearly every
// byte of Japanese text, and the tables spare them branches that depend on the text.
struct PairTables {
    unsigned char jis_first[256];         // by Shift_JIS first byte
    unsigned char jis_first_less[256];    // by Shift_JIS second byte: 1 below 0x9F
    unsigned char jis_second[256];        // by Shift_JIS second byte
    unsigned char sjis_first[256];        // by JIS first byte
    unsigned char sjis_second[2][256];    // by the JIS first byte's parity, then JIS second byte
};

constexpr PairTables make_pair_tables() {
    PairTables t{};
    for (int b = 0; b < 256; ++b) {
        t.jis_first[b] = static_cast<unsigned char>((b < 0xA0 ? 2 * (b - 0x70) : 2 * (b - 0xB0)) & 0xFF);
        t.jis_first_less[b] = b < 0x9F ? 1 : 0;
        int j2 = b <= 0x7F ? b - 0x1F : b < 0x9F ? b - 0x20 : b - 0x7E;
        t.jis_second[b] = static_cast<unsigned char>(j2 & 0xFF);
        t.sjis_first[b] = static_cast<unsigned char>(((b + 1) / 2 + (b < 0x5F ? 0x70 : 0xB0)) & 0xFF);
        t.sjis_second[1][b] = static_cast<unsigned char>((b <= 0x5F ? b + 0x1F : b + 0x20) & 0xFF);
        t.sjis_second[0][b] = static_cast<unsigned char>((b + 0x7E) & 0xFF);
    }
    return t;
}

constexpr PairTables pair_tables = make_pair_tables();

}  // namespace

void sjis_pair_to_jis(int& first, int& second) {
    const int s1 = first & 0xFF;
    const int s2 = second & 0xFF;
    first = (pair_tables.jis_first[s1] - pair_tables.jis_first_less[s2]) & 0xFF;
    second = pair_tables.jis_second[s2];
}

void jis_pair_to_sjis(int& first, int& second) {
    const int j1 = first & 0xFF;
    const int j2 = second & 0xFF;
    first = pair_tables.sjis_first[j1];
    second = pair_tables.sjis_second[j1 & 1][j2];
}

void write_kanji_in(TextWriter& output, TextCode variant) {
    switch (variant) {
    case TextCode::NewJis: output.put(escape); output.put('$'); output.put('B'); break;
    case TextCode::OldJis: output.put(escape); output.put('$'); output.put('@'); break;
    case TextCode::NecJis: output.put(escape); output.put('K'); break;
    default: break;
    }
}

void write_kanji_out(TextWriter& output, TextCode variant) {
    switch (variant) {
    case TextCode::NewJis:
    case TextCode::OldJis: output.put(escape); output.put('('); output.put('J'); break;
    case TextCode::NecJis: output.put(escape); output.put('H'); break;
    default: break;
    }
}

TextCode detect_code(TextReader& input) {
    TextCode result = TextCode::None;
    for (;;) {
        int c = input.get();
        if (c < 0) return result;
        // Only an EUC-JP guess can still change; every other finding is final.
        if (result != TextCode::None && result != TextCode::Euc) return result;
        if (c == escape) {
            int d = input.get();
            if (d == '$') {
                int e = input.get();
                if (e == 'B') {
                    result = TextCode::NewJis;
                } else if (e == '@') {
                    result = TextCode::OldJis;
                }
            } else if (d == 'K') {
                result = TextCode::NecJis;
            }
        } else if (c >= 0x81 && c <= 0xFE) {
            int d = input.get();
            if (c <= 0x9F && d >= 0x40 && d <= 0xA0) {
                result = TextCode::Sjis;
            } else if (c >= 0xA1 && d >= 0xA1 && d <= 0xFE) {
                result = TextCode::Euc;
            } else if (c == single_shift && d >= 0xA1 && d <= 0xDF) {
                result = TextCode::Euc;
            }
        }
    }
}

void copy_text(TextReader& input, TextWriter& output) {
    for (int c; (c = input.get()) >= 0;) output.put(c);
}

void jis_to_sjis(TextReader& input, TextWriter& output) {
    bool kanji = false;
    for (int c; (c = input.get()) >= 0;) {
        if (c == escape) {
            kanji = read_escape(input);
        } else if (c == form_feed) {
            continue;
        } else if (kanji) {
            int c2 = input.get();
            if (c2 < 0) {
                output.put(c);
                break;
            }
            jis_pair_to_sjis(c, c2);
            output.put(c);
            output.put(c2);
        } else {
            output.put(c);
        }
    }
}

void jis_to_euc(TextReader& input, TextWriter& output) {
    bool kanji = false;
    for (int c; (c = input.get()) >= 0;) {
        if (c == escape) {
            kanji = read_escape(input);
        } else if (c == form_feed) {
            continue;
        } else if (c == line_feed) {
            kanji = false;
            output.put(c);
        } else if (kanji) {
            int c2 = input.get();
            if (c2 < 0) {
                output.put(c);
                break;
            }
            output.put(c + 0x80);
            output.put(c2 + 0x80);
        } else {
            output.put(c);
        }
    }
}

void jis_to_jis(TextReader& input, TextWriter& output, TextCode target) {
    bool kanji = false;
    for (int c; (c = input.get()) >= 0;) {
        if (c == escape) {
            // Every escape read is written again in the target variant, even one that repeats
            // the current mode.
            kanji = read_escape(input);
            if (kanji) {
                write_kanji_in(output, target);
            } else {
                write_kanji_out(output, target);
            }
        } else if (c == form_feed) {
            continue;
        } else if (c == line_feed) {
            if (kanji) write_kanji_out(output, target);
            kanji = false;
            output.put(c);
        } else if (kanji) {
            output.put(c);
            put_if_byte(output, input.get());
        } else {
            output.put(c);
        }
    }
    if (kanji) write_kanji_out(output, target);
}

void sjis_to_jis(TextReader& input, TextWriter& output, TextCode target, TextCode source) {
    KanjiMode mode(output, target);
    for (int c; (c = input.get()) >= 0;) {
        if (c == 0 || c == form_feed) continue;
        if (c == line_feed || c == carriage_return) {
            mode.leave();
            output.put(line_feed);
        } else if (is_sjis_lead(c)) {
            int c2 = input.get();
            if (is_sjis_trail(c2)) {
                sjis_pair_to_jis(c, c2);
                mode.enter();
                output.put(c);
                output.put(c2);
            } else {
                output.put(c);
                put_if_byte(output, c2);
            }
        } else if (is_half_width_kana(c)) {
            int c2;
            widen_kana(input, c, c2, source);
            sjis_pair_to_jis(c, c2);
            mode.enter();
            output.put(c);
            output.put(c2);
        } else {
            mode.leave();
            output.put(c);
        }
    }
    mode.leave();
}

void sjis_to_euc(TextReader& input, TextWriter& output, TextCode source, bool widen) {
    for (int c; (c = input.get()) >= 0;) {
        if (c == 0 || c == form_feed) continue;
        if (c == line_feed || c == carriage_return) {
            output.put(line_feed);
        } else if (is_sjis_lead(c)) {
            int c2 = input.get();
            if (is_sjis_trail(c2)) {
                put_sjis_as_euc(output, c, c2);
            } else {
                output.put(c);
                put_if_byte(output, c2);
            }
        } else if (is_half_width_kana(c)) {
            if (widen) {
                int c2;
                widen_kana(input, c, c2, source);
                put_sjis_as_euc(output, c, c2);
            } else {
                output.put(single_shift);
                output.put(c);
            }
        } else {
            output.put(c);
        }
    }
}

void sjis_to_sjis(TextReader& input, TextWriter& output, TextCode source, bool widen) {
    for (int c; (c = input.get()) >= 0;) {
        if (c == 0 || c == form_feed) continue;
        if (c == line_feed || c == carriage_return) {
            output.put(line_feed);
        } else if (is_sjis_lead(c)) {
            int c2 = input.get();
            if (is_sjis_trail(c2)) {
                output.put(c);
                output.put(c2);
            }
        } else if (is_half_width_kana(c) && widen) {
            int c2;
            widen_kana(input, c, c2, source);
            output.put(c);
            output.put(c2);
        } else {
            output.put(c);
        }
    }
}

void euc_to_jis(TextReader& input, TextWriter& output, TextCode target, TextCode source) {
    KanjiMode mode(output, target);
    for (int c; (c = input.get()) >= 0;) {
        if (c == form_feed) continue;
        if (is_euc_byte(c)) {
            int c2 = input.get();
            if (is_euc_byte(c2)) {
                mode.enter();
                output.put(c - 0x80);
                output.put(c2 - 0x80);
            } else {
                output.put(c);
                put_if_byte(output, c2);
            }
        } else if (c == single_shift) {
            int k = input.get();
            if (is_half_width_kana(k)) {
                int k2;
                widen_kana(input, k, k2, source);
                sjis_pair_to_jis(k, k2);
                mode.enter();
                output.put(k);
                output.put(k2);
            } else {
                output.put(c);
                put_if_byte(output, k);
            }
        } else {
            // LF, CR, NUL and every other single byte close kanji mode first.
            mode.leave();
            output.put(c);
        }
    }
    mode.leave();
}

void euc_to_sjis(TextReader& input, TextWriter& output, TextCode source, bool widen) {
    for (int c; (c = input.get()) >= 0;) {
        if (c == form_feed) continue;
        if (is_euc_byte(c)) {
            int c2 = input.get();
            if (is_euc_byte(c2)) {
                c -= 0x80;
                c2 -= 0x80;
                jis_pair_to_sjis(c, c2);
                output.put(c);
                output.put(c2);
            } else {
                output.put(c);
                put_if_byte(output, c2);
            }
        } else if (c == single_shift) {
            int k = input.get();
            if (is_half_width_kana(k)) {
                if (widen) {
                    int k2;
                    widen_kana(input, k, k2, source);
                    output.put(k);
                    output.put(k2);
                } else {
                    output.put(k);
                }
            } else {
                output.put(c);
                put_if_byte(output, k);
            }
        } else {
            output.put(c);
        }
    }
}

void euc_to_euc(TextReader& input, TextWriter& output, TextCode source, bool widen) {
    for (int c; (c = input.get()) >= 0;) {
        if (c == form_feed) continue;
        if (is_euc_byte(c)) {
            int c2 = input.get();
            if (is_euc_byte(c2)) {
                output.put(c);
                output.put(c2);
            }
        } else if (c == single_shift) {
            int k = input.get();
            if (is_half_width_kana(k) && widen) {
                int k2;
                widen_kana(input, k, k2, source);
                put_sjis_as_euc(output, k, k2);
            } else {
                output.put(c);
                put_if_byte(output, k);
            }
        } else {
            output.put(c);
        }
    }
}

void convert_text(TextReader& input, TextWriter& output, TextCode detected, TextCode target,
                  bool widen) {
    if (detected == TextCode::Sjis) {
        if (is_jis(target)) {
            sjis_to_jis(input, output, target, detected);
        } else if (target == TextCode::Euc) {
            sjis_to_euc(input, output, detected, widen);
        } else if (target == TextCode::Sjis || widen) {
            sjis_to_sjis(input, output, detected, widen);
        } else {
            copy_text(input, output);
        }
    } else if (detected == TextCode::Euc) {
        if (is_jis(target)) {
            euc_to_jis(input, output, target, detected);
        } else if (target == TextCode::Sjis) {
            euc_to_sjis(input, output, detected, widen);
        } else if (target == TextCode::Euc || widen) {
            euc_to_euc(input, output, detected, widen);
        } else {
            copy_text(input, output);
        }
    } else if (is_jis(detected)) {
        // 7-bit JIS as read here carries no half-width katakana, so without an encoding to
        // convert to there is nothing to widen and the text is kept as it is.
        if (is_jis(target)) {
            jis_to_jis(input, output, target);
        } else if (target == TextCode::Euc) {
            jis_to_euc(input, output);
        } else if (target == TextCode::Sjis) {
            jis_to_sjis(input, output);
        } else {
            copy_text(input, output);
        }
    } else {
        copy_text(input, output);
    }
}
