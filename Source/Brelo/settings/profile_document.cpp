// A private-profile (INI) file held in memory: read once, looked up and changed key by key,
// written once.
#include "settings/profile_document.h"

#include <algorithm>

#include "platform/platform.h"
#include "platform/profile.h"
#include "settings/text_encoding.h"

namespace {

constexpr std::string_view utf8_mark = "\xEF\xBB\xBF";
constexpr std::string_view utf16_le_mark = "\xFF\xFE";
constexpr std::string_view utf16_be_mark = "\xFE\xFF";
constexpr const char* new_line_end = "\r\n";

bool is_blank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r' ||
           c == '\x1a';
}

std::string lower(std::string_view text) {
    std::string result(text);
    for (char& c : result)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return result;
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && is_blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && is_blank(text.back())) text.remove_suffix(1);
    return text;
}

std::string_view up_to_nul(std::string_view text) { return text.substr(0, text.find('\0')); }

// A name as the reader compares it.
std::string name_of(std::string_view text) { return std::string(trimmed(up_to_nul(text))); }

// One line as the reader sees it; name and value point into the line.
struct ParsedLine {
    enum Kind { Blank, Section, Key } kind = Blank;
    std::string_view name;  // section or key name, up to the first NUL
    bool has_value = false;
    std::string_view value;  // blanks dropped, up to the first NUL
};

ParsedLine parse_line(std::string_view body) {
    ParsedLine line;
    const std::string_view rest = trimmed(body);
    if (rest.empty()) return line;
    if (rest[0] == '[') {
        const std::size_t close = rest.rfind(']');
        if (close != std::string_view::npos && close > 0) {
            line.kind = ParsedLine::Section;
            line.name = up_to_nul(trimmed(rest.substr(1, close - 1)));
            return line;
        }
    }
    line.kind = ParsedLine::Key;
    const std::size_t equals = rest.find('=');
    if (equals == std::string_view::npos) {
        line.name = up_to_nul(rest);
        return line;
    }
    std::size_t name_end = equals;
    while (name_end > 0 && is_blank(rest[name_end - 1])) --name_end;
    std::size_t value_begin = equals + 1;
    while (value_begin < rest.size() && is_blank(rest[value_begin])) ++value_begin;
    line.name = up_to_nul(rest.substr(0, name_end));
    line.has_value = true;
    line.value = up_to_nul(rest.substr(value_begin));
    return line;
}

// Enclosing quotes are dropped as the Windows reader drops them: one pair of equal quote
// characters around at least one other character.
std::string without_quotes(std::string_view value) {
    if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
        value = value.substr(1, value.size() - 2);
    return std::string(value);
}

std::string as_utf8(const std::string& text) {
    return is_valid_utf8(text) ? text : ansi_to_utf8(text);
}

bool has_line_break(std::string_view text) {
    return text.find_first_of("\r\n") != std::string_view::npos;
}

// The text the document holds for the file's bytes, the byte order mark left out.
std::string decoded(std::string_view bytes, std::string& mark, ProfileEncoding& encoding) {
    encoding = ProfileEncoding::Utf8;
    std::string text;
    if (bytes.substr(0, 2) == utf16_le_mark || bytes.substr(0, 2) == utf16_be_mark) {
        encoding = ProfileEncoding::Utf16;
        text = utf16_to_utf8(bytes.substr(2), bytes[0] == utf16_be_mark[0]);
    } else {
        if (bytes.substr(0, 3) == utf8_mark) {
            mark = std::string(utf8_mark);
            bytes.remove_prefix(3);
        }
        if (is_valid_utf8(bytes)) return std::string(bytes);
        encoding = ProfileEncoding::Ansi;
        text = ansi_to_utf8(std::string(bytes));
    }
    // A mark the conversion produced is the mark of the UTF-8 file it is saved as, and must
    // read as such when the saved file is read again.
    if (mark.empty() && text.compare(0, utf8_mark.size(), utf8_mark) == 0) {
        mark = std::string(utf8_mark);
        text.erase(0, utf8_mark.size());
    }
    return text;
}

}  // namespace

ProfileDocument::ProfileDocument() {
    sections_.emplace_back();
    first_section_.emplace("", 0);
}

ProfileDocument ProfileDocument::parse(const std::string& bytes) {
    ProfileDocument document;
    const std::string text = decoded(bytes, document.byte_order_mark_, document.encoding_);
    document.changed_ = document.encoding_ != ProfileEncoding::Utf8;
    std::size_t position = 0;
    while (position < text.size()) {
        std::size_t body_end = text.find_first_of("\r\n", position);
        std::size_t line_end = body_end;
        if (body_end == std::string::npos)
            body_end = line_end = text.size();
        else
            line_end += text.compare(body_end, 2, "\r\n") == 0 ? 2 : 1;
        document.add_line(text.substr(position, body_end - position),
                          text.substr(body_end, line_end - body_end));
        position = line_end;
    }
    return document;
}

