// How numbers and texts are spelled in the settings file.
#pragma once

#include <string>

// The decimal integer at the start of text: leading blanks skipped, an optional sign, digits up
// to the first other character. No digits (an empty text included) gives 0; values beyond the
// range of int stop at its nearest end.
int read_integer(const std::string& text);

// The text to write so that reading the key gives text back: the Windows reader drops blanks
// around a value and one pair of enclosing quotes, so a text that starts or ends with a blank,
// or is itself enclosed in quotes, is written inside one more pair of double quotes.
std::string stored_text(const std::string& text);
