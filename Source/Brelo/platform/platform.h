// The operating system as the engine sees it: files and directories, events, threads and child
// processes. platform_win32.cpp and platform_posix.cpp implement the same functions; the build
// compiles exactly one of them. No Win32 or POSIX type appears here.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

// The separator the engine joins paths with and converter_location cuts at.
#ifdef _WIN32
constexpr char path_separator = '\\';
#else
constexpr char path_separator = '/';
#endif

// Converters are started by Windows: every program opens a name without the dots and blanks it
// ends with, and a batch file runs through cmd.exe, which reads its command line as syntax.
#ifdef _WIN32
constexpr bool windows_file_names = true;
#else
constexpr bool windows_file_names = false;
#endif

// ---- Files and directories ----------------------------------------------------------------

// True when the path names an existing directory.
bool is_directory(const std::string& path);
// When the file's content was last written, in the system's own units: only comparable with
// another such time. False when it cannot be read (no such file, no access).
bool file_modified_time(const std::string& path, long long& time);

// What a path names, as far as reading it as a file goes.
enum class FileKind { Missing, Directory, Other, Unreadable, Readable };
// Readable: a regular file this process can open for reading. Other: a device, pipe or socket,
// which a reader may wait on for ever. Unreadable: a regular file it may not open.
FileKind file_kind(const std::string& path);

// True when the path names an existing file or directory.
bool path_exists(const std::string& path);
// Creates one directory level with default security. False when it could not be made
// (it exists already, or its parent is missing).
bool make_directory(const std::string& path);

struct DirEntry {
    std::string name;           // the bare name, no directory part
    bool is_directory = false;  // the only attribute the engine looks at
};

// Calls visit for every entry of the directory, in the order the file system returns them,
// hidden and system entries included. "." and ".." are delivered too (on POSIX as well), so
// callers skip them by name. Stops early when visit returns false. False when the listing
// cannot start (no such directory, no access, path too long).
bool list_directory(const std::string& dir, const std::function<bool(const DirEntry&)>& visit);

// What tells one folder from every other on the machine, however it is reached (through links,
// junctions, other spellings): the device or volume and the file's number on it.
struct FolderId {
    unsigned long long device = 0;
    unsigned long long file = 0;
};
bool operator==(const FolderId& a, const FolderId& b);
bool operator<(const FolderId& a, const FolderId& b);

// The identity of the folder the path leads to, following links. False when it cannot be read.
bool folder_identity(const std::string& path, FolderId& id);

// True when the path names its place without the current directory: on POSIX it starts with
// "/"; on Windows with a drive and a separator ("C:\\") or two separators ("\\\\server").
bool is_absolute_path(const std::string& path);

// The path made absolute against the current directory, with "." and ".." parts and repeated
// separators resolved. An empty path stays empty.
std::string absolute_path(const std::string& path);

// ---- Folder locks -------------------------------------------------------------------------

// A lock on one folder, held by one run at a time on the machine, or by the shards of one run
// together (for one user: on Windows in the session's namespace, on POSIX under the user's id).
// It lives in the system alone, so it leaves nothing in any folder, and the system drops it when
// its process ends, however it ends.
struct FolderLock;

enum class LockResult { Locked, Busy, Failed };

// Who asks for a folder as one shard of a run: shard number of count, and a key that is the
// same for every shard of one run and differs, but for chance, between runs that would give one
// place of the walk to different files or outputs.
struct FolderShard {
    int number = 1;  // 1 to count
    int count = 1;
    unsigned long long run = 0;
};

// Takes the lock of the folder with this identity for a whole run. Locked: lock holds it until
// unlock_folder. Busy: another run or a shard of one holds it. Failed: the system offered no such
// lock; lock is null then, as with Busy. Not inherited by child processes. On Windows the lock
// belongs to the calling thread, so the same thread must release it.
LockResult lock_folder(const FolderId& id, FolderLock*& lock);
// Takes the lock of the folder for one shard: the other shards of the same run (the same count
// and run key) may hold it at the same time; a whole run, the same shard a second time, or a
// shard of another run make it Busy, and keep asking whole runs and other runs' shards out while
// it is held. Two shards of different runs that ask at the same instant may both be Busy.
// Otherwise as lock_folder.
LockResult lock_folder(const FolderId& id, const FolderShard& shard, FolderLock*& lock);
// Releases the lock; null is ignored.
void unlock_folder(FolderLock* lock);

