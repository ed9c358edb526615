// brelo-batch's progress line: files done of files matching, percent, elapsed and the time
// left, kept up to date on one line of standard error while the log goes to standard output.
#pragma once

#include <chrono>
#include <ostream>
#include <string>

#include "engine/batch_run.h"

// "12 of 340 files  3%  0:05 elapsed  about 2:10 left"; the time left is left out until a file
// is done.
std::string progress_text(int done, int total, std::chrono::seconds elapsed);

// Passes every event on to the log's own events and, after each file, rewrites the progress
// line on err, at most ten times a second and always for the last file; the line is cleared
// when the run finishes, so only the log remains. When the log's stream shows on the same screen
// (`log_on_screen`, else null), the line is cleared before each piece of the log, so that the
// log's lines start where they should, and drawn again below it, after that stream is flushed,
// after every file. The streams and events must outlive it.
class ProgressEvents : public RunEvents {
public:
    ProgressEvents(RunEvents& log, std::ostream& err, int total,
                   std::ostream* log_on_screen = nullptr);

    void notice(const std::string& text) override {
        make_room();
        log_.notice(text);
    }
    void header(const std::string& text) override {
        make_room();
        log_.header(text);
    }
    void file_started(const std::string& input_path, const std::string& output_path,
                      const std::string& text) override {
        make_room();
        log_.file_started(input_path, output_path, text);
    }
    void console_text(const std::string& text) override {
        make_room();
        log_.console_text(text);
    }
    void file_ended(const std::string& text) override;
    void file_skipped(const std::string& input_path, const std::string& output_path,
                      const std::string& text) override;
    void note(const std::string& text) override {
        make_room();
        log_.note(text);
    }
    void finished(int total, const std::string& text) override;

private:
    // Clears the line when the log is about to be written on the same screen.
    void make_room() {
        if (log_on_screen_) show(std::string());
    }
    void advance();
    void show(const std::string& line);

    RunEvents& log_;
    std::ostream& err_;
    int total_;
    std::ostream* log_on_screen_;
    int done_ = 0;
    std::size_t shown_ = 0;  // the length of the line on the terminal now
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point last_ = start_ - std::chrono::hours(1);
};
