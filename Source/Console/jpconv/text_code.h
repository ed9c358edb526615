// Kinds of Japanese text, their detection, and the routines that stream one kind into another.
#pragma once

#include "text_stream.h"

// The kinds of text, both as detected in an input and as requested for an output. None is text
// without any recognised escape or multi-byte pair; as a request it names no encoding.
enum class TextCode { None = 0, NewJis = 1, OldJis = 2, NecJis = 3, Euc = 4, Sjis = 5 };

// Reads the input from its current position until its kind is settled and returns it: the first
// JIS escape (ESC "$B", ESC "$@", ESC "K") or Shift_JIS pair decides; EUC-JP pairs only decide when
// nothing else follows them. Reads to the end for EUC-JP and for plain text.
TextCode detect_code(TextReader& input);

// The routines below read the input to its end and write the converted text. None of them fails:
// every byte sequence is handled, malformed pairs included. JIS writers end single-byte runs with
// ESC "(J" (ESC "H" for NecJis). FF (0x0C) is dropped by every routine but copy_text.
//
// A byte that needs a partner but is the last byte of the input is treated like a pair whose
// partner is invalid: where such pairs are written unchanged the lone byte is written unchanged,
// where they are dropped it is dropped.

// Every byte unchanged.
void copy_text(TextReader& input, TextWriter& output);

// 7-bit JIS (any of the three escape variants) to Shift_JIS, EUC-JP, or the target JIS variant.
void jis_to_sjis(TextReader& input, TextWriter& output);
void jis_to_euc(TextReader& input, TextWriter& output);
void jis_to_jis(TextReader& input, TextWriter& output, TextCode target);

// Shift_JIS to 7-bit JIS, EUC-JP and Shift_JIS. source is the kind widen_kana reads sound marks
// in (TextCode::Sjis here). Half-width katakana always become full-width in JIS; elsewhere only
// when widen is set.
void sjis_to_jis(TextReader& input, TextWriter& output, TextCode target, TextCode source);
void sjis_to_euc(TextReader& input, TextWriter& output, TextCode source, bool widen);
void sjis_to_sjis(TextReader& input, TextWriter& output, TextCode source, bool widen);

// EUC-JP to 7-bit JIS, Shift_JIS and EUC-JP, with source TextCode::Euc; widening as above.
void euc_to_jis(TextReader& input, TextWriter& output, TextCode target, TextCode source);
void euc_to_sjis(TextReader& input, TextWriter& output, TextCode source, bool widen);
void euc_to_euc(TextReader& input, TextWriter& output, TextCode source, bool widen);

// The escape that enters (kanji-in) or leaves (kanji-out) two-byte mode in a JIS variant; nothing
// for any other TextCode.
void write_kanji_in(TextWriter& output, TextCode variant);
void write_kanji_out(TextWriter& output, TextCode variant);

// Shift_JIS pair to JIS X 0208 row and cell bytes and back, in place. Any byte values are
// accepted; results are taken modulo 256.
void sjis_pair_to_jis(int& first, int& second);
void jis_pair_to_sjis(int& first, int& second);

// Runs the routine for a detected input kind and a requested output on the input from its current
// position. With target None and widen set, Shift_JIS and EUC-JP keep their encoding and have
// their half-width katakana widened; 7-bit JIS and plain text are copied. With target None and
// widen off the input is copied.
void convert_text(TextReader& input, TextWriter& output, TextCode detected, TextCode target,
                  bool widen);
