// Formats of the log entries, the local time they are stamped with, and showing them.
#include "engine/conversion_log.h"

#include <cstdio>
#include <ctime>

namespace {

// The buffers the entries are composed in, terminating NUL included.
constexpr std::size_t notice_capacity = 512;
constexpr std::size_t header_capacity = 100;
constexpr std::size_t stamp_capacity = 50;

// The text cut to what a buffer of capacity bytes holds.
std::string cut_to(std::string text, std::size_t capacity) {
    if (text.size() > capacity - 1) text.resize(capacity - 1);
    return text;
}

}  // namespace

LocalTime current_local_time() {
    std::time_t now = std::time(nullptr);
    std::tm parts{};
#ifdef _WIN32
    localtime_s(&parts, &now);
#else
    localtime_r(&now, &parts);
#endif
    LocalTime when;
    when.year = parts.tm_year + 1900;
    when.month = parts.tm_mon + 1;
    when.day = parts.tm_mday;
    when.hour = parts.tm_hour;
    when.minute = parts.tm_min;
    when.second = parts.tm_sec;
    return when;
}

std::string format_time_stamp(const LocalTime& when) {
    char buffer[stamp_capacity];
    std::snprintf(buffer, sizeof buffer, "%4d/%02d/%02d  %02d:%02d:%02d", when.year, when.month,
                  when.day, when.hour, when.minute, when.second);
    return buffer;
}

std::string format_notice(const std::string& section, const std::string& key,
                          const std::string& message, const LocalTime& when) {
    // The message is the part that gives way: a notice without its time stamp or line ends
    // would read as part of whatever follows it.
    std::string head = "[" + section + " - " + key + "]:\r\n\r\n\t";
    std::string tail = "\r\n\r\n" + format_time_stamp(when);
    std::size_t room = notice_capacity - 1;
    if (head.size() + tail.size() >= room) return cut_to(head + message + tail, notice_capacity);
    return head + cut_to(message, room - head.size() - tail.size() + 1) + tail;
}

std::string format_run_header(const std::string& section, const std::string& title) {
    // As with notices, a long title is cut rather than the line ends after it.
    std::string head = "[" + section + " - ";
    std::string tail = "]:\r\n\r\n";
    std::size_t room = header_capacity - 1;
    if (head.size() + tail.size() >= room) return cut_to(head + title + tail, header_capacity);
    return head + cut_to(title, room - head.size() - tail.size() + 1) + tail;
}

std::string make_notice(const std::string& section, const std::string& key,
                        const std::string& message) {
    return format_notice(section, key, message, current_local_time());
}

std::string time_stamp_now() { return format_time_stamp(current_local_time()); }
