// A private-profile (INI) file held in memory: read once, looked up and changed key by key,
// written once. The same reader and writer serve every platform, so one BRELO.ini means the
// same everywhere.
//
// The reading rules are those of the Windows profile functions, which older versions of brelo
// used: lines end at CR, LF or CR LF; blanks (and ^Z) around names and values are ignored,
// inside a section's brackets too; a NUL ends a name or a value; names compare without regard
// to ASCII case; only the first section and the first key of a name count; keys above the first
// section belong to the section ""; a key line without '=' has no value; one pair of quotes
// around a value is dropped. Writing changes only the lines of the keys it sets: a key keeps its
// place, a new key goes after the last key of its section, a new section at the end of the file,
// new lines end in CR LF, and comments, other keys and other sections stay byte for byte.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/profile.h"

struct ProfileEntry {
    std::string section;
    std::string key;
    std::string value;
};

enum class ProfileLoad { Loaded, Missing, Failed };

// What the bytes of the file were found to be.
enum class ProfileEncoding {
    Utf8,   // valid UTF-8, with or without a byte order mark: kept as it is
    Utf16,  // begins with a UTF-16 byte order mark: converted to UTF-8
    Ansi,   // anything else: an older file in the system's code page, converted to UTF-8
};

class ProfileDocument {
public:
    // An empty document, which is what a missing file holds.
    ProfileDocument();

    // The document in the bytes of a file. Every sequence of bytes is some document; the text
    // is UTF-8 from here on (see ProfileEncoding), and a document that had to be converted
    // counts as changed, so that save writes it back in UTF-8.
    static ProfileDocument parse(const std::string& bytes);

    // Replaces this document by the file at path, read once. Missing leaves an empty document
    // that save creates; Failed (a directory, an unreadable file) leaves an empty document that
    // save refuses to write, so a file we could not read is never overwritten.
    ProfileLoad load(const std::string& path);

    // The value of key in [section], blanks and one pair of enclosing quotes dropped; nothing
    // when the section or the key is missing or the key's line has no '='.
    std::optional<std::string> find(std::string_view section, std::string_view key) const;

    // Sets key in [section] to value (see the writing rules above). A value ends at its first
    // line break, which a line could not hold, and loses its leading blanks, which the reader
    // drops; a text that is not UTF-8 is taken to be in the system's code page and converted,
    // so the file stays UTF-8 as a whole. False, and nothing changes, for a name the file
    // cannot hold: empty once trimmed, holding a line break, or a key holding '=' or starting
    // with '['.
    bool set(const ProfileEntry& entry);
    // set for each entry in order. False when any of them was refused; the others are set.
    bool apply(const std::vector<ProfileEntry>& entries);

    // The whole file as save writes it, in UTF-8.
    std::string text() const;
    // True once the document differs from the bytes it was parsed from.
    bool changed() const { return changed_; }
    ProfileEncoding encoding() const { return encoding_; }

    // Writes text() to path in one step (replace_profile_file). A document that has not
    // changed is not written and true comes back. False when the document was loaded from a
    // file that could not be read, or the file could not be replaced; it then keeps what it
    // had, and failure, when given, says why the file could not be replaced (it stays
    // WriteProblem::None for a document that could not be read).
    bool save(const std::string& path, WriteFailure* failure = nullptr) const;

private:
    struct Line {
        std::string body;  // the line without its line end
        std::string end;   // "\r\n", "\n", "\r", or "" for a last line without one
    };
    struct Section {
        std::vector<Line> lines;  // the header first, except in the part above every header
        std::unordered_map<std::string, std::size_t> keys;  // lower-case name: its first line
        std::size_t keys_end = 0;  // just after the last key line, where a new key goes
    };

    void add_line(std::string body, std::string end);
    Section& add_section(const std::string& name);

    std::string byte_order_mark_;
    std::vector<Section> sections_;  // the part above the first header, then each section
    std::unordered_map<std::string, std::size_t> first_section_;  // lower-case name: index
    ProfileEncoding encoding_ = ProfileEncoding::Utf8;
    bool changed_ = false;
    bool unreadable_ = false;
};
