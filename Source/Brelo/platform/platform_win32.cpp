// The platform layer on Windows: the Win32 W calls, with brelo's UTF-8 text converted to UTF-16
// and back at every call.
#include "platform/platform.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <initializer_list>
#include <mutex>
#include <string>

#include <windows.h>
#include <shlwapi.h>

#include "Common/wide_text.h"

namespace {

// The 8-bit calls this layer once made took names of at most MAX_PATH characters and failed
// beyond. The W calls may go further (Wine's always do); the limit is kept so that a folder
// that deep stays one that cannot be read, on every system alike.
constexpr std::size_t path_capacity = MAX_PATH;

// The path in UTF-16 for a W call; false when it is longer than the 8-bit calls took (their
// buffers held MAX_PATH characters with the terminating NUL).
bool wide_path(const std::string& path, std::wstring& wide) {
    wide = utf8_to_wide(path);
    return wide.size() < path_capacity;
}

}  // namespace

// ---- Files and directories ----------------------------------------------------------------

bool is_directory(const std::string& path) {
    std::wstring wide;
    return wide_path(path, wide) && PathIsDirectoryW(wide.c_str()) != FALSE;
}

bool path_exists(const std::string& path) {
    std::wstring wide;
    return wide_path(path, wide) && PathFileExistsW(wide.c_str()) != FALSE;
}

bool make_directory(const std::string& path) {
    std::wstring wide;
    return wide_path(path, wide) && CreateDirectoryW(wide.c_str(), nullptr) != FALSE;
}

bool file_modified_time(const std::string& path, long long& time) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    std::wstring wide;
    if (!wide_path(path, wide)) return false;
    if (!GetFileAttributesExW(wide.c_str(), GetFileExInfoStandard, &data)) return false;
    time = static_cast<long long>((static_cast<unsigned long long>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                                  data.ftLastWriteTime.dwLowDateTime);
    return true;
}

FileKind file_kind(const std::string& path) {
    std::wstring wide;
    if (!wide_path(path, wide)) return FileKind::Missing;
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return FileKind::Missing;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return FileKind::Directory;
    HANDLE file = CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return FileKind::Unreadable;
    const DWORD type = GetFileType(file);
    CloseHandle(file);
    return type == FILE_TYPE_DISK ? FileKind::Readable : FileKind::Other;
}

bool list_directory(const std::string& dir, const std::function<bool(const DirEntry&)>& visit) {
    WIN32_FIND_DATAW data;
    std::wstring pattern;
    if (!wide_path(dir + "\\*", pattern)) return false;
    HANDLE search = FindFirstFileW(pattern.c_str(), &data);
    if (search == INVALID_HANDLE_VALUE) return false;
    do {
        DirEntry item;
        item.name = wide_to_utf8(data.cFileName);
        item.is_directory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (!visit(item)) break;
    } while (FindNextFileW(search, &data));
    FindClose(search);
    return true;
}

bool operator==(const FolderId& a, const FolderId& b) {
    return a.device == b.device && a.file == b.file;
}

bool operator<(const FolderId& a, const FolderId& b) {
    return a.device != b.device ? a.device < b.device : a.file < b.file;
}

