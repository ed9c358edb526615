// The whole job of hashmd5: digest one file into another.
#pragma once

#include <string>

// Writes the MD5 digest of the input file's bytes into the output file as exactly 32 upper-case
// hexadecimal digits with no line end. Returns false, leaving no new output file, when the input
// cannot be opened or is not a regular file; false when the output cannot be opened; false when
// the output names the input file itself (under any spelling or link), leaving the input as it
// was; false, removing the output, when reading the input fails before its end.
bool hash_file(const std::string& input_path, const std::string& output_path);

// The 32-digit text for a 16-byte digest.
std::string format_digest(const unsigned char digest[16]);
