// An output file that no reader sees half-written and that a failed run never leaves behind.
#pragma once

#include <cstdio>
#include <string>

// One output being written. When the output is, or will be, a regular file, the bytes go to a new
// temporary file in the same folder, which takes the output's name only once everything reached
// it: a reader sees the old file or the whole new one, and a failed or killed run leaves the old
// file as it was and no temporary file. The new file keeps the replaced file's permission bits
// (and, where allowed, its owner). Symbolic links are followed, so a link keeps pointing at the
// new file.
//
// On Linux the temporary file has no name (O_TMPFILE) until the commit links it in: a killed
// process leaves nothing, as the file goes with its last descriptor. Where the file system or
// the kernel has no such files, or /proc is missing, it is a named file ".<tool>-<random>.tmp",
// created exclusively, which a kill leaves behind. On Windows it is such a named file, marked
// for deletion as soon as it is created, so the system removes it however the process ends; the
// mark comes off just before the rename. Where the system refuses the mark, the file is
// removed by the program only.
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
    bool direct() const { return stream_ && temporary_.empty() && !unnamed_; }

    // Flushes and closes the stream, then puts the temporary file in the output's place. False
    // when any write reported an error or the flush, the close or the rename failed; the
    // temporary file is removed then and the old output stays as it was (a direct output keeps
    // what reached it).
    bool commit();
    // Closes the stream and removes the temporary file; the old output stays as it was.
    void discard();

private:
    bool open_as(const std::string& path, const char* tool, bool in_place);
    void forget();

    std::FILE* stream_ = nullptr;
    std::string target_;     // where the finished output goes, links followed
    std::string temporary_;  // the named file being written; empty when direct or unnamed
    const char* tool_ = "";  // names the temporary link an unnamed file may need at the commit
    bool unnamed_ = false;   // the file being written has no name yet
    bool removes_itself_ = false;  // the named file is marked to go when its handle closes
};
