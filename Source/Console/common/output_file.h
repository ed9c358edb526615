// An output file that no reader sees half-written and that a failed run never leaves behind.
#pragma once

#include <cstdio>
#include <string>

// One output being written. When the output is, or will be, a regular file, the bytes go to a new
// temporary file in the same folder, created exclusively and named ".<tool>-<random>.tmp", which
// takes the output's name only once everything reached it: a reader sees the old file or the
// whole new one, and a failed or killed run leaves the old file as it was. The new file keeps the
// replaced file's permission bits (and, where allowed, its owner). Symbolic links are followed,
// so a link keeps pointing at the new file.
//
// Anything else under the name cannot be renamed over and is written directly, every write still
// checked: a device (/dev/null, /dev/full, NUL, CON), a FIFO, a descriptor link such as
// /dev/stdout, or a folder, which then fails to open.
class OutputFile {
public:
    OutputFile() = default;
    // Discards whatever was not committed.
    ~OutputFile() { discard(); }
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Opens the output named path for writing in binary mode; tool goes into the temporary file's
    // name. False, creating nothing, when the folder is missing or not writable, when an existing
    // output may not be written (a read-only file), or when a direct output cannot be opened.
    bool open(const std::string& path, const char* tool);
    // As open, for an output that names the input file itself: always through a temporary file,
    // found by following every link, and replacing the file even when it is read-only, as
    // converting a file in place always did.
    bool open_in_place(const std::string& path, const char* tool);

    // The open stream, owned by this object; null before a successful open and after commit or
    // discard.
    std::FILE* stream() const { return stream_; }
    // True when the output is written directly rather than through a temporary file.
    bool direct() const { return stream_ && temporary_.empty(); }

    // Flushes and closes the stream, then puts the temporary file in the output's place. False
    // when any write reported an error or the flush, the close or the rename failed; the
    // temporary file is removed then and the old output stays as it was (a direct output keeps
    // what reached it).
    bool commit();
    // Closes the stream and removes the temporary file; the old output stays as it was.
    void discard();

private:
    bool open_as(const std::string& path, const char* tool, bool in_place);

    std::FILE* stream_ = nullptr;
    std::string target_;     // where the finished output goes, links followed
    std::string temporary_;  // the file being written; empty when writing directly
};
