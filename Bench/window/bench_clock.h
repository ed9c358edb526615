// The two clocks of the window benchmark's programs.
#pragma once

#include <windows.h>

// The wall clock in seconds since 1970: the clock of the output files' modification times, so
// a run's press and end line up with its files.
inline double wall_clock_seconds() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER ticks;
    ticks.LowPart = now.dwLowDateTime;
    ticks.HighPart = now.dwHighDateTime;
    constexpr unsigned long long ticks_to_1970 = 116444736000000000ULL;  // 100 ns ticks
    return static_cast<double>(ticks.QuadPart - ticks_to_1970) / 1e7;
}

// A steady clock in seconds, for lengths.
inline double counter_seconds() {
    LARGE_INTEGER count, frequency;
    QueryPerformanceCounter(&count);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(count.QuadPart) / static_cast<double>(frequency.QuadPart);
}
