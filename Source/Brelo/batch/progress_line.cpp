// The progress line on standard error.
#include "batch/progress_line.h"

#include <cstdio>

namespace {

std::string clock_text(long long seconds) {
    char text[32];
    if (seconds >= 3600) {
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", seconds / 3600, seconds / 60 % 60,
                      seconds % 60);
    } else {
        std::snprintf(text, sizeof text, "%lld:%02lld", seconds / 60, seconds % 60);
    }
    return text;
}

}  // namespace

std::string progress_text(int done, int total, std::chrono::seconds elapsed) {
    const int percent = total > 0 ? static_cast<int>(100LL * done / total) : 100;
    std::string text = std::to_string(done) + " of " + std::to_string(total) + " files  " +
                       std::to_string(percent) + "%  " + clock_text(elapsed.count()) +
                       " elapsed";
    if (done > 0 && done < total) {
        text += "  about " + clock_text(elapsed.count() * (total - done) / done) + " left";
    }
    return text;
}

ProgressEvents::ProgressEvents(RunEvents& log, std::ostream& err, int total,
                               std::ostream* log_on_screen)
    : log_(log), err_(err), total_(total), log_on_screen_(log_on_screen) {}

void ProgressEvents::file_ended(const std::string& text) {
    log_.file_ended(text);
    advance();
}

void ProgressEvents::file_skipped(const std::string& input_path, const std::string& output_path,
                                  const std::string& text) {
    log_.file_skipped(input_path, output_path, text);
    advance();
}

void ProgressEvents::finished(int total, const std::string& text) {
    show(std::string());
    log_.finished(total, text);
}

void ProgressEvents::advance() {
    ++done_;
    const auto now = std::chrono::steady_clock::now();
    // A line the log has cleared is drawn again at once, so it is always there between files.
    const bool cleared = log_on_screen_ && shown_ == 0;
    if (!cleared && now - last_ < std::chrono::milliseconds(100) && done_ < total_) return;
    last_ = now;
    if (log_on_screen_) log_on_screen_->flush();
    show(progress_text(done_, total_,
                       std::chrono::duration_cast<std::chrono::seconds>(now - start_)));
}

void ProgressEvents::show(const std::string& line) {
    if (line.empty() && shown_ == 0) return;
    // The old line is overwritten whole: a shorter one would leave the end of the longer.
    std::string out = "\r" + line;
    if (line.size() < shown_) out += std::string(shown_ - line.size(), ' ');
    if (line.empty()) out += "\r";
    err_ << out;
    err_.flush();
    shown_ = line.size();
}