bool folder_identity(const std::string& path, FolderId& id) {
    // Backup semantics let a directory be opened; no access is asked for, only its attributes.
    std::wstring wide;
    if (!wide_path(path, wide)) return false;
    HANDLE folder = CreateFileW(wide.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (folder == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION info;
    const bool known = GetFileInformationByHandle(folder, &info) != FALSE;
    CloseHandle(folder);
    if (!known) return false;
    id.device = info.dwVolumeSerialNumber;
    id.file = (static_cast<unsigned long long>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    return true;
}

namespace {

// The current directory joined with the path, unresolved: what is left when a path cannot be
// resolved, as happened to the 8-bit calls once it passed their buffer size.
std::string joined_to_current_directory(const std::string& path) {
    DWORD size = GetCurrentDirectoryW(0, nullptr);
    std::wstring directory(size, L'\0');
    DWORD length = size ? GetCurrentDirectoryW(size, &directory[0]) : 0;
    directory.resize(length < size ? length : 0);
    std::string text = wide_to_utf8(directory);
    if (!text.empty() && text.back() != '\\') text += '\\';
    return text + path;
}

}  // namespace

bool is_absolute_path(const std::string& path) {
    const auto separator = [](char c) { return c == '\\' || c == '/'; };
    if (path.size() >= 2 && separator(path[0]) && separator(path[1])) return true;  // \\server
    return path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) &&
           path[1] == ':' && separator(path[2]);
}

std::string absolute_path(const std::string& path) {
    if (path.empty()) return path;
    std::wstring wide;
    if (!wide_path(path, wide)) return joined_to_current_directory(path);
    DWORD size = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (size == 0) return joined_to_current_directory(path);
    std::wstring full(size, L'\0');
    DWORD length = GetFullPathNameW(wide.c_str(), size, &full[0], nullptr);
    // A result the 8-bit call could not have returned is not given either.
    if (length == 0 || length >= size || length >= path_capacity)
        return joined_to_current_directory(path);
    full.resize(length);
    return wide_to_utf8(full);
}

bool file_state(const std::string& path, FileState& state) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    std::wstring wide;
    if (!wide_path(path, wide)) return false;
    if (!GetFileAttributesExW(wide.c_str(), GetFileExInfoStandard, &data)) return false;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return false;
    state.modified = static_cast<long long>(
        (static_cast<unsigned long long>(data.ftLastWriteTime.dwHighDateTime) << 32) |
        data.ftLastWriteTime.dwLowDateTime);
    state.size = static_cast<long long>(
        (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
    return true;
}

bool set_file_modified_time(const std::string& path, long long time) {
    std::wstring wide;
    if (time < 0 || !wide_path(path, wide)) return false;
    HANDLE file = CreateFileW(wide.c_str(), FILE_WRITE_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    FILETIME written;
    written.dwLowDateTime = static_cast<DWORD>(static_cast<unsigned long long>(time) & 0xFFFFFFFFu);
    written.dwHighDateTime = static_cast<DWORD>(static_cast<unsigned long long>(time) >> 32);
    const bool set = SetFileTime(file, nullptr, nullptr, &written) != FALSE;
    CloseHandle(file);
    return set;
}

std::string path_compare_key(const std::string& path) {
    std::wstring wide = utf8_to_wide(path);
    if (!wide.empty()) CharUpperBuffW(&wide[0], static_cast<DWORD>(wide.size()));
    for (wchar_t& c : wide) {
        if (c == L'/') c = L'\\';
    }
    return wide_to_utf8(wide);
}

bool paths_equal(const std::string& a, const std::string& b) {
    return path_compare_key(a) == path_compare_key(b);
}

// ---- Temporary files ----------------------------------------------------------------------

struct TemporaryFile {
    HANDLE handle = INVALID_HANDLE_VALUE;
    bool reading = false;  // the last call read; a write goes to the end again
};

std::string temporary_directory() {
    wchar_t buffer[MAX_PATH + 1];
    const DWORD length = GetTempPathW(MAX_PATH + 1, buffer);
    if (length == 0 || length > MAX_PATH) return ".";
    std::string dir = wide_to_utf8(buffer, length);
    while (dir.size() > 3 && (dir.back() == '\\' || dir.back() == '/')) dir.pop_back();
    return dir;
}

TemporaryFile* create_temporary_file(const std::string& directory) {
    std::wstring wide;
    if (!wide_path(directory, wide)) return nullptr;
    wchar_t name[MAX_PATH];
    // Makes the file under a name no other file has, then opens it to vanish with its handle.
    if (!GetTempFileNameW(wide.c_str(), L"brl", 0, name)) return nullptr;
    HANDLE handle = CreateFileW(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE,
                                nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        DeleteFileW(name);
        return nullptr;
    }
    return new TemporaryFile{handle};
}

std::size_t write_temporary_file(TemporaryFile& file, const char* data, std::size_t length) {
    if (file.reading) {
        if (SetFilePointer(file.handle, 0, nullptr, FILE_END) == INVALID_SET_FILE_POINTER &&
            GetLastError() != NO_ERROR)
            return 0;
        file.reading = false;
    }
    std::size_t written = 0;
    while (written < length) {
        const DWORD part = static_cast<DWORD>(std::min<std::size_t>(length - written, 1 << 20));
        DWORD count = 0;
        if (!WriteFile(file.handle, data + written, part, &count, nullptr) || count == 0) break;
        written += count;
    }
    return written;
}

std::size_t read_temporary_file(TemporaryFile& file, char* buffer, std::size_t capacity) {
    if (!file.reading) {
        if (SetFilePointer(file.handle, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER &&
            GetLastError() != NO_ERROR)
            return 0;
        file.reading = true;
    }
    DWORD count = 0;
    const DWORD part = static_cast<DWORD>(std::min<std::size_t>(capacity, 1 << 20));
    if (!ReadFile(file.handle, buffer, part, &count, nullptr)) return 0;
    return count;
}

void close_temporary_file(TemporaryFile* file) {
    if (!file) return;
    CloseHandle(file->handle);
    delete file;
}

// ---- Events -------------------------------------------------------------------------------

struct Event {
    HANDLE handle = nullptr;
};

Event* create_event(const std::string& name) {
    const std::wstring wide = utf8_to_wide(name);
    HANDLE handle = CreateEventW(nullptr, TRUE, FALSE, name.empty() ? nullptr : wide.c_str());
    if (!handle) return nullptr;
    return new Event{handle};
}

void set_event(Event& event) { SetEvent(event.handle); }

void reset_event(Event& event) { ResetEvent(event.handle); }

bool is_event_set(Event& event) { return WaitForSingleObject(event.handle, 0) == WAIT_OBJECT_0; }

int wait_for_events(Event& first, Event* second, int timeout_ms) {
    HANDLE handles[2] = {first.handle, second ? second->handle : nullptr};
    DWORD limit = timeout_ms < 0 ? INFINITE : static_cast<DWORD>(timeout_ms);
    DWORD result = WaitForMultipleObjects(second ? 2 : 1, handles, FALSE, limit);
    if (result == WAIT_OBJECT_0) return 0;
    if (second && result == WAIT_OBJECT_0 + 1) return 1;
    return -1;
}

void close_event(Event* event) {
    if (!event) return;
    CloseHandle(event->handle);
    delete event;
}

// ---- Threads ------------------------------------------------------------------------------

namespace {

DWORD WINAPI run_thread_body(LPVOID argument) {
    auto* body = static_cast<std::function<void()>*>(argument);
    (*body)();
    delete body;
    return 0;
}

}  // namespace

bool start_detached_thread(std::function<void()> body) {
    auto* heap_body = new std::function<void()>(std::move(body));
    HANDLE thread = CreateThread(nullptr, 0, run_thread_body, heap_body, 0, nullptr);
    if (!thread) {
        delete heap_body;
        return false;
    }
    CloseHandle(thread);
    return true;
}

// ---- Child processes ----------------------------------------------------------------------

struct ChildProcess {
    HANDLE output = nullptr;   // read end of the output pipe, opened for overlapped reads
    HANDLE process = nullptr;
    HANDLE thread = nullptr;
    HANDLE job = nullptr;      // null when the child could not be put into one
    HANDLE read_done = nullptr;  // the event of the overlapped read
    DWORD process_id = 0;        // also the id of its console process group
    bool ended = false;          // the child process itself has ended
    ULONGLONG ended_at = 0;      // when, in GetTickCount64's milliseconds
};

namespace {

void close_all(std::initializer_list<HANDLE*> handles) {
    for (HANDLE* handle : handles) {
        if (*handle) CloseHandle(*handle);
        *handle = nullptr;
    }
}

}  // namespace

namespace {

// The step the next start fails at, for tests; Started for none.
std::atomic<StartResult> next_start_failure{StartResult::Started};

// True once, for the step a test asked to fail.
bool start_fails_at(StartResult step) {
    StartResult expected = step;
    return next_start_failure.compare_exchange_strong(expected, StartResult::Started);
}

}  // namespace

void fail_next_start(StartResult step) { next_start_failure = step; }

namespace {

// A child takes every handle marked inheritable at the moment it is created, whichever thread
// made it. So the ends meant for one child are made uninheritable, marked only while that child
// is created, and one such creation runs at a time: a converter started beside another holds
// only its own ends, and never keeps the other's output open after the other has ended.
std::mutex inheritance_lock;

template <typename Create>
BOOL create_inheriting(std::initializer_list<HANDLE> handles, Create create) {
    std::lock_guard<std::mutex> lock(inheritance_lock);
    for (HANDLE handle : handles)
        SetHandleInformation(handle, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    const BOOL created = create();
    for (HANDLE handle : handles) SetHandleInformation(handle, HANDLE_FLAG_INHERIT, 0);
    return created;
}

// An anonymous pipe cannot be read with a time limit, so the output pipe is a named one of its
// own whose read end takes overlapped reads; the child's end is an ordinary blocking handle.
bool create_output_pipe(HANDLE& read_end, HANDLE& write_end) {
    static std::atomic<unsigned long> pipes_made{0};
    // A name this process has not used, and, with the clock in it, none an ended process of the
    // same id left open in a converter that outlived it; taken again should it be in use all
    // the same.
    read_end = INVALID_HANDLE_VALUE;
    std::wstring name;
    for (int attempt = 0; attempt < 8 && read_end == INVALID_HANDLE_VALUE; ++attempt) {
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        name = L"\\\\.\\pipe\\brelo-output-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
               std::to_wstring(++pipes_made) + L"-" +
               std::to_wstring(static_cast<unsigned long long>(now.QuadPart));
        read_end = CreateNamedPipeW(name.c_str(),
                                    PIPE_ACCESS_INBOUND | FILE_FLAG_OVERLAPPED |
                                        FILE_FLAG_FIRST_PIPE_INSTANCE,
                                    PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT, 1, 4096, 4096,
                                    0, nullptr);
    }
    if (read_end == INVALID_HANDLE_VALUE) {
        read_end = nullptr;
        return false;
    }
    write_end = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
    if (write_end == INVALID_HANDLE_VALUE) {
        write_end = nullptr;
        CloseHandle(read_end);
        read_end = nullptr;
        return false;
    }
    return true;
}

// A job whose processes end when its last handle closes: when the converter's entry is done,
// or when this process ends, however it ends.
HANDLE create_child_job() {
    HANDLE job = CreateJobObjectW(nullptr, nullptr);
    if (!job) return nullptr;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits);
    return job;
}

}  // namespace

StartResult start_child_process(const std::string& command_line, const std::string& work_dir,
                                ChildProcess*& child) {
    child = nullptr;
    // No end is inheritable as made; the child inherits only the two it uses (create_inheriting).
    // Had it inherited ours, the input would never report its end and the output's read end
    // would live on in whatever the child starts.
    HANDLE output_read = nullptr, output_write = nullptr;
    if (start_fails_at(StartResult::OutputPipeFailed) ||
        !create_output_pipe(output_read, output_write))
        return StartResult::OutputPipeFailed;
    HANDLE input_read = nullptr, input_write = nullptr;
    if (start_fails_at(StartResult::InputPipeFailed) ||
        !CreatePipe(&input_read, &input_write, nullptr, 0)) {
        close_all({&output_read, &output_write});
        return StartResult::InputPipeFailed;
    }

    STARTUPINFOW startup;
    GetStartupInfoW(&startup);
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    startup.hStdInput = input_read;
    startup.hStdOutput = output_write;
    startup.hStdError = output_write;

    // The child starts suspended so that it is inside its job before it can start anything.
    HANDLE job = create_child_job();
    PROCESS_INFORMATION info = {};
    // The engine builds the command line in UTF-8; it is converted whole, quotes and all.
    // CreateProcessW may write into it, so it must be a buffer of our own.
    std::wstring line = utf8_to_wide(command_line);
    const std::wstring directory = utf8_to_wide(work_dir);
    // A process group of its own keeps Ctrl+C in a console runner's window from reaching the
    // converter (Ctrl+C means Stop, which lets the running converter finish), and lets
    // ask_child_process_tree_to_end send Ctrl+Break to the converter alone.
    if (start_fails_at(StartResult::ProcessFailed) ||
        !create_inheriting({input_read, output_write}, [&] {
            return CreateProcessW(nullptr, &line[0], nullptr, nullptr, TRUE,
                                  NORMAL_PRIORITY_CLASS | CREATE_SUSPENDED |
                                      CREATE_NEW_PROCESS_GROUP,
                                  nullptr, directory.c_str(), &startup, &info);
        })) {
        close_all({&output_read, &output_write, &input_read, &input_write, &job});
        return StartResult::ProcessFailed;
    }
    if (job && !AssignProcessToJobObject(job, info.hProcess)) close_all({&job});
    ResumeThread(info.hThread);

    // Our copy of the output's write end goes first: the read loop sees the end of the output
    // only when no process holds that end any more. Closing the input's write end at once lets
    // a converter that reads its standard input see its end instead of waiting for ever.
    close_all({&output_write, &input_read, &input_write});
    child = new ChildProcess;
    child->output = output_read;
    child->process = info.hProcess;
    child->thread = info.hThread;
    child->job = job;
    child->read_done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    child->process_id = info.dwProcessId;
    return StartResult::Started;
}

bool read_child_output(ChildProcess& child, char* buffer, std::size_t capacity,
                       std::size_t& count) {
    count = 0;
    if (!child.read_done) return false;
    OVERLAPPED overlapped = {};
    overlapped.hEvent = child.read_done;
    ResetEvent(child.read_done);
    DWORD got = 0;
    if (ReadFile(child.output, buffer, static_cast<DWORD>(capacity), &got, &overlapped)) {
        count = got;
        return true;
    }
    if (GetLastError() != ERROR_IO_PENDING) return false;  // the pipe's end, or a failure
    for (;;) {
        DWORD waited;
        if (!child.ended) {
            // The output comes first when both are there.
            const HANDLE handles[] = {child.read_done, child.process};
            waited = WaitForMultipleObjects(2, handles, FALSE, INFINITE);
            if (waited == WAIT_OBJECT_0 + 1) {
                child.ended = true;
                child.ended_at = GetTickCount64();
                continue;
            }
        } else {
            // Once the child has ended, what it left behind is waited for only so long.
            const ULONGLONG since_end = GetTickCount64() - child.ended_at;
            const ULONGLONG left =
                since_end < output_drain_total_ms ? output_drain_total_ms - since_end : 0;
            waited = WaitForSingleObject(
                child.read_done, static_cast<DWORD>(std::min<ULONGLONG>(left, output_drain_quiet_ms)));
            if (waited == WAIT_TIMEOUT) CancelIoEx(child.output, &overlapped);
        }
        // The read must be over before its buffer and OVERLAPPED go; a cancelled one may still
        // have brought something.
        if (!GetOverlappedResult(child.output, &overlapped, &got, TRUE)) return false;
        count = got;
        return waited != WAIT_TIMEOUT || got > 0;
    }
}

ChildExit wait_child_process(ChildProcess& child) {
    WaitForSingleObject(child.process, INFINITE);
    ChildExit exit;
    DWORD code = 0;
    if (GetExitCodeProcess(child.process, &code)) {
        exit.known = true;
        exit.code = code;
    }
    return exit;
}

void ask_child_process_tree_to_end(ChildProcess& child) {
    GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, child.process_id);
}

void end_child_process_tree(ChildProcess& child) {
    if (child.job) TerminateJobObject(child.job, 1);
    else TerminateProcess(child.process, 1);
}

void close_child_process(ChildProcess* child) {
    if (!child) return;
    // Closing the job ends whatever the converter left running in it.
    close_all({&child->output, &child->process, &child->thread, &child->job, &child->read_done});
    delete child;
}

void end_all_child_process_trees() {}

namespace {

// A console without a window: one made for a console program started with CREATE_NO_WINDOW,
// which this process joins before that program ends. The program is the system's command
// interpreter, which waits reading commands from a pipe until the pipe is closed.
bool join_windowless_console() {
    wchar_t system_dir[MAX_PATH];
    const UINT length = GetSystemDirectoryW(system_dir, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return false;
    const std::wstring program = std::wstring(system_dir) + L"\\cmd.exe";
    HANDLE input_read = nullptr, input_write = nullptr;
    if (!CreatePipe(&input_read, &input_write, nullptr, 0)) return false;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    startup.hStdInput = input_read;
    std::wstring line = L"cmd.exe /d /q /k";
    PROCESS_INFORMATION info = {};
    const BOOL started = create_inheriting({input_read}, [&] {
        return CreateProcessW(program.c_str(), &line[0], nullptr, nullptr, TRUE,
                              CREATE_NO_WINDOW | CREATE_NEW_PROCESS_GROUP, nullptr, system_dir,
                              &startup, &info);
    });
    CloseHandle(input_read);
    if (!started) {
        CloseHandle(input_write);
        return false;
    }
    // Its console exists once it has started up; it waits for its input until then and after.
    bool joined = false;
    for (int tries = 0; tries < 500 && !joined; ++tries) {
        joined = AttachConsole(info.dwProcessId) != FALSE;
        if (!joined && WaitForSingleObject(info.hProcess, 10) == WAIT_OBJECT_0) break;
    }
    CloseHandle(input_write);  // the end of its input: it ends, the console stays with us
    WaitForSingleObject(info.hProcess, 5000);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return joined;
}

}  // namespace

bool share_hidden_console() {
    if (GetConsoleWindow() || GetConsoleCP() != 0) return true;  // it has one already
    // A GUI program started by a console program may hold on to a console it cannot use (Wine
    // passes one on), which would make it refuse another.
    FreeConsole();
    if (join_windowless_console()) return true;
    // Else a console of its own, hidden as soon as it is there.
    if (!AllocConsole()) return false;
    if (HWND window = GetConsoleWindow()) ShowWindow(window, SW_HIDE);
    return true;
}

// ---- Text ---------------------------------------------------------------------------------

std::string ansi_to_utf8(const std::string& text) {
    return code_page_to_utf8(CP_ACP, text);
}

unsigned console_code_page() {
    // A UTF-8 console has nothing to offer for text that is not UTF-8.
    const UINT console = GetConsoleOutputCP();
    return console != 0 && console != CP_UTF8 ? console : GetOEMCP();
}

bool is_lead_byte(unsigned code_page, unsigned char byte) {
    return code_page != 0 && IsDBCSLeadByteEx(code_page, byte) != FALSE;
}

std::string code_page_to_utf8(unsigned code_page, const std::string& bytes) {
    if (bytes.empty()) return bytes;
    const int length = static_cast<int>(bytes.size());
    const int wide_length = MultiByteToWideChar(code_page, 0, bytes.data(), length, nullptr, 0);
    // A code page the system cannot read must not make the text vanish: the ANSI one can.
    if (wide_length <= 0) return code_page == CP_ACP ? std::string() : ansi_to_utf8(bytes);
    std::wstring wide(static_cast<std::size_t>(wide_length), L'\0');
    MultiByteToWideChar(code_page, 0, bytes.data(), length, &wide[0], wide_length);
    return wide_to_utf8(wide);
}
