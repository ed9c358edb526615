// The log box's text as a file holds it.
#pragma once

#include <string>

// The text with every line ended by CR LF: a lone LF or a lone CR (a converter's console text
// may hold either) becomes CR LF, and CR LF stays as it is. Nothing else changes.
std::string crlf_text(const std::string& text);
