// The settings file as bytes on disk, and the running program's own directory. What the bytes
// mean (sections, keys, encodings) is read and written by the portable ProfileDocument; this
// layer only reads a whole file and replaces one in a single step.
#pragma once

#include <cstddef>
#include <string>

// The directory that holds the running executable, as a full path ending in the platform's
// separator (D:\Tools\Brelo\ on Windows). Empty when the path cannot be found or does not fit
// a 260-byte buffer; a cut path would name some other directory.
std::string executable_directory();

enum class FileRead { Read, Missing, Failed };

// Reads the whole file at path into bytes. Missing when there is no such file or its folder is
// missing (bytes is then empty); Failed when the path names a directory or something else that
// is not a regular file, or the file cannot be opened or read.
FileRead read_profile_file(const std::string& path, std::string& bytes);

// Why a file could not be written, in the terms a user can act on.
enum class WriteProblem {
    None,
    DiskFull,       // no room left on the disk (or in the user's quota)
    AccessDenied,   // the user may not create or replace files there
    ReadOnly,       // the file itself is marked read-only
    NotAFile,       // the name belongs to a folder or a device
    FolderMissing,  // the folder that should hold the file does not exist
    Other,          // anything else: system_message tells
};

struct WriteFailure {
    WriteProblem problem = WriteProblem::None;
    // The system's own description of the error, without a final full stop; may be empty.
    std::string system_message;
};

// Replaces the file at path by bytes, creating it when it is missing. The bytes go to a fresh
// temporary file beside it, which is flushed to the disk and then takes the file's name in one
// step, so a reader (or the next start after a power cut) finds either the old or the new content
// and never a part. An existing file keeps its permission bits (on Windows its hidden, system and
// archive attributes), and on POSIX a symbolic link is followed and kept. A read-only file is
// refused, as the system's own profile writer refuses it, even where the user could change it.
// False when the file could not be replaced; it then keeps what it had, no temporary file is left
// behind, and failure, when given, says why.
bool replace_profile_file(const std::string& path, const std::string& bytes,
                          WriteFailure* failure = nullptr);

// How often this process has called read_profile_file and replace_profile_file. Tests use the
// counts to see that loading or saving the settings touches the file once.
struct ProfileFileCounts {
    std::size_t reads = 0;
    std::size_t writes = 0;
};
ProfileFileCounts profile_file_counts();
