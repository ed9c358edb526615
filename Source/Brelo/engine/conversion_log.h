// The conversion log: the text of one run, the time-stamped notices of the checks, and the two
// ways of putting either into the log box.
#pragma once

#include <string>

struct LogBox;

// The text of one run, appended to entry by entry and shown whole after each step.
using ConversionLog = std::string;

// A local date and time, as the time stamps show it.
struct LocalTime {
    int year = 1970;
    int month = 1;   // 1-12
    int day = 1;     // 1-31
    int hour = 0;    // 0-23
    int minute = 0;
    int second = 0;
};

// The system's calendar time now, converted to the local time zone by the runtime.
LocalTime current_local_time();

// "%4d/%02d/%02d  %02d:%02d:%02d".
std::string format_time_stamp(const LocalTime& when);

// "[section - key]:\r\n\r\n\tmessage\r\n\r\n" followed by the time stamp. The entry holds at
// most 511 bytes; a longer one loses the end of its message, never its frame or time stamp.
std::string format_notice(const std::string& section, const std::string& key,
                          const std::string& message, const LocalTime& when);

// "[section - title]:\r\n\r\n". The entry holds at most 99 bytes, so with the section
// "Converter" a title keeps its first 80 characters; the frame and line ends always stay.
std::string format_run_header(const std::string& section, const std::string& title);

// Replaces the box's whole text and scrolls its end into view. An empty text clears the box.
void show_log(LogBox& box, const std::string& text);

// Replaces the box's whole text with a notice stamped with the local time now. No scrolling.
void show_notice(LogBox& box, const std::string& section, const std::string& key,
                 const std::string& message);

void append_run_header(ConversionLog& log, const std::string& section, const std::string& title);

// Appends the local time now as a time stamp, with no line end after it.
void append_time_stamp(ConversionLog& log);
