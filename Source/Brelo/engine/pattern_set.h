// File-name patterns: the input wildcards compiled into one expression, the checks that run
// before every refresh and run, and the output name derived for each matched file.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include <boost/regex.hpp>

struct CurrentSettings;

// One wildcard pattern with at most one "*": the text before the star and the text after it,
// in lower case, "?" standing for any one byte.
struct SimpleWildcard {
    std::string head;
    std::string tail;
    bool has_star = false;
};

// The input patterns compiled into one case-insensitive expression. Copies share the compiled
// program, so passing one around is cheap; each refresh or run compiles its own.
// When no pattern holds more than one "*", the patterns are also kept as plain wildcards (at
// least one, an empty text giving one empty pattern): a name is then compared directly, with the
// expression's answer and without its cost (a scan matches every name it meets). Otherwise
// simple is empty and the expression is the only matcher.
struct PatternSet {
    boost::regex expression;
    std::vector<SimpleWildcard> simple;
};

// What one name did against the patterns. TooComplex: the matcher gave up on this name because
// the work grew beyond its bounds (patterns like *a*a*a*a*a*a*a*b meeting a long name); the
// name is then treated as not matching, and the caller tells the user which name it was.
enum class NameMatch { Matched, NotMatched, TooComplex };

// The wildcards ("*" any run, "?" one byte, "|" between patterns) as the Perl-syntax text that
// compile_patterns hands to the compiler: bars and blanks trimmed from both ends, the special
// characters escaped, "^" in front and "$" behind.
std::string wildcards_to_expression(const std::string& patterns);

// Compiles the patterns text. Throws boost::regex_error when the compiler refuses the text
// (a lone "]" or "}" can do that); check_input catches it.
PatternSet compile_patterns(const std::string& patterns);

// Whole-name match of a bare file name (no directory part). Never throws.
NameMatch match_name(const PatternSet& patterns, const std::string& name);

// True only when match_name gives Matched.
bool match_file_name(const PatternSet& patterns, const std::string& name);

// A check's verdict: nothing when it passed (the log box is then cleared), otherwise the notice
// the log box shows instead, stamped with the time of the check.
using CheckResult = std::optional<std::string>;

// The input directory must exist and the patterns must compile. When it passes, patterns
// receives the compiled set; otherwise patterns is left alone.
CheckResult check_input(const CurrentSettings& settings, PatternSet& patterns);

// The output directory must exist and the output-name pattern must be usable.
CheckResult check_output(const CurrentSettings& settings);

// The output file name for a bare input name: "${suffix}" replaced by what follows the name's
// last dot, then "${prefix}" by what precedes it (the whole name when it has no dot).
std::string derive_output_name(const std::string& name, const std::string& output_pattern);

// The notice text for a name the patterns were too complex for.
std::string too_complex_message(const std::string& patterns, const std::string& name);
