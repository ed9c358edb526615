// Option parsing and the file handling around detect_code and the conversion routines.
#include "convert_file.h"

#include <cstdio>
#include <cstdlib>

#include "file_checks.h"
#include "text_stream.h"

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <sys/stat.h>
#endif

namespace {

char to_lower_ascii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool equals_ignoring_case(const std::string& text, const char* lower) {
    std::size_t i = 0;
    for (; i < text.size() && lower[i]; ++i) {
        if (to_lower_ascii(text[i]) != lower[i]) return false;
    }
    return i == text.size() && !lower[i];
}

bool file_exists(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file) std::fclose(file);
    return file != nullptr;
}

// A name beside path that no file has yet, in the same folder so that the final rename stays on
// one volume.
std::string temporary_name_beside(const std::string& path) {
    std::string name;
    for (int i = 0; i < 1000; ++i) {
        name = path + ".jpconv" + std::to_string(i) + ".tmp";
        if (!file_exists(name)) break;
    }
    return name;
}

// The path of the file itself when path is a symbolic link, so that replacing it keeps the link.
std::string resolve_links(const std::string& path) {
#ifdef _WIN32
    return path;
#else
    char* resolved = realpath(path.c_str(), nullptr);
    if (!resolved) return path;
    std::string result(resolved);
    std::free(resolved);
    return result;
#endif
}

// Gives the file that will replace the input the input's permission bits.
void copy_permissions(std::FILE* from, std::FILE* to) {
#ifdef _WIN32
    (void)from;
    (void)to;
#else
    struct stat info;
    if (fstat(fileno(from), &info) == 0) fchmod(fileno(to), info.st_mode & 07777);
#endif
}

bool replace_file(const std::string& from, const std::string& to) {
#ifdef _WIN32
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
#else
    return std::rename(from.c_str(), to.c_str()) == 0;
#endif
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
    std::FILE* input = std::fopen(input_path.c_str(), "rb");
    if (!input) return false;
    // A directory opens for reading on POSIX; it is refused here, before the output exists.
    if (!is_regular_file(input)) {
        std::fclose(input);
        return false;
    }
    // Opening the input itself for writing would empty it before a byte is read.
    const bool in_place = names_open_file(input, output_path);
    const std::string final_path = in_place ? resolve_links(output_path) : output_path;
    const std::string write_path = in_place ? temporary_name_beside(final_path) : output_path;
    std::FILE* output = std::fopen(write_path.c_str(), "wb");
    if (!output) {
        std::fclose(input);
        return false;
    }
    if (in_place) copy_permissions(input, output);
    // A half-written file is removed after a failure, but never a device such as /dev/full.
    const bool removable = in_place || is_regular_file(output);

    bool ok;
    {
        TextReader reader(input);
        TextWriter writer(output);
        TextCode detected = detect_code(reader);
        ok = !reader.failed() && reader.rewind();
        if (ok) {
            convert_text(reader, writer, detected, request.target, request.widen);
            ok = !reader.failed();
        }
        ok = writer.flush() && ok;
    }
    std::fclose(input);
    if (std::fclose(output) != 0) ok = false;
    if (ok && in_place) ok = replace_file(write_path, final_path);
    if (!ok && removable) std::remove(write_path.c_str());
    return ok;
}
