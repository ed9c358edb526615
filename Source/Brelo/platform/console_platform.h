// What brelo-batch needs of the operating system beyond the engine's platform layer: changing
// the current directory, binary standard streams that carry UTF-8, and Ctrl+C.
// console_platform_win32.cpp and console_platform_posix.cpp define the same functions; the build
// compiles one of them.
#pragma once

#include <string>

struct Event;

// The line end of the program's own texts (help, trees, dry run). The log itself keeps the
// "\r\n" the engine writes, on every platform.
#ifdef _WIN32
inline constexpr const char* line_end = "\r\n";
#else
inline constexpr const char* line_end = "\n";
#endif

// Makes dir the process's current directory. False when it cannot.
bool change_directory(const std::string& dir);

// True when standard error is a terminal (a console window on Windows), where a progress line
// that rewrites itself makes sense.
bool error_is_terminal();
// Whether standard output is a terminal (a console on Windows).
bool output_is_terminal();

// Standard output and standard error pass bytes unchanged (no "\n" to "\r\n" on Windows).
void use_binary_output();

// From now on std::cout and std::cerr take UTF-8 text. On Windows a stream that is a console
// shows it through the console's UTF-16 calls, whatever the console's code page; one that is a
// file or a pipe receives the UTF-8 bytes unchanged. A character cut between two writes waits
// for its end. Call after use_binary_output; the streams keep the change until the process ends.
// On POSIX nothing changes: the bytes reach the terminal as they are.
void use_utf8_output();

// From now on Ctrl+C (on Windows also Ctrl+Break, on POSIX also SIGTERM and SIGHUP) sets the
// event instead of ending the process. On POSIX a signal the process was started ignoring
// (nohup) stays ignored, a write to a closed pipe fails (EPIPE) instead of ending the process,
// and the other signals that end it end the converters' process groups first.
// The event must outlive the process's use of it. False when the handler cannot be installed.
bool stop_on_interrupt(Event& stop);

// What the handler installed by stop_on_interrupt does when the console's Ctrl+C reaches it,
// for tests that cannot press the keys.
void deliver_interrupt();
