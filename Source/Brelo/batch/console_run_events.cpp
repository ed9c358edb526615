// brelo-batch's view of a run: each piece of the log written out as it comes.
#include "batch/console_run_events.h"

#include "platform/console_platform.h"
#include "platform/platform.h"

void print_notice(std::ostream& err, const std::string& notice) {
    if (notice.empty()) return;
    err << notice << line_end;
    err.flush();
}

void ConsoleRunEvents::flush_out() {
    out_.flush();
    if (out_ || output_lost_) return;
    output_lost_ = true;
    if (lost_output_) set_event(*lost_output_);
}

void ConsoleRunEvents::notice(const std::string& text) { print_notice(err_, text); }

// The stream is flushed after the header, each file's entry, each note and the total: a reader
// following the output sees every file as soon as it is done, and a converter's console text,
// which comes in many small pieces, costs no write of its own.
void ConsoleRunEvents::header(const std::string& text) {
    out_ << text;
    flush_out();
}

void ConsoleRunEvents::file_started(const std::string&, const std::string&,
                                    const std::string& text) {
    out_ << text;
}

void ConsoleRunEvents::console_text(const std::string& text) { out_ << text; }

void ConsoleRunEvents::file_ended(const std::string& text) {
    out_ << text;
    flush_out();
}

void ConsoleRunEvents::note(const std::string& text) {
    out_ << text;
    flush_out();
}

void ConsoleRunEvents::finished(int, const std::string& text) {
    out_ << text;
    flush_out();
}
