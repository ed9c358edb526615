// Runs the INI reader and writer on any file and any list of entries. Beyond the sanitizers'
// checks: a UTF-8 file parses back to its own bytes and an older one to its UTF-8 conversion;
// a written document stays UTF-8; every value written reads back unchanged; keys that were not
// written keep their values; what the document says matches what a fresh reader of the written
// file finds.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <fuzzer/FuzzedDataProvider.h>

#include "platform/platform.h"
#include "settings/profile_document.h"
#include "settings/profile_values.h"
#include "settings/text_encoding.h"

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

bool is_blank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r' ||
           c == '\x1a';
}

// A name as the document compares it; used only to tell which probes an entry touches.
std::string compared_name(const std::string& name) {
    std::string text = name.substr(0, name.find('\0'));
    std::size_t begin = 0, end = text.size();
    while (begin < end && is_blank(text[begin])) ++begin;
    while (end > begin && is_blank(text[end - 1])) --end;
    text = text.substr(begin, end - begin);
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

using Name = std::pair<std::string, std::string>;  // compared section and key

// Section and key names worth looking up: every header and every key line of the text, and the
// entries' names.
void collect_probes(const std::string& text, std::vector<std::string>& sections,
                    std::vector<std::string>& keys) {
    constexpr std::size_t most = 24;
    sections.push_back("");
    std::size_t position = 0;
    while (position < text.size() && (sections.size() < most || keys.size() < most)) {
        std::size_t end = text.find_first_of("\r\n", position);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(position, end - position);
        position = end + 1;
        const std::size_t open = line.find('['), close = line.rfind(']');
        if (open != std::string::npos && close != std::string::npos && close > open) {
            if (sections.size() < most) sections.push_back(line.substr(open + 1, close - open - 1));
        } else if (keys.size() < most) {
            keys.push_back(line.substr(0, line.find('=')));
        }
    }
}

// A value the file can hold exactly: no NUL, no line break, and UTF-8.
bool is_clean(const std::string& value) {
    return value.find_first_of(std::string("\0\r\n", 3)) == std::string::npos &&
           is_valid_utf8(value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    FuzzedDataProvider input(bytes, size);
    std::vector<ProfileEntry> entries(input.ConsumeIntegralInRange<std::size_t>(0, 6));
    for (ProfileEntry& entry : entries) {
        entry.section = input.ConsumeRandomLengthString(16);
        entry.key = input.ConsumeRandomLengthString(16);
        entry.value = input.ConsumeRandomLengthString(48);
    }
    const std::string file = input.ConsumeRemainingBytesAsString();

    ProfileDocument document = ProfileDocument::parse(file);
    const std::string text = document.text();
    if (document.encoding() == ProfileEncoding::Utf8) {
        check(text == file);
        check(!document.changed());
    } else if (document.encoding() == ProfileEncoding::Ansi) {
        const bool marked = file.compare(0, 3, "\xEF\xBB\xBF") == 0;
        check(text == (marked ? file.substr(0, 3) + ansi_to_utf8(file.substr(3))
                              : ansi_to_utf8(file)));
    }
    check(is_valid_utf8(text));
    check(ProfileDocument::parse(text).encoding() == ProfileEncoding::Utf8);

    std::vector<std::string> sections, keys;
    collect_probes(text, sections, keys);
    for (const ProfileEntry& entry : entries) {
        sections.push_back(entry.section);
        keys.push_back(entry.key);
    }
    std::map<Name, std::optional<std::string>> before;
    for (const std::string& section : sections)
        for (const std::string& key : keys)
            before[{compared_name(section), compared_name(key)}] = document.find(section, key);

    // What each name last received, when it was a value the file holds exactly.
    std::map<Name, std::optional<std::string>> written;
    for (const ProfileEntry& entry : entries) {
        // Names outside UTF-8 are converted, which would hide which probes they touch.
        if (!is_valid_utf8(entry.section) || !is_valid_utf8(entry.key)) continue;
        const bool clean = is_clean(entry.value);
        const std::string previous = document.text();
        const bool was_changed = document.changed();
        if (!document.set({entry.section, entry.key, clean ? stored_text(entry.value)
                                                           : entry.value})) {
            check(document.text() == previous);
            check(document.changed() == was_changed);
            continue;
        }
        written[{compared_name(entry.section), compared_name(entry.key)}] =
            clean ? std::optional<std::string>(entry.value) : std::nullopt;
    }

    const std::string saved = document.text();
    const ProfileDocument reread = ProfileDocument::parse(saved);
    check(reread.encoding() == ProfileEncoding::Utf8);
    check(reread.text() == saved);
    for (const std::string& section : sections) {
        for (const std::string& key : keys) {
            const Name name{compared_name(section), compared_name(key)};
            const std::optional<std::string> found = reread.find(section, key);
            check(found == document.find(section, key));
            const auto entry = written.find(name);
            if (entry == written.end())
                check(found == before[name]);
            else if (entry->second)
                check(found == entry->second);
        }
    }
    return 0;
}
