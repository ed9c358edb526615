// brelo-batch's option parsing on arbitrary arguments (NUL bytes separate them): it never
// crashes, and what it accepts it accepts again when the accepted values are spelled out.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "batch/batch_options.h"

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

// The options as arguments that mean them, each value after its option.
std::vector<std::string> spelled(const BatchOptions& options) {
    std::vector<std::string> args;
    const auto add = [&](const char* option, const std::optional<std::string>& value) {
        if (value) args.insert(args.end(), {option, *value});
    };
    add("--ini", options.ini);
    add("--input", options.input);
    add("--patterns", options.patterns);
    if (options.subfolders) args.push_back(*options.subfolders ? "--subfolders" : "--no-subfolders");
    add("--output", options.output);
    add("--name", options.name);
    add("--converter", options.converter);
    if (options.preview) args.push_back("--preview");
    if (options.dry_run) args.push_back("--dry-run");
    return args;
}

bool same(const BatchOptions& a, const BatchOptions& b) {
    return a.ini == b.ini && a.input == b.input && a.patterns == b.patterns &&
           a.subfolders == b.subfolders && a.output == b.output && a.name == b.name &&
           a.converter == b.converter && a.preview == b.preview && a.dry_run == b.dry_run &&
           a.help == b.help;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> args(1);
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            args.emplace_back();
        } else {
            args.back() += static_cast<char>(data[i]);
        }
    }
    const ParsedOptions parsed = parse_options(args);
    if (!parsed.error.empty() || parsed.options.help || parsed.options.version) return 0;
    const ParsedOptions again = parse_options(spelled(parsed.options));
    check(again.error.empty());
    check(same(again.options, parsed.options));
    return 0;
}
