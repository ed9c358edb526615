// Private-profile files and the program's directory on POSIX systems.
//
// Where this departs from Windows: the executable's path comes from /proc/self/exe, and the
// file is read and written here, byte by byte, instead of by the system. The reader accepts
// what the Windows functions accept: lines end at CR, LF or CR LF; blanks and ^Z around names
// and values are ignored, inside a section's brackets too; a NUL ends a name or a value; names
// compare without regard to ASCII case; only the first section and the first key of a name
// count; keys above the first section belong to the section ""; a key line without '=' has no
// value; one pair of quotes around a value is dropped. The writer changes only the lines of the
// keys it sets, adds lines with CR LF, and replaces the whole file through a temporary file and
// a rename, so that no reader ever sees half a file. A read-only file is refused, as Windows
// refuses it, even where the user could write it.
#include "platform/profile.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::size_t value_capacity = 260;

bool is_blank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r' ||
           c == '\x1a';
}

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool same_name(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i])) return false;
    return true;
}

std::string trimmed(std::string_view text) {
    std::size_t begin = 0, end = text.size();
    while (begin < end && is_blank(text[begin])) ++begin;
    while (end > begin && is_blank(text[end - 1])) --end;
    return std::string(text.substr(begin, end - begin));
}

// One line of the file as the reader sees it. begin and end delimit the whole line in the
// file's text, its line end included; name and value point into the text.
struct ProfileLine {
    enum Kind { Blank, Section, Key } kind = Blank;
    std::size_t begin = 0;
    std::size_t end = 0;
    std::string_view name;  // section or key name, up to the first NUL
    bool has_value = false;
    std::string_view value;  // blanks dropped, up to the first NUL
};

std::string_view up_to_nul(std::string_view text) { return text.substr(0, text.find('\0')); }

ProfileLine parse_line(std::string_view text, std::size_t begin, std::size_t end) {
    ProfileLine line;
    line.begin = begin;
    line.end = end;
    std::string_view rest = text.substr(begin, end - begin);
    std::size_t first = 0, last = rest.size();
    while (first < last && is_blank(rest[first])) ++first;
    while (last > first && is_blank(rest[last - 1])) --last;
    rest = rest.substr(first, last - first);
    if (rest.empty()) return line;
    if (rest[0] == '[') {
        std::size_t close = rest.rfind(']');
        if (close != std::string_view::npos && close > 0) {
            std::string_view name = rest.substr(1, close - 1);
            while (!name.empty() && is_blank(name.front())) name.remove_prefix(1);
            while (!name.empty() && is_blank(name.back())) name.remove_suffix(1);
            line.kind = ProfileLine::Section;
            line.name = up_to_nul(name);
            return line;
        }
    }
    line.kind = ProfileLine::Key;
    std::size_t equals = rest.find('=');
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

// Where a key is, or would go, in the file's text.
struct KeyPlace {
    bool section_found = false;
    bool key_found = false;
    ProfileLine key_line;         // when key_found
    std::size_t section_end = 0;  // just after the last non-blank line of the section
};

KeyPlace find_key(std::string_view text, std::string_view section, std::string_view key) {
    KeyPlace place;
    // A UTF-8 byte order mark is not part of the first line.
    std::size_t position = text.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
    // Keys above the first section header belong to a section without a name.
    bool inside = section.empty();
    place.section_found = inside;
    while (position < text.size()) {
        std::size_t line_end = text.find_first_of("\r\n", position);
        if (line_end == std::string_view::npos)
            line_end = text.size();
        else
            line_end += text.compare(line_end, 2, "\r\n") == 0 ? 2 : 1;
        ProfileLine line = parse_line(text, position, line_end);
        position = line_end;
        if (line.kind == ProfileLine::Section) {
            if (inside) return place;  // the first section of that name ended without the key
            if (same_name(line.name, section)) {
                inside = true;
                place.section_found = true;
                place.section_end = line.end;
            }
        } else if (inside && line.kind == ProfileLine::Key) {
            place.section_end = line.end;
            if (same_name(line.name, key)) {
                place.key_found = true;
                place.key_line = line;
                return place;
            }
        }
    }
    return place;
}

// Enclosing quotes are dropped as the Windows reader drops them: one pair of equal quote
// characters around at least one other character.
std::string without_quotes(std::string_view value) {
    if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
        value = value.substr(1, value.size() - 2);
    return std::string(value);
}

std::string fitted(std::string text) {
    if (text.size() > value_capacity - 1) text.resize(value_capacity - 1);
    return text;
}

// The file's whole content. exists is false only when there is no file; other failures to read
// return false.
bool read_whole_file(const std::string& path, std::string& content, bool& exists) {
    content.clear();
    exists = false;
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno == ENOENT || errno == ENOTDIR;
    exists = true;
    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        return false;
    }
    char chunk[65536];
    for (;;) {
        ssize_t got = read(fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            close(fd);
            return false;
        }
        if (got == 0) break;
        content.append(chunk, static_cast<std::size_t>(got));
    }
    close(fd);
    return true;
}

