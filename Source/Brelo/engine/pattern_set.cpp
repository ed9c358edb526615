// File-name patterns: wildcards to expression, whole-name matching, the input and output checks
// and output-name derivation.
#include "engine/pattern_set.h"

#include <algorithm>

#include <boost/algorithm/string/classification.hpp>
#include <boost/algorithm/string/predicate.hpp>
#include <boost/algorithm/string/trim.hpp>

#include "engine/conversion_log.h"
#include "engine/converter.h"
#include "engine/run_settings.h"
#include "engine/setting_names.h"
#include "platform/platform.h"
#include "Common/wide_text.h"

namespace {

constexpr const char* not_a_directory = "is not a valid directory.";
constexpr const char* forbidden_characters = "\\/:*?\"<>|";
constexpr const char* forbidden_message = "File Pattern can't be \\ / : * ? \" < > |";
constexpr const char* trailing_dot_message = "File Pattern can't ends with .";
constexpr const char* blank_message = "File Pattern can't be blank";
constexpr const char* white_space = " \t\n\v\f\r";

// The Windows API forms this message in a 260-byte buffer, which a directory of more than 231
// characters overflows; here the message always carries the whole directory.
std::string not_a_directory_message(const std::string& directory) {
    return "\"" + directory + "\" " + not_a_directory;
}

// The patterns text without the bars and blanks at either end.
// "?" as the expression has it: one well-formed UTF-8 sequence, taken whole (the group is
// atomic, so it is never split to fit), or else any single byte.
constexpr const char* any_character =
    "(?>[\\xC2-\\xDF][\\x80-\\xBF]|\\xE0[\\xA0-\\xBF][\\x80-\\xBF]|"
    "[\\xE1-\\xEC\\xEE\\xEF][\\x80-\\xBF]{2}|\\xED[\\x80-\\x9F][\\x80-\\xBF]|"
    "\\xF0[\\x90-\\xBF][\\x80-\\xBF]{2}|[\\xF1-\\xF3][\\x80-\\xBF]{3}|"
    "\\xF4[\\x80-\\x8F][\\x80-\\xBF]{2}|.)";

std::string trimmed_patterns(const std::string& patterns) {
    return boost::algorithm::trim_copy_if(patterns, boost::algorithm::is_any_of("| "));
}

}  // namespace

std::string wildcards_to_expression(const std::string& patterns) {
    std::string text = trimmed_patterns(patterns);
    // The backslash goes first so that the escapes added after it survive; "?" and "*" go last
    // so that the groups they bring in are not escaped themselves, and "*" after "?", whose
    // group it holds. A star takes whole characters, so it never ends inside one.
    static const std::string any_run = std::string("((?:") + any_character + ")*)";
    static const char* const replacements[][2] = {
        {"\\", "\\\\"}, {".", "\\."}, {"[", "\\["}, {"{", "\\{"}, {"(", "\\("},
        {")", "\\)"},   {"+", "\\+"}, {"^", "\\^"}, {"$", "\\$"}, {"?", any_character},
        {"*", any_run.c_str()},
    };
    for (const auto& pair : replacements) replace_all_in_place(text, pair[0], pair[1]);
    return "^" + text + "$";
}

namespace {

// The expression ignores case as the classic locale does: ASCII letters only.
char fold_case(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// A segment's "?" among characters; no character decodes to it.
constexpr char32_t any_unit = 0xFFFFFFFF;
// A byte that starts no well-formed sequence stands for itself, apart from every code point.
constexpr char32_t lone_byte_base = 0x110000;

// The length of a well-formed UTF-8 sequence at `at` (the ranges of any_character), or 0.
std::size_t sequence_length(const std::string& text, std::size_t at) {
    std::size_t length = 0;
    return utf8_char_at(text, at, length) == Utf8Char::Whole ? length : 0;
}

// The text as characters, ASCII letters in lower case; in a pattern, "?" becomes any_unit.
std::u32string characters(const std::string& text, bool pattern) {
    std::u32string units;
    units.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const unsigned char lead = static_cast<unsigned char>(text[at]);
        const std::size_t length = lead < 0x80 ? 0 : sequence_length(text, at);
        if (length == 0) {
            if (pattern && lead == '?') {
                units += any_unit;
            } else {
                units += lead < 0x80 ? static_cast<char32_t>(fold_case(static_cast<char>(lead)))
                                     : lone_byte_base + lead;
            }
            ++at;
            continue;
        }
        char32_t code = lead & (0x7F >> length);
        for (std::size_t i = 1; i < length; ++i) {
            code = (code << 6) | (static_cast<unsigned char>(text[at + i]) & 0x3F);
        }
        units += code;
        at += length;
    }
    return units;
}

// The pieces of the patterns text as the expression sees them: outer bars and blanks trimmed,
// split at every bar, each cut at its stars.
std::vector<Wildcard> split_wildcards(const std::string& patterns) {
    const std::string text = trimmed_patterns(patterns);
    std::vector<Wildcard> pieces;
    std::size_t start = 0;
    for (;;) {
        const std::size_t bar = std::min(text.find('|', start), text.size());
        Wildcard piece;
        piece.segments.emplace_back();
        for (std::size_t i = start; i < bar; ++i) {
            if (text[i] == '*') {
                piece.segments.emplace_back();
            } else {
                piece.segments.back() += fold_case(text[i]);
            }
        }
        for (const std::string& segment : piece.segments) {
            piece.units.push_back(characters(segment, true));
        }
        pieces.push_back(std::move(piece));
        if (bar == text.size()) return pieces;
        start = bar + 1;
    }
}

bool same_text(const std::u32string& segment, const char32_t* name) {
    for (std::size_t i = 0; i < segment.size(); ++i) {
        if (segment[i] != any_unit && segment[i] != name[i]) return false;
    }
    return true;
}

// The first and the last segment are tied to the ends of the name. Each one between is placed
// at its leftmost fit after the one before: any later fit would leave less room for the rest,
// so the leftmost one is never wrong and nothing is ever tried twice. Every segment covers as
// many characters as it has, wherever it lies, which is what makes the leftmost fit safe.
bool matches(const Wildcard& wildcard, const std::u32string& name) {
    const std::vector<std::u32string>& segments = wildcard.units;
    const std::u32string& first = segments.front();
    if (segments.size() == 1) return name.size() == first.size() && same_text(first, name.data());
    const std::u32string& last = segments.back();
    if (name.size() < first.size() + last.size()) return false;
    if (!same_text(first, name.data())) return false;
    const std::size_t end = name.size() - last.size();
    if (!same_text(last, name.data() + end)) return false;
    std::size_t position = first.size();
    for (std::size_t i = 1; i + 1 < segments.size(); ++i) {
        const std::u32string& segment = segments[i];
        for (;;) {
            if (position + segment.size() > end) return false;
            if (same_text(segment, name.data() + position)) break;
            ++position;
        }
        position += segment.size();
    }
    return true;
}

}  // namespace

