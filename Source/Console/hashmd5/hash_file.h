// The whole job of hashmd5: digest one file into another.
#pragma once

#include <string>

// Writes the MD5 digest of the input file's bytes into the output file as exactly 32 upper-case
// hexadecimal digits with no line end. The digest goes to a temporary file that replaces the
// output only once written, closed and renamed (see OutputFile; devices such as /dev/null are
// written directly). Returns false, leaving the old output as it was and no temporary file, when
// the input cannot be opened, is not a regular file or cannot be read to its end; when the output
// names the input file itself (under any spelling or link); and when any write, the flush, the
// close or the rename fails.
bool hash_file(const std::string& input_path, const std::string& output_path);

// The 32-digit text for a 16-byte digest.
std::string format_digest(const unsigned char digest[16]);
