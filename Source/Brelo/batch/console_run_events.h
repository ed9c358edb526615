// The run as brelo-batch shows it: the log on standard output piece by piece, a notice on
// standard error.
#pragma once

#include <ostream>
#include <string>

#include "engine/batch_run.h"

// Writes a notice, as the log box would show it, to err on lines of its own; nothing when the
// text is empty.
void print_notice(std::ostream& err, const std::string& notice);

// Writes every piece of the run's log to out as the run reports it, and a notice, on its own
// lines, to err. It holds no text of its own: the log goes out as it grows, so a long run costs
// the same per file at its end as at its start. The streams must outlive it.
// When out stops taking text (its reader has gone: a pipe whose other end closed), the run is
// stopped as Ctrl+C stops it, through lost_output (which may be null).
class ConsoleRunEvents : public RunEvents {
public:
    ConsoleRunEvents(std::ostream& out, std::ostream& err, Event* lost_output = nullptr)
        : out_(out), err_(err), lost_output_(lost_output) {}

    // True once out failed to take the log.
    bool output_lost() const { return output_lost_; }

    void notice(const std::string& text) override;
    void header(const std::string& text) override;
    void file_started(const std::string& input_path, const std::string& output_path,
                      const std::string& text) override;
    void console_text(const std::string& text) override;
    void file_ended(const std::string& text) override;
    void note(const std::string& text) override;
    void finished(int total, const std::string& text) override;

private:
    // Flushes out and notes whether it still takes text.
    void flush_out();

    std::ostream& out_;
    std::ostream& err_;
    Event* lost_output_;
    bool output_lost_ = false;
};
