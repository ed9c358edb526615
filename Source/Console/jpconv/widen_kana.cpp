// The widening table and the sound-mark rules of widen_kana.
#include "widen_kana.h"

namespace {

constexpr int single_shift = 0x8E;
constexpr int voiced_mark = 0xDE;
constexpr int semi_voiced_mark = 0xDF;

// Shift_JIS code of the full-width counterpart of each half-width byte 0xA1-0xDF.
constexpr unsigned short full_width[63] = {
    0x8142, 0x8175, 0x8176, 0x8141, 0x8145,                                  // A1-A5
    0x8392, 0x8340, 0x8342, 0x8344, 0x8346, 0x8348, 0x8383, 0x8385, 0x8387,  // A6-AE
    0x8362,                                                                  // AF
    0x815B,                                                                  // B0
    0x8341, 0x8343, 0x8345, 0x8347, 0x8349, 0x834A, 0x834C, 0x834E, 0x8350,  // B1-B9
    0x8352, 0x8354, 0x8356, 0x8358, 0x835A, 0x835C,                          // BA-BF
    0x835E, 0x8360, 0x8363, 0x8365, 0x8367, 0x8369, 0x836A, 0x836B, 0x836C,  // C0-C8
    0x836D, 0x836E, 0x8371, 0x8374, 0x8377, 0x837A, 0x837D,                  // C9-CF
    0x837E, 0x8380, 0x8381, 0x8382, 0x8384, 0x8386, 0x8388, 0x8389, 0x838A,  // D0-D8
    0x838B, 0x838C, 0x838D, 0x838F, 0x8393, 0x814A, 0x814B,                  // D9-DF
};

// KA to TO, HA to HO, and U.
bool takes_voiced_mark(int kana) {
    return (kana >= 0xB6 && kana <= 0xC4) || (kana >= 0xCA && kana <= 0xCE) || kana == 0xB3;
}

// HA to HO.
bool takes_semi_voiced_mark(int kana) { return kana >= 0xCA && kana <= 0xCE; }

enum class Mark { None, Voiced, SemiVoiced };

Mark combining_mark(int kana, int byte) {
    if (byte == voiced_mark && takes_voiced_mark(kana)) return Mark::Voiced;
    if (byte == semi_voiced_mark && takes_semi_voiced_mark(kana)) return Mark::SemiVoiced;
    return Mark::None;
}

// Reads the sound mark that follows the katakana, if it combines; otherwise leaves the input as
// it was.
Mark read_mark(TextReader& input, int kana, TextCode source) {
    if (source == TextCode::Euc) {
        int shift = input.get();
        if (shift != single_shift) {
            if (shift >= 0) input.unget(shift);
            return Mark::None;
        }
        int mark_byte = input.get();
        Mark mark = combining_mark(kana, mark_byte);
        if (mark == Mark::None) {
            if (mark_byte >= 0) input.unget(mark_byte);
            input.unget(shift);
        }
        return mark;
    }
    int mark_byte = input.get();
    Mark mark = combining_mark(kana, mark_byte);
    if (mark == Mark::None && mark_byte >= 0) input.unget(mark_byte);
    return mark;
}

}  // namespace

void widen_kana(TextReader& input, int& first, int& second, TextCode source) {
    int kana = first;
    Mark mark = read_mark(input, kana, source);
    int code = full_width[kana - 0xA1];
    int s1 = code >> 8;
    int s2 = code & 0xFF;
    if (mark == Mark::Voiced) {
        if ((s2 >= 0x4A && s2 <= 0x67) || (s2 >= 0x6E && s2 <= 0x7A)) {
            s2 += 1;
        } else if (code == 0x8345) {
            s2 = 0x94;  // U becomes VU, which sits apart from the other voiced katakana
        }
    } else if (mark == Mark::SemiVoiced) {
        if (s2 >= 0x6E && s2 <= 0x7A) s2 += 2;
    }
    first = s1;
    second = s2;
}
