// Runs detect_code and every conversion routine on arbitrary bytes. Beyond the sanitizers'
// checks, each result must not depend on where the reader's buffer ends, and every LF written
// must follow a CR.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "text_code.h"
#include "text_stream.h"

namespace {

using Routine = std::function<void(TextReader&, TextWriter&)>;

std::string run(const Routine& routine, const char* data, std::size_t size, std::size_t chunk) {
    std::string output;
    {
        TextReader reader(data, size, chunk);
        TextWriter writer(output);
        routine(reader, writer);
    }
    return output;
}

void check(bool condition) {
    if (!condition) std::abort();
}

const TextCode jis_variants[] = {TextCode::NewJis, TextCode::OldJis, TextCode::NecJis};
const TextCode sources[] = {TextCode::Sjis, TextCode::Euc};

std::vector<Routine> all_routines() {
    std::vector<Routine> routines = {
        copy_text,
        jis_to_sjis,
        jis_to_euc,
    };
    for (TextCode variant : jis_variants) {
        routines.push_back([variant](TextReader& in, TextWriter& out) { jis_to_jis(in, out, variant); });
        for (TextCode source : sources) {
            routines.push_back([variant, source](TextReader& in, TextWriter& out) {
                sjis_to_jis(in, out, variant, source);
            });
            routines.push_back([variant, source](TextReader& in, TextWriter& out) {
                euc_to_jis(in, out, variant, source);
            });
        }
    }
    for (TextCode source : sources) {
        for (bool widen : {false, true}) {
            routines.push_back([source, widen](TextReader& in, TextWriter& out) {
                sjis_to_euc(in, out, source, widen);
            });
            routines.push_back([source, widen](TextReader& in, TextWriter& out) {
                sjis_to_sjis(in, out, source, widen);
            });
            routines.push_back([source, widen](TextReader& in, TextWriter& out) {
                euc_to_sjis(in, out, source, widen);
            });
            routines.push_back([source, widen](TextReader& in, TextWriter& out) {
                euc_to_euc(in, out, source, widen);
            });
        }
    }
    return routines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    static const std::vector<Routine> routines = all_routines();
    const char* data = reinterpret_cast<const char*>(bytes);
    // A short chunk from the input's own length, so that refills fall in different places.
    const std::size_t small_chunk = 1 + size % 5;

    TextReader whole(data, size);
    TextReader pieces(data, size, small_chunk);
    const TextCode detected = detect_code(whole);
    check(detect_code(pieces) == detected);
    check(whole.rewind());
    check(detect_code(whole) == detected);

    for (const auto& routine : routines) {
        std::string output = run(routine, data, size, TextReader::default_chunk);
        check(run(routine, data, size, small_chunk) == output);
        for (std::size_t i = 0; i < output.size(); ++i) {
            if (output[i] == '\n') check(i > 0 && output[i - 1] == '\r');
        }
    }
    for (TextCode target : {TextCode::None, TextCode::NewJis, TextCode::OldJis, TextCode::NecJis,
                            TextCode::Euc, TextCode::Sjis}) {
        run([&](TextReader& in, TextWriter& out) {
                convert_text(in, out, detected, target, target == TextCode::None);
            },
            data, size, TextReader::default_chunk);
    }
    return 0;
}
