// Option parsing and the file handling around detect_code and the conversion routines.
#include "convert_file.h"

#include <cstdio>

#include "file_system.h"
#include "output_file.h"
#include "text_stream.h"

namespace {

char to_lower_ascii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool equals_ignoring_case(const std::string& text, const char* lower) {
    std::size_t i = 0;
    for (; i < text.size() && lower[i]; ++i) {
        if (to_lower_ascii(text[i]) != lower[i]) return false;
    }
    return i == text.size() && !lower[i];
}

}  // namespace

bool parse_option(const std::string& option, ConversionRequest& request) {
    static const struct {
        const char* name;
        TextCode target;
        bool widen;
    } options[] = {
        {"-sjis", TextCode::Sjis, false},     {"-euc", TextCode::Euc, false},
        {"-newjis", TextCode::NewJis, false}, {"-oldjis", TextCode::OldJis, false},
        {"-necjis", TextCode::NecJis, false}, {"-fullsize", TextCode::None, true},
    };
    for (const auto& known : options) {
        if (equals_ignoring_case(option, known.name)) {
            request.target = known.target;
            request.widen = known.widen;
            return true;
        }
    }
    return false;
}

bool convert_file(const std::string& input_path, const std::string& output_path,
                  const ConversionRequest& request) {
    // Binary mode on both files: the line-end rules are applied by TextReader and TextWriter,
    // identically on every platform.
    std::FILE* input = open_file(input_path, "rb");
    if (!input) return false;
    // A directory opens for reading on POSIX; it is refused here, before the output exists.
    if (!is_regular_file(input)) {
        std::fclose(input);
        return false;
    }
    // Opening the input itself for writing would empty it before a byte is read: in place, the
    // file is replaced through a temporary file whatever name leads to it, /dev/stdout included.
    const bool in_place = names_open_file(input, output_path);
    OutputFile output;
    const bool opened = in_place ? output.open_in_place(output_path, "jpconv")
                                 : output.open(output_path, "jpconv");
    if (!opened) {
        std::fclose(input);
        return false;
    }

    bool ok;
    {
        TextReader reader(input);
        TextWriter writer(output.stream());
        TextCode detected = detect_code(reader);
        ok = !reader.failed() && reader.rewind();
        if (ok) {
            convert_text(reader, writer, detected, request.target, request.widen);
            ok = !reader.failed();
        }
        ok = writer.flush() && ok;
    }
    // Closed before the replacement: Windows cannot rename over a file that is still open.
    std::fclose(input);
    if (!ok) {
        output.discard();
        return false;
    }
    return output.commit();
}
