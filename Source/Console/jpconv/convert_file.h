// The whole job of jpconv: the option that names the output, and one file converted into another.
#pragma once

#include <string>

#include "text_code.h"

// What the option asks for: the output's kind, and whether half-width katakana are widened.
struct ConversionRequest {
    TextCode target = TextCode::None;
    bool widen = false;
};

// Reads the option ("-sjis", "-euc", "-newjis", "-oldjis", "-necjis", "-fullsize"), compared as a
// whole and ignoring the case of ASCII letters. False, leaving request alone, for anything else.
bool parse_option(const std::string& option, ConversionRequest& request);

// Detects the input file's kind and writes it converted as requested into the output file; both
// files follow the text-mode line-end rules of TextReader and TextWriter. The text goes to a
// temporary file that replaces the output only once complete (see OutputFile; devices such as
// /dev/null are written directly), so a reader never sees half of it. Returns false, leaving the
// old output as it was and no temporary file, when the input cannot be opened, is not a regular
// file or cannot be read to its end, and when the output cannot be created or any write, the
// flush, the close or the rename fails. When the output names the input file (under any spelling
// or link), the input itself is replaced, so it is never lost.
bool convert_file(const std::string& input_path, const std::string& output_path,
                  const ConversionRequest& request);
