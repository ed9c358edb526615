// Half-width katakana (JIS X 0201, one byte 0xA1-0xDF) to their full-width JIS X 0208 characters.
#pragma once

#include "text_code.h"
#include "text_stream.h"

// Turns the half-width katakana byte in first (already consumed, and in EUC-JP the 0x8E before
// it too) into the Shift_JIS pair of its full-width character, stored in first and second. When
// the next character of the input is the voiced (0xDE) or semi-voiced (0xDF) sound mark and the
// katakana takes it, the mark is consumed and the single voiced or semi-voiced character results.
// source says how that mark is spelled: one byte after Shift_JIS (TextCode::Sjis), 0x8E and the
// byte after EUC-JP (TextCode::Euc). Whatever was read ahead and not combined is pushed back, so
// the input continues exactly where the katakana ended. first must be in 0xA1-0xDF.
void widen_kana(TextReader& input, int& first, int& second, TextCode source);