bool write_all(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t put = write(fd, bytes.data() + done, bytes.size() - done);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return false;
        done += static_cast<std::size_t>(put);
    }
    return true;
}

// Replaces the file at path by content: the new text goes to a fresh file beside it, which then
// takes the old one's name in one step. An existing file keeps its permissions.
bool replace_file(const std::string& path, const std::string& content, const struct stat* old) {
    static unsigned counter = 0;
    std::string temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = path + ".tmp" + std::to_string(getpid()) + "-" + std::to_string(counter++);
        fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) return false;
    }
    if (fd < 0) return false;
    bool written = write_all(fd, content);
    if (written && old != nullptr) written = fchmod(fd, old->st_mode & 07777) == 0;
    if (close(fd) != 0) written = false;
    if (!written || rename(temporary.c_str(), path.c_str()) != 0) {
        unlink(temporary.c_str());
        return false;
    }
    return true;
}

// The file a write should change: a symbolic link is followed, so the link itself survives.
std::string write_target(const std::string& file) {
    struct stat info;
    if (lstat(file.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
        if (char* resolved = realpath(file.c_str(), nullptr)) {
            std::string target = resolved;
            std::free(resolved);
            return target;
        }
    }
    return file;
}

bool has_line_break(const std::string& text) {
    return text.find_first_of("\r\n") != std::string::npos;
}

// Sets one key in the file's text; changed tells whether the text is now different. False for
// names the file cannot hold.
bool set_value(std::string& content, const std::string& section, const std::string& key,
               const std::string& value, bool& changed) {
    std::string section_name = trimmed(up_to_nul(section));
    std::string key_name = trimmed(up_to_nul(key));
    if (section_name.empty() || key_name.empty() || has_line_break(section_name) ||
        has_line_break(key_name) || key_name.find('=') != std::string::npos ||
        key_name[0] == '[')
        return false;
    std::string stored(up_to_nul(value));
    stored = stored.substr(0, stored.find_first_of("\r\n"));
    std::size_t first = 0;
    while (first < stored.size() && is_blank(stored[first])) ++first;
    stored.erase(0, first);

    KeyPlace place = find_key(content, section_name, key_name);
    if (place.key_found) {
        const ProfileLine& line = place.key_line;
        if (line.has_value && line.value == stored) return true;
        std::size_t line_break = line.end;
        while (line_break > line.begin &&
               (content[line_break - 1] == '\n' || content[line_break - 1] == '\r'))
            --line_break;
        content.replace(line.begin, line_break - line.begin,
                        std::string(line.name) + "=" + stored);
    } else {
        std::string addition = key_name + "=" + stored + "\r\n";
        std::size_t at = place.section_found ? place.section_end : content.size();
        if (!place.section_found) addition = "[" + section_name + "]\r\n" + addition;
        if (at > 0 && content[at - 1] != '\n' && content[at - 1] != '\r')
            addition = "\r\n" + addition;
        content.insert(at, addition);
    }
    changed = true;
    return true;
}

}  // namespace

std::string executable_directory() {
    std::string path(4096, '\0');
    for (;;) {
        ssize_t length = readlink("/proc/self/exe", &path[0], path.size());
        if (length <= 0) return std::string();
        if (static_cast<std::size_t>(length) < path.size()) {
            path.resize(static_cast<std::size_t>(length));
            break;
        }
        path.resize(path.size() * 2);
    }
    std::size_t slash = path.rfind('/');
    if (slash == std::string::npos || slash + 1 >= value_capacity) return std::string();
    return path.substr(0, slash + 1);
}

std::string read_profile_string(const std::string& file, const std::string& section,
                                const std::string& key, const std::string& fallback) {
    std::string wanted_key = trimmed(up_to_nul(key));
    if (wanted_key.empty()) return std::string();
    std::string content;
    bool exists = false;
    if (!read_whole_file(file, content, exists) || !exists) return fitted(without_quotes(fallback));
    KeyPlace place = find_key(content, trimmed(up_to_nul(section)), wanted_key);
    if (!place.key_found || !place.key_line.has_value) return fitted(without_quotes(fallback));
    return fitted(without_quotes(place.key_line.value));
}

bool write_profile_string(const std::string& file, const std::string& section,
                          const std::string& key, const std::string& value) {
    return write_profile_strings(file, {ProfileEntry{section, key, value}});
}

bool write_profile_strings(const std::string& file, const std::vector<ProfileEntry>& entries) {
    std::string target = write_target(file);
    std::string content;
    bool exists = false;
    if (!read_whole_file(target, content, exists)) return false;
    struct stat old;
    if (exists) {
        // Windows refuses to write a read-only file; so do we, even where the user could.
        if (stat(target.c_str(), &old) != 0 || (old.st_mode & 0222) == 0) return false;
    }
    bool all_set = true;
    bool changed = false;
    for (const ProfileEntry& entry : entries)
        all_set &= set_value(content, entry.section, entry.key, entry.value, changed);
    if (!changed) return all_set;
    return replace_file(target, content, exists ? &old : nullptr) && all_set;
}
