// The conversion log's texts: the run header, the time stamps and the time-stamped notices of
// the checks. A run hands its log on piece by piece (see RunEvents); nothing keeps it whole.
#pragma once

#include <string>

// The text of a log, or of a piece of one.
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

// format_notice stamped with the local time now: the whole text the log box shows for a check
// that failed.
std::string make_notice(const std::string& section, const std::string& key,
                        const std::string& message);

// The local time now as a time stamp.
std::string time_stamp_now();