PatternSet compile_patterns(const std::string& patterns) {
    return PatternSet{boost::regex(wildcards_to_expression(patterns),
                                   boost::regex_constants::perl | boost::regex_constants::icase),
                      split_wildcards(patterns)};
}

bool match_file_name(const PatternSet& patterns, const std::string& name) {
    const std::u32string units = characters(name, false);
    for (const Wildcard& wildcard : patterns.wildcards) {
        if (matches(wildcard, units)) return true;
    }
    return false;
}

CheckResult check_input(const RunSettings& settings, PatternSet& patterns) {
    if (!is_directory(settings.input_directory)) {
        return make_notice(input_section, input_directory_key,
                           not_a_directory_message(settings.input_directory));
    }
    try {
        patterns = compile_patterns(settings.input_patterns);
    } catch (const boost::regex_error& error) {
        return make_notice(converter_section, run_key, error.what());
    }
    return std::nullopt;
}

CheckResult check_output(const RunSettings& settings) {
    const std::string& pattern = settings.output_pattern;
    const char* failure = nullptr;
    if (!is_directory(settings.output_directory)) {
        return make_notice(output_section, output_directory_key,
                           not_a_directory_message(settings.output_directory));
    }
    // The trailing dot is judged on the text as typed, so "out. " passes; only the blank check
    // looks at the trimmed copy.
    if (pattern.find_first_of(forbidden_characters) != std::string::npos) {
        failure = forbidden_message;
    } else if (boost::algorithm::ends_with(pattern, ".")) {
        failure = trailing_dot_message;
    } else if (boost::algorithm::trim_copy_if(pattern, boost::algorithm::is_any_of(white_space))
                   .empty()) {
        failure = blank_message;
    }
    if (failure) return make_notice(output_section, output_pattern_key, failure);
    return std::nullopt;
}

std::vector<std::string> unknown_placeholders(const std::string& output_pattern) {
    std::vector<std::string> unknown;
    for (std::size_t start = output_pattern.find("${"); start != std::string::npos;) {
        const std::size_t end = output_pattern.find('}', start);
        if (end == std::string::npos) break;
        // "${${prefix}" holds a known one after a stray "${": the search goes on from there.
        const std::size_t inner = output_pattern.find("${", start + 2);
        if (inner != std::string::npos && inner < end) {
            start = inner;
            continue;
        }
        const std::string token = output_pattern.substr(start, end + 1 - start);
        if (token != prefix_token && token != suffix_token &&
            std::find(unknown.begin(), unknown.end(), token) == unknown.end()) {
            unknown.push_back(token);
        }
        start = output_pattern.find("${", end + 1);
    }
    return unknown;
}

CheckResult check_placeholders(const RunSettings& settings) {
    const std::vector<std::string> unknown = unknown_placeholders(settings.output_pattern);
    if (unknown.empty()) return std::nullopt;
    std::string names;
    for (const std::string& token : unknown) names += (names.empty() ? "" : ", ") + token;
    const std::string message =
        (unknown.size() == 1 ? "Unknown placeholder " + names + " stays"
                             : "Unknown placeholders " + names + " stay") +
        " in the names as typed; the placeholders are " + prefix_token + " and " +
        suffix_token + ".";
    return make_notice(output_section, output_pattern_key, message);
}

std::string derive_output_name(const std::string& name, const std::string& output_pattern) {
    const std::size_t dot = name.rfind('.');
    const std::string prefix = dot == std::string::npos ? name : name.substr(0, dot);
    const std::string suffix = dot == std::string::npos ? std::string() : name.substr(dot + 1);
    return replace_placeholders(output_pattern, {{prefix_token, prefix}, {suffix_token, suffix}});
}
