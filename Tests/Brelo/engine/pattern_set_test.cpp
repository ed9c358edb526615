// Wildcard patterns, whole-name matching, the input and output checks and output names.
#include "engine/pattern_set.h"

#include <random>

#include <gtest/gtest.h>

#include "engine/run_settings.h"
#include "walk_support.h"

using namespace walk_test;

namespace {

struct MatchRow {
    const char* label;
    const char* patterns;
    const char* name;
    bool matches;
};

TEST(MatchFileName, WildcardsMatchWholeNamesOnly) {
    const MatchRow rows[] = {
        {"first piece", "*.txt|*.doc", "a.TXT", true},
        {"second piece", "*.txt|*.doc", "b.doc", true},
        {"whole name must match", "*.txt|*.doc", "a.txt.bak", false},
        {"inner blanks stay", "*.txt | *.doc", "a.txt", false},
        {"inner blanks stay, second piece", "*.txt | *.doc", "b.doc", false},
        {"inner blank is part of the piece", "*.txt | *.doc", "a.txt ", true},
        {"outer blanks and bars trimmed", " ||*.txt| | ", "a.txt", true},
        {"specials literal", "a+b(1).txt", "a+b(1).txt", true},
        {"dot is literal", "a.txt", "aXtxt", false},
        {"bracket literal", "data[1].txt", "data[1].txt", true},
        {"caret and dollar literal", "^a$.txt", "^a$.txt", true},
        {"brace literal", "{x}.txt", "{x}.txt", true},
        {"backslash literal", "a\\b", "a\\b", true},
        {"question is one byte", "?.txt", "a.txt", true},
        {"question not zero bytes", "?.txt", ".txt", false},
        {"question not two bytes", "?.txt", "ab.txt", false},
        {"star matches empty", "*.txt", ".txt", true},
        {"case ignored", "README", "readme", true},
        {"two bars give an empty piece", "*.txt||*.doc", "", true},
        {"empty piece adds no file", "*.txt||*.doc", "a.bin", false},
        {"empty patterns match nothing", "", "a", false},
        {"bars only match nothing", " | ", "a", false},
        {"tab is not trimmed", "\t*.txt", "a.txt", false},
        {"high bytes compare exactly", "\x82\xa0*", "\x82\xa0x", true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        EXPECT_EQ(match_file_name(compile_patterns(row.patterns), row.name), row.matches);
    }
}

// Patterns with many stars are where a backtracking matcher gives up or takes minutes; every
// name gets its answer here, and at once (a slow matcher would hold the suite for hours).
TEST(MatchFileName, ManyStarsNeverTooMuchWork) {
    const PatternSet hostile = compile_patterns("*a*a*a*a*a*a*a*b|*.txt");
    std::string name(200, 'a');
    for (int i = 0; i < 10000; ++i) {
        name[static_cast<std::size_t>(i % 200)] = static_cast<char>('a' + 2 * (i % 2));
        ASSERT_FALSE(match_file_name(hostile, name));
    }
    EXPECT_TRUE(match_file_name(hostile, name + "b"));
    EXPECT_TRUE(match_file_name(hostile, "x.txt"));
    EXPECT_FALSE(match_file_name(hostile, "x.doc"));
    const std::string final_name = std::string(40, 'x') + "_" + std::string(40, 'y') + "_" +
                                   std::string(40, 'z') + "_w-final" + std::string(17, 'v');
    EXPECT_TRUE(match_file_name(compile_patterns("*_*_*_*-final*"), final_name));
    EXPECT_FALSE(match_file_name(compile_patterns("*_*_*_*_*-final*"), final_name));
}

// Whatever the text, the wildcards must give the expression's answer. Names are short, so the
// expression itself never gives up on them; should it ever, that name proves nothing. Texts are
// made of whole characters and of bytes that start no sequence: the expression compares a
// pattern's letters byte by byte, the wildcards character by character, which differ only where
// a pattern holds part of a character, and typed patterns never do.
TEST(MatchFileName, WildcardsAgreeWithTheExpression) {
    const std::vector<std::string> pattern_units = {
        "a", "A", "b", "Z", "z", ".", "*", "?", "|", " ", "\\", "[", "]", "(", ")", "{", "}",
        "+", "^", "$", "#", "\x82", "\xff", "\xc0", "\n", "*", "?", "\xc3\xa9", "\xc3\x89",
        "\xe6\x97\xa5", "\xf0\x9f\x98\x80", "\xed\x95\x9c", "*"};
    std::vector<std::string> name_units = pattern_units;
    for (const char* more : {"B", "\r", "\t", "\xbf"}) name_units.push_back(more);
    std::mt19937 random(20261207);
    const auto pick = [&](const std::vector<std::string>& units) {
        return units[std::uniform_int_distribution<std::size_t>(0, units.size() - 1)(random)];
    };
    int several_stars = 0;
    int matched = 0;
    for (int round = 0; round < 6000; ++round) {
        std::string patterns;
        const std::size_t length = std::uniform_int_distribution<std::size_t>(0, 10)(random);
        std::vector<std::string> used;
        for (std::size_t i = 0; i < length; ++i) {
            used.push_back(pick(pattern_units));
            patterns += used.back();
        }
        const PatternSet set = compile_patterns(patterns);
        for (const Wildcard& wildcard : set.wildcards) {
            if (wildcard.segments.size() > 2) ++several_stars;
        }
        for (int n = 0; n < 40; ++n) {
            std::string name;
            // Names built from the pattern's own bytes match far more often than random ones.
            const std::size_t size = std::uniform_int_distribution<std::size_t>(0, 9)(random);
            for (std::size_t i = 0; i < size; ++i) {
                name += n % 2 && !used.empty() ? pick(used) : pick(name_units);
            }
            if (n == 39) name += '\0';
            bool expected = false;
            try {
                expected = boost::regex_match(name, set.expression);
            } catch (const std::runtime_error&) {
                continue;
            }
            matched += expected;
            ASSERT_EQ(match_file_name(set, name), expected)
                << "patterns \"" << patterns << "\" name \"" << name << "\"";
        }
    }
    EXPECT_GT(several_stars, 300);
    EXPECT_GT(matched, 2000);
}

// A name's characters are what "?" stands for, whatever their length in UTF-8.
TEST(MatchFileName, QuestionMarkIsOneCharacter) {
    EXPECT_TRUE(match_file_name(compile_patterns("?.txt"), "\xc3\xa9.txt"));      // é
    EXPECT_FALSE(match_file_name(compile_patterns("??.txt"), "\xc3\xa9.txt"));
    EXPECT_TRUE(match_file_name(compile_patterns("???.txt"), "\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e.txt"));
    EXPECT_TRUE(match_file_name(compile_patterns("*?"), "\xf0\x9f\x98\x80"));    // an emoji
    EXPECT_TRUE(match_file_name(compile_patterns("a?b*?"), "a\xed\x95\x9c" "b\xea\xb5\xad"));
    // Bytes that are no character count one by one, as before.
    EXPECT_TRUE(match_file_name(compile_patterns("??.txt"), "\xe9\xc9.txt"));
    EXPECT_TRUE(match_file_name(compile_patterns("?"), "\x82"));
    // Letters outside ASCII keep their case, as the expression has it.
    EXPECT_FALSE(match_file_name(compile_patterns("caf\xc3\xa9.txt"), "CAF\xc3\x89.TXT"));
    EXPECT_TRUE(match_file_name(compile_patterns("caf\xc3\xa9.txt"), "CAF\xc3\xa9.TXT"));
}

TEST(MatchFileName, EachPieceIsCutAtItsStars) {
    const PatternSet set = compile_patterns("*.TXT|a*b**c?");
    ASSERT_EQ(set.wildcards.size(), 2u);
    EXPECT_EQ(set.wildcards[0].segments, (std::vector<std::string>{"", ".txt"}));
    EXPECT_EQ(set.wildcards[1].segments, (std::vector<std::string>{"a", "b", "", "c?"}));
    EXPECT_EQ(compile_patterns("").wildcards.size(), 1u);
    EXPECT_TRUE(match_file_name(set, "AxBycZ"));
    EXPECT_FALSE(match_file_name(set, "AxBycZZ"));
}

struct NameRow {
    const char* label;
    const char* name;
    const char* pattern;
    const char* output;
};

TEST(DeriveOutputName, PrefixAndSuffixAroundTheLastDot) {
    const NameRow rows[] = {
        {"default pattern reproduces", "a.txt", "${prefix}.${suffix}", "a.txt"},
        {"no dot gives trailing dot", "README", "${prefix}.${suffix}", "README."},
        {"last dot splits", "report.final.txt", "[${prefix}][${suffix}]", "[report.final][txt]"},
        {"leading dot", ".profile", "[${prefix}][${suffix}]", "[][profile]"},
        {"trailing dot", "a.", "[${prefix}][${suffix}]", "[a][]"},
        {"no placeholders", "a.txt", "same.out", "same.out"},
        {"other case is no placeholder", "a.txt", "${Prefix}.md", "${Prefix}.md"},
        {"every occurrence", "a.b", "${prefix}${prefix}${suffix}", "aab"},
        {"suffix text never rescanned", "x.${prefix}", "${suffix}", "${prefix}"},
        {"prefix text never rescanned", "${suffix}.z", "${prefix}", "${suffix}"},
        {"blank kept", "a.txt", "out. ", "out. "},
        {"placeholder in a name is no placeholder", "a.${prefix}", "${prefix}.${suffix}",
         "a.${prefix}"},
        {"two names, two outputs", "a.a", "${prefix}.${suffix}", "a.a"},
        {"a token cut short, then a whole one", "a.b", "${pre${prefix}$", "${prea$"},
        {"a token at the very end", "a.b", "x${suffix}", "xb"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        EXPECT_EQ(derive_output_name(row.name, row.pattern), row.output);
    }
}

class PatternChecks : public ::testing::Test {
protected:
    TempDir dir;
    RunSettings settings;
    void SetUp() override {
        settings.input_directory = dir.path();
        settings.input_patterns = "*.txt";
        settings.output_directory = dir.path();
        settings.output_pattern = "${prefix}.${suffix}";
    }
};

TEST_F(PatternChecks, InputPassesAndCompiles) {
    PatternSet patterns;
    ASSERT_EQ(check_input(settings, patterns), std::nullopt);
    EXPECT_TRUE(match_file_name(patterns, "a.txt"));
}

TEST_F(PatternChecks, MissingInputDirectoryNamesIt) {
    const std::string cases[] = {"", dir.file("missing")};
    for (const auto& directory : cases) {
        SCOPED_TRACE(directory);
        settings.input_directory = directory;
        PatternSet patterns;
        const CheckResult notice = check_input(settings, patterns);
        ASSERT_TRUE(notice);
        EXPECT_EQ(without_time_stamp(*notice),
                  notice_text("Input", "Input Directory",
                              "\"" + directory + "\" is not a valid directory."));
    }
}

TEST_F(PatternChecks, OutputPatternRulesInOrder) {
    const struct {
        const char* pattern;
        const char* message;  // nullptr: passes
    } rows[] = {
        {"${prefix}.${suffix}", nullptr},
        {"out. ", nullptr},
        {"a\\b", "File Pattern can't be \\ / : * ? \" < > |"},
        {"a/b", "File Pattern can't be \\ / : * ? \" < > |"},
        {"a:b", "File Pattern can't be \\ / : * ? \" < > |"},
        {"*", "File Pattern can't be \\ / : * ? \" < > |"},
        {"?", "File Pattern can't be \\ / : * ? \" < > |"},
        {"\"", "File Pattern can't be \\ / : * ? \" < > |"},
        {"<", "File Pattern can't be \\ / : * ? \" < > |"},
        {">", "File Pattern can't be \\ / : * ? \" < > |"},
        {"a|b.", "File Pattern can't be \\ / : * ? \" < > |"},
        {"out.", "File Pattern can't ends with ."},
        {" .", "File Pattern can't ends with ."},
        {"", "File Pattern can't be blank"},
        {" \t\r\n\v\f", "File Pattern can't be blank"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.pattern);
        settings.output_pattern = row.pattern;
        const CheckResult notice = check_output(settings);
        EXPECT_EQ(notice.has_value(), row.message != nullptr);
        if (row.message && notice) {
            EXPECT_EQ(without_time_stamp(*notice),
                      notice_text("Output", "File Patterns", row.message));
        }
    }
}

TEST_F(PatternChecks, OutputDirectoryIsCheckedFirst) {
    settings.output_directory = "";
    settings.output_pattern = "";
    const CheckResult notice = check_output(settings);
    ASSERT_TRUE(notice);
    EXPECT_EQ(without_time_stamp(*notice),
              notice_text("Output", "Output Directory", "\"\" is not a valid directory."));
}

TEST_F(PatternChecks, LongDirectoryKeepsTheWholeMessage) {
    const std::string directory = dir.file(std::string(240, 'd'));
    settings.output_directory = directory;
    const CheckResult notice = check_output(settings);
    ASSERT_TRUE(notice);
    EXPECT_EQ(without_time_stamp(*notice),
              notice_text("Output", "Output Directory",
                          "\"" + directory + "\" is not a valid directory."));
}

}  // namespace

TEST_F(PatternChecks, UnknownPlaceholdersAreNamedAndStopNothing) {
    const struct {
        const char* pattern;
        const char* message;  // nullptr: no notice
    } rows[] = {
        {"${prefix}.${suffix}", nullptr},
        {"${prefix}-${prefix}.md5", nullptr},
        {"{prefix}.$suffix", nullptr},  // no "${...}" at all
        {"${prefix", nullptr},          // never closed: plain text
        {"${prefx}.${suffix}",
         "Unknown placeholder ${prefx} stays in the names as typed; the placeholders are "
         "${prefix} and ${suffix}."},
        {"${Prefix}.${suffix}",  // case counts
         "Unknown placeholder ${Prefix} stays in the names as typed; the placeholders are "
         "${prefix} and ${suffix}."},
        {"${${prefix}", nullptr},  // a stray "${" before a known one
        {"${ prefix}${sufix}.${ prefix}${}",
         "Unknown placeholders ${ prefix}, ${sufix}, ${} stay in the names as typed; the "
         "placeholders are ${prefix} and ${suffix}."},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.pattern);
        settings.output_pattern = row.pattern;
        EXPECT_EQ(check_output(settings), std::nullopt);  // the run is not stopped
        const CheckResult notice = check_placeholders(settings);
        EXPECT_EQ(notice.has_value(), row.message != nullptr);
        if (row.message && notice) {
            EXPECT_EQ(without_time_stamp(*notice),
                      notice_text("Output", "File Patterns", row.message));
        }
    }
    // The text stays as typed in the names.
    EXPECT_EQ(derive_output_name("a.txt", "${prefx}.${suffix}"), "${prefx}.txt");
}