// File times as file_modified_time gives them: how many units make one second.
#ifdef _WIN32
constexpr long long file_time_units_per_second = 10000000;  // 100-nanosecond steps
#else
constexpr long long file_time_units_per_second = 1000000000;  // nanoseconds
#endif

// What a file is as far as its writer goes: when it was last written and how long it is.
struct FileState {
    long long modified = 0;  // as file_modified_time gives it
    long long size = 0;
};
// False when the path names no file that can be looked at (missing, no access) or a directory.
bool file_state(const std::string& path, FileState& state);

// Sets the time the file's content was last written, in file_modified_time's units, leaving the
// content alone. False when it cannot (no such file, no write access, a time the system cannot
// hold).
bool set_file_modified_time(const std::string& path, long long time);

// The text by which two paths are the same file's name to the file system: on Windows with
// letters in one case, as the file system ignores case, and "/" as "\\"; on POSIX the path
// itself. Equal texts mean equal names; links and other spellings are not recognised.
std::string path_compare_key(const std::string& path);
// Whether two paths are one name to the file system: their keys are equal.
bool paths_equal(const std::string& a, const std::string& b);

// ---- Temporary files ----------------------------------------------------------------------

// The system's folder for temporary files: on Windows what GetTempPath names (TMP, TEMP, the
// user's own), on POSIX TMPDIR when it names a directory, else "/tmp". No trailing separator.
std::string temporary_directory();

// A file of this process's own for holding text for a while.
struct TemporaryFile;

// Creates a new, empty temporary file in the directory, open for writing and reading, that
// vanishes when it is closed and also when the process ends without closing it: on POSIX it
// has no name from the start, on Windows it is deleted when its handle closes. Child processes
// do not inherit it. Null when it cannot be made.
TemporaryFile* create_temporary_file(const std::string& directory);
// Appends the bytes at the end of what was written; returns how many were written, fewer than
// length when the disk refused the rest.
std::size_t write_temporary_file(TemporaryFile& file, const char* data, std::size_t length);
// Reads from the start again, up to capacity bytes per call, after the last byte read; returns
// how many were read, 0 at the end or on failure. The first read after a write starts at the
// file's beginning.
std::size_t read_temporary_file(TemporaryFile& file, char* buffer, std::size_t capacity);
// Closes the file, which removes it. Null is ignored.
void close_temporary_file(TemporaryFile* file);

// ---- Events -------------------------------------------------------------------------------

// A manual-reset event: it stays set until it is reset. Safe to use from several threads.
struct Event;

// Creates an event, not set. On Windows a non-empty name makes it a named kernel object that
// other processes can open; on POSIX the name is ignored and the event is private to the
// process. Null on failure.
Event* create_event(const std::string& name = std::string());
void set_event(Event& event);
void reset_event(Event& event);
// Polls without waiting: true when the event is set.
bool is_event_set(Event& event);
// Waits until first or second (which may be null) is set, or timeout_ms milliseconds have
// passed (a negative time-out waits without limit). Returns 0 when first is set, 1 when second
// is set, -1 on time-out. When both are set, first wins.
int wait_for_events(Event& first, Event* second, int timeout_ms);
// Releases the event; null is ignored.
void close_event(Event* event);

// ---- Threads ------------------------------------------------------------------------------

// Runs body on a new thread that nobody joins; the thread's handle is released at once.
// False when the thread could not be started (body is then not run).
bool start_detached_thread(std::function<void()> body);

// ---- Child processes ----------------------------------------------------------------------

// One started converter: its process, and our ends of its two pipes.
struct ChildProcess;

// Which step of a start failed.
enum class StartResult { Started, OutputPipeFailed, InputPipeFailed, ProcessFailed };

// Starts the command line as a hidden child process with the working directory passed as it is
// (an empty text or a path that is no directory fails the start). The program is the first word
// of the command line, found as Windows finds it: a path as given, a bare name first in the
// directory of the running program, then along the search path. The child's standard output
// and standard error share one pipe; its standard input is a pipe on which nothing is written
// and which reports its end at once. The child is placed in a group of its own (a job object on
// Windows, a process group on POSIX) so that end_child_process_tree reaches what it starts.
// On Started, child holds the new process and must be released with close_child_process; on
// any other result nothing is left open and child is null.
StartResult start_child_process(const std::string& command_line, const std::string& work_dir,
                                ChildProcess*& child);

