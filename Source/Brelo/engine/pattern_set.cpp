// File-name patterns: wildcards to expression, whole-name matching, the input and output checks
// and output-name derivation.
#include "engine/pattern_set.h"

#include <stdexcept>

#include <boost/algorithm/string/classification.hpp>
#include <boost/algorithm/string/predicate.hpp>
#include <boost/algorithm/string/replace.hpp>
#include <boost/algorithm/string/trim.hpp>

#include "engine/conversion_log.h"
#include "engine/current_settings.h"
#include "platform/platform.h"

namespace {

constexpr const char* output_section = "Output";
constexpr const char* input_directory_key = "Input Directory";
constexpr const char* output_directory_key = "Output Directory";
constexpr const char* output_pattern_key = "File Patterns";
constexpr const char* compile_error_section = "Converter";
constexpr const char* compile_error_key = "Run";
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

}  // namespace

std::string wildcards_to_expression(const std::string& patterns) {
    std::string text = boost::algorithm::trim_copy_if(patterns, boost::algorithm::is_any_of("| "));
    // The backslash goes first so that the escapes added after it survive; "*" and "?" go last
    // so that the groups they bring in are not escaped themselves.
    static const char* const replacements[][2] = {
        {"\\", "\\\\"}, {".", "\\."},  {"[", "\\["},  {"{", "\\{"},   {"(", "\\("},     {")", "\\)"},
        {"+", "\\+"},   {"^", "\\^"},  {"$", "\\$"},  {"*", "(.*)"}, {"?", "(.{1})"},
    };
    for (const auto& pair : replacements) boost::algorithm::replace_all(text, pair[0], pair[1]);
    return "^" + text + "$";
}

PatternSet compile_patterns(const std::string& patterns) {
    return PatternSet{boost::regex(wildcards_to_expression(patterns),
                                   boost::regex_constants::perl | boost::regex_constants::icase)};
}

NameMatch match_name(const PatternSet& patterns, const std::string& name) {
    // One set of match results per thread, reused, so that a name costs no allocation of ours.
    thread_local boost::smatch results;
    try {
        return boost::regex_match(name, results, patterns.expression) ? NameMatch::Matched
                                                                      : NameMatch::NotMatched;
    } catch (const std::runtime_error&) {
        // The matcher's complexity bound (and its memory bound) end a match by throwing; one
        // hopeless name must not end the program.
        return NameMatch::TooComplex;
    }
}

bool match_file_name(const PatternSet& patterns, const std::string& name) {
    return match_name(patterns, name) == NameMatch::Matched;
}

std::string too_complex_message(const std::string& patterns, const std::string& name) {
    return "\"" + patterns + "\" is too complex to match \"" + name +
           "\"; the name is taken as not matching.";
}

bool check_input(LogBox& log_box, const CurrentSettings& settings, PatternSet& patterns) {
    if (!is_directory(settings.input_directory)) {
        show_notice(log_box, input_section, input_directory_key,
                    not_a_directory_message(settings.input_directory));
        return false;
    }
    try {
        patterns = compile_patterns(settings.input_patterns);
    } catch (const boost::regex_error& error) {
        show_notice(log_box, compile_error_section, compile_error_key, error.what());
        return false;
    }
    show_log(log_box, std::string());
    return true;
}

bool check_output(LogBox& log_box, const CurrentSettings& settings) {
    const std::string& pattern = settings.output_pattern;
    const char* failure = nullptr;
    if (!is_directory(settings.output_directory)) {
        show_notice(log_box, output_section, output_directory_key,
                    not_a_directory_message(settings.output_directory));
        return false;
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
    if (failure) {
        show_notice(log_box, output_section, output_pattern_key, failure);
        return false;
    }
    show_log(log_box, std::string());
    return true;
}

namespace {

// Every occurrence of token in text replaced, left to right; what is inserted is not searched
// again. Called for every matched file of a scan, so it allocates once and only when needed.
std::string replace_every(const std::string& text, const std::string& token,
                          const std::string& replacement) {
    std::size_t found = text.find(token);
    if (found == std::string::npos) return text;
    std::string result;
    result.reserve(text.size() + replacement.size());
    std::size_t from = 0;
    for (; found != std::string::npos; found = text.find(token, from)) {
        result.append(text, from, found - from);
        result += replacement;
        from = found + token.size();
    }
    result.append(text, from, std::string::npos);
    return result;
}

}  // namespace

std::string derive_output_name(const std::string& name, const std::string& output_pattern) {
    const std::size_t dot = name.rfind('.');
    const std::string prefix = dot == std::string::npos ? name : name.substr(0, dot);
    const std::string suffix = dot == std::string::npos ? std::string() : name.substr(dot + 1);
    // The suffix goes in first: placeholder text it brings along is replaced by the prefix pass,
    // while text the prefix brings is never looked at again.
    return replace_every(replace_every(output_pattern, "${suffix}", suffix), "${prefix}", prefix);
}