void ProfileDocument::add_line(std::string body, std::string end) {
    const ParsedLine parsed = parse_line(body);
    if (parsed.kind == ParsedLine::Section) {
        Section& section = add_section(lower(parsed.name));
        section.lines.push_back(Line{std::move(body), std::move(end)});
        section.keys_end = 1;
        return;
    }
    Section& section = sections_.back();
    if (parsed.kind == ParsedLine::Key) {
        section.keys.emplace(lower(parsed.name), section.lines.size());  // the first one counts
        section.keys_end = section.lines.size() + 1;
    }
    section.lines.push_back(Line{std::move(body), std::move(end)});
}

ProfileDocument::Section& ProfileDocument::add_section(const std::string& name) {
    first_section_.emplace(name, sections_.size());  // a later section of a name is never used
    sections_.emplace_back();
    return sections_.back();
}

ProfileLoad ProfileDocument::load(const std::string& path) {
    std::string bytes;
    const FileRead read = read_profile_file(path, bytes);
    if (read == FileRead::Read) {
        *this = parse(bytes);
        return ProfileLoad::Loaded;
    }
    *this = ProfileDocument();
    unreadable_ = read == FileRead::Failed;
    return read == FileRead::Missing ? ProfileLoad::Missing : ProfileLoad::Failed;
}

std::optional<std::string> ProfileDocument::find(std::string_view section,
                                                 std::string_view key) const {
    const auto found_section = first_section_.find(lower(trimmed(up_to_nul(section))));
    if (found_section == first_section_.end()) return std::nullopt;
    const std::string key_name = lower(trimmed(up_to_nul(key)));
    if (key_name.empty()) return std::nullopt;  // a line "=x" has no name to be found by
    const Section& lines = sections_[found_section->second];
    const auto found_key = lines.keys.find(key_name);
    if (found_key == lines.keys.end()) return std::nullopt;
    const ParsedLine line = parse_line(lines.lines[found_key->second].body);
    if (!line.has_value) return std::nullopt;
    return without_quotes(line.value);
}

bool ProfileDocument::set(const ProfileEntry& entry) {
    const std::string section_name = name_of(as_utf8(entry.section));
    const std::string key_name = name_of(as_utf8(entry.key));
    if (section_name.empty() || key_name.empty() || has_line_break(section_name) ||
        has_line_break(key_name) || key_name.find('=') != std::string::npos ||
        key_name[0] == '[')
        return false;
    const std::string value = as_utf8(entry.value);
    std::string stored(up_to_nul(value));
    stored.erase(std::min(stored.size(), stored.find_first_of("\r\n")));
    std::size_t first = 0;
    while (first < stored.size() && is_blank(stored[first])) ++first;
    stored.erase(0, first);

    const std::string key_lower = lower(key_name);
    const auto found_section = first_section_.find(lower(section_name));
    if (found_section == first_section_.end()) {
        // The file's last line gets a line end before the new header follows it.
        Line* last = nullptr;
        for (Section& section : sections_)
            if (!section.lines.empty()) last = &section.lines.back();
        if (last != nullptr && last->end.empty()) last->end = new_line_end;
        if (last == nullptr && !byte_order_mark_.empty()) add_line("", new_line_end);
        Section& section = add_section(lower(section_name));
        section.lines.push_back(Line{"[" + section_name + "]", new_line_end});
        section.lines.push_back(Line{key_name + "=" + stored, new_line_end});
        section.keys.emplace(key_lower, 1);
        section.keys_end = 2;
        changed_ = true;
        return true;
    }

    Section& section = sections_[found_section->second];
    const auto found_key = section.keys.find(key_lower);
    if (found_key != section.keys.end()) {
        Line& line = section.lines[found_key->second];
        const ParsedLine parsed = parse_line(line.body);
        if (parsed.has_value && parsed.value == stored) return true;
        line.body = std::string(parsed.name) + "=" + stored;
    } else {
        // Only blank lines follow the last key, so no key line moves.
        const std::size_t at = section.keys_end;
        if (at > 0 && section.lines[at - 1].end.empty()) section.lines[at - 1].end = new_line_end;
        section.lines.insert(section.lines.begin() + static_cast<std::ptrdiff_t>(at),
                             Line{key_name + "=" + stored, new_line_end});
        section.keys.emplace(key_lower, at);
        section.keys_end = at + 1;
    }
    changed_ = true;
    return true;
}

bool ProfileDocument::apply(const std::vector<ProfileEntry>& entries) {
    bool all_set = true;
    for (const ProfileEntry& entry : entries) all_set &= set(entry);
    return all_set;
}

std::string ProfileDocument::text() const {
    std::size_t size = byte_order_mark_.size();
    for (const Section& section : sections_)
        for (const Line& line : section.lines) size += line.body.size() + line.end.size();
    std::string text;
    text.reserve(size);
    text += byte_order_mark_;
    for (const Section& section : sections_)
        for (const Line& line : section.lines) text.append(line.body).append(line.end);
    return text;
}

bool ProfileDocument::save(const std::string& path, WriteFailure* failure) const {
    if (unreadable_) return false;
    if (!changed_) return true;
    return replace_profile_file(path, text(), failure);
}
