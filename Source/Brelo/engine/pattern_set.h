// File-name patterns: the input wildcards and the expression they stand for, the checks that run
// before every refresh and run, and the output name derived for each matched file.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include <boost/regex.hpp>

struct RunSettings;

// One wildcard pattern, in lower case, cut at its stars: the name must start with the first
// segment, end with the last, and hold the ones between in order; "?" in a segment stands for
// any one character (a well-formed UTF-8 sequence, or a single byte that is not part of one).
// Without a star there is one segment, which must be the whole name. `units` holds the same
// segments as characters, the form the matcher compares.
struct Wildcard {
    std::vector<std::string> segments;
    std::vector<std::u32string> units;
};

// The input patterns: the expression the wildcards translate to (case-insensitive, compiled
// once per refresh or run; copies share it), and the same patterns as plain wildcards, at least
// one (an empty text gives one empty pattern). Names are matched by the wildcards, which give
// the expression's answer in time proportional to the name's length times the pattern's,
// whatever the pattern: no name is ever too much work.
struct PatternSet {
    boost::regex expression;
    std::vector<Wildcard> wildcards;
};

// The wildcards ("*" any run, "?" one character as Wildcard has it, "|" between patterns) as the Perl-syntax text that
// compile_patterns hands to the compiler: bars and blanks trimmed from both ends, the special
// characters escaped, "^" in front and "$" behind.
std::string wildcards_to_expression(const std::string& patterns);

// Compiles the patterns text. Throws boost::regex_error when the compiler refuses the text
// (a lone "]" or "}" can do that); check_input catches it.
PatternSet compile_patterns(const std::string& patterns);

// Whole-name match of a bare file name (no directory part): whether one of the patterns
// matches it.
bool match_file_name(const PatternSet& patterns, const std::string& name);

// A check's verdict: nothing when it passed (the log box is then cleared), otherwise the notice
// the log box shows instead, stamped with the time of the check.
using CheckResult = std::optional<std::string>;

// The input directory must exist and the patterns must compile. When it passes, patterns
// receives the compiled set; otherwise patterns is left alone.
CheckResult check_input(const RunSettings& settings, PatternSet& patterns);

// The output directory must exist and the output-name pattern must be usable.
CheckResult check_output(const RunSettings& settings);

// The "${...}" texts of an output-name pattern that are neither "${prefix}" nor "${suffix}"
// ("${prefx}", "${Prefix}", "${ prefix}"), each once, in the order they first come. They are no
// fault: they stay in every name as typed.
std::vector<std::string> unknown_placeholders(const std::string& output_pattern);

// The notice for an output-name pattern with unknown placeholders, naming them; nothing when it
// has none. Unlike the checks' notices it stops nothing: the refresh or the run goes on with the
// text as typed.
CheckResult check_placeholders(const RunSettings& settings);

// The output file name for a bare input name: "${prefix}" replaced by what precedes the name's
// last dot (the whole name when it has none) and "${suffix}" by what follows it, in one pass, so
// that placeholder text inside a name stays as it is and two names never give one output name
// by it.
std::string derive_output_name(const std::string& name, const std::string& output_pattern);