// For tests: the next start_child_process of the process fails at the step this names, as if
// the system had refused it, and cleans up as such a failure does. Started clears it.
void fail_next_start(StartResult step);

// How long the output is still read once the converter itself has ended: a process it left
// behind may hold the pipe open for ever. Each read then waits at most output_drain_quiet for
// more, and none goes on past output_drain_total after the converter's end.
constexpr int output_drain_quiet_ms = 1000;
constexpr int output_drain_total_ms = 5000;

// Reads up to capacity bytes of the child's output into buffer, blocking until some arrive.
// count receives the number read. False once no process holds the pipe's write end any more
// (the child and everything that inherited its output have ended or closed it), or once the
// child process itself has ended and the output has been quiet for output_drain_quiet_ms (or
// output_drain_total_ms have passed since that end): what a process it left behind writes
// later is not read.
bool read_child_output(ChildProcess& child, char* buffer, std::size_t capacity,
                       std::size_t& count);

// How a child process ended.
struct ChildExit {
    bool known = false;       // false when the system could not say
    bool by_signal = false;   // POSIX only: ended by a signal, whose number is code
    unsigned long code = 0;   // the exit code; on Windows the whole 32-bit value
};

// Waits, without time limit, until the child process itself has ended, and says how it ended.
// The process stays known to the system until close_child_process, so end_child_process_tree
// never reaches a stranger.
ChildExit wait_child_process(ChildProcess& child);

// Asks the child and every process of its group to end, as a person would (SIGTERM to the
// group on POSIX; on Windows Ctrl+Break to the child's process group, which reaches it when it
// shares this process's console). It may ignore that; end_child_process_tree does not ask.
// May be called from another thread like end_child_process_tree.
void ask_child_process_tree_to_end(ChildProcess& child);

// Ends the child and every process of its group at once. May be called from another thread
// while read_child_output or wait_child_process blocks, but not after close_child_process.
// A process that left the group (on POSIX, one that started a session of its own) may still
// hold the output pipe: read_child_output then stops waiting for it and reports the end after
// taking what is already there.
void end_child_process_tree(ChildProcess& child);

// Ends whatever is left of the child's group (processes the converter started and left
// running), closes our end of the output pipe, our end of the input pipe and the process, in
// that order, and releases child. Null is ignored.
void close_child_process(ChildProcess* child);

// Ends every child process group that is still open, at once. Safe to call from a signal
// handler on POSIX (it only sends signals); a no-op on Windows, where a child's group is a job
// object that the system ends when this process ends, however it ends.
void end_all_child_process_trees();

// For a program without a console of its own (brelo's window): gives it one that no window
// ever shows, which the converters it starts then share, as brelo-batch's converters share its
// console. A start costs no console of its own then, and Ctrl+Break can reach a converter. True
// when the process has a console now (it may have had one before); on POSIX always true, there
// being no consoles.
bool share_hidden_console();

// ---- Text ---------------------------------------------------------------------------------

// The text, read as the system's ANSI code page, in UTF-8: what old settings files hold. On
// Windows that is the code page the system was set up with (CP_ACP); on POSIX, which has no
// such setting, it is Windows-1252, the code page of western Windows systems, in which every
// byte stands for one character. Bytes the code page leaves undefined become the control
// characters of the same number, as Windows maps them. ASCII comes back unchanged.
std::string ansi_to_utf8(const std::string& text);

// Code pages are numbered as Windows numbers them (932 for Shift_JIS, 437 for the first IBM PC's).

// The code page a converter's console text is in when it is not UTF-8, or 0 where the text is
// taken as it comes (POSIX, where bytes are bytes). On Windows that is the output code page of
// the console the converters share (brelo-batch's, when it has one), or else the OEM code page,
// the one every new console starts with: brelo's converters each get a new, hidden console.
// A console set to UTF-8 gives the OEM code page too, as UTF-8 is what failed.
unsigned console_code_page();

// True when the byte starts a two-byte character in the code page (Shift_JIS's 0x81 to 0x9F and
// 0xE0 to 0xFC, say); always false for code pages of one byte per character and for 0.
bool is_lead_byte(unsigned code_page, unsigned char byte);

// The bytes, read in the code page, in UTF-8; a byte the code page leaves undefined becomes what
// Windows makes of it. On POSIX, which has no code pages, the bytes come back unchanged.
std::string code_page_to_utf8(unsigned code_page, const std::string& bytes);
