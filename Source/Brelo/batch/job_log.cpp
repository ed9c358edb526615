// brelo-batch's job log, and the joining of its shards' job logs.
#include "batch/job_log.h"

#include "batch/batch_program.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <sstream>
#include <utility>

namespace {

constexpr int column_count = 16;

const char* state_word(FileOutcome outcome) {
    switch (outcome) {
    case FileOutcome::Converted: return "converted";
    case FileOutcome::Failed: return "failed";
    case FileOutcome::Refused: return "refused";
    case FileOutcome::Skipped: return "skipped";
    case FileOutcome::DoneEarlier: return "done-earlier";
    case FileOutcome::NotStarted: break;
    }
    return "not-started";
}

std::string seconds(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.3f", value);
    return text;
}

// Exitval and Signal of a record.
std::pair<std::string, std::string> exit_columns(const FileRecord& record) {
    constexpr const char* no_code = "255";
    switch (record.outcome) {
    case FileOutcome::Converted:
    case FileOutcome::Skipped:
    case FileOutcome::DoneEarlier: return {"0", "0"};
    case FileOutcome::NotStarted: return {"-1", "0"};
    case FileOutcome::Refused: return {no_code, "0"};
    case FileOutcome::Failed: break;
    }
    const ConverterEnd& end = record.end.converter;
    if (end.outcome != ConverterOutcome::Exited || !end.exit.known) return {no_code, "0"};
    if (end.exit.by_signal) return {no_code, std::to_string(end.exit.code)};
    if (end.exit.code == 0) return {no_code, "0"};  // it wrote no output
    return {std::to_string(end.exit.code), "0"};
}

std::vector<std::string> split_tabs(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab - start));
        if (tab == std::string::npos) return fields;
        start = tab + 1;
    }
}

bool read_int(const std::string& text, int& value) {
    if (text.empty() || text.size() > 9) return false;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
    }
    value = std::stoi(text);
    return true;
}

// A line read back: what joining needs of it.
struct ReadLine {
    int seq = 0;
    RunShard shard;
    int whole_count = 0;
    std::string state;
    std::string header;
    std::string entry;
};

bool read_line(const std::string& line, ReadLine& read) {
    const std::vector<std::string> fields = split_tabs(line);
    if (fields.size() != column_count) return false;
    const std::string& shard = fields[11];
    const std::size_t slash = shard.find('/');
    if (slash == std::string::npos || !read_int(fields[0], read.seq) ||
        !read_int(shard.substr(0, slash), read.shard.number) ||
        !read_int(shard.substr(slash + 1), read.shard.count) ||
        !read_int(fields[12], read.whole_count) || read.seq < 1 || read.shard.count < 1) {
        return false;
    }
    read.state = fields[13];
    read.header = unescape_field(fields[14]);
    read.entry = unescape_field(fields[15]);
    return true;
}

}  // namespace

std::string job_log_header() {
    return "Seq\tHost\tStarttime\tJobRuntime\tSend\tReceive\tExitval\tSignal\tCommand\t"
           "Input\tOutput\tShard\tFiles\tState\tHeader\tEntry\n";
}

std::string escape_field(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '%': out += "%25"; break;
        case '\t': out += "%09"; break;
        case '\n': out += "%0A"; break;
        case '\r': out += "%0D"; break;
        default: out += c;
        }
    }
    return out;
}

std::string unescape_field(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const std::string code = text.compare(i, 1, "%") == 0 ? text.substr(i + 1, 2) : "";
        const char c = code == "25" ? '%' : code == "09" ? '\t' : code == "0A" ? '\n'
                     : code == "0D" ? '\r' : 0;
        if (c == 0) {
            out += text[i];
            continue;
        }
        out += c;
        i += 2;
    }
    return out;
}

std::string job_log_line(const JobLogRun& run, const FileRecord& record,
                         std::size_t console_bytes, const std::string& entry_text) {
    const bool ran =
        record.outcome == FileOutcome::Converted || record.outcome == FileOutcome::Failed;
    const std::pair<std::string, std::string> exit = exit_columns(record);
    std::string line = std::to_string(record.place + 1) + "\t:\t";
    line += seconds(ran ? record.end.start_time : 0) + "\t" +
            seconds(ran ? record.end.run_time : 0) + "\t0\t" + std::to_string(console_bytes);
    line += "\t" + exit.first + "\t" + exit.second + "\t" + escape_field(record.command_line);
    line += "\t" + escape_field(record.input_path) + "\t" + escape_field(record.output_path);
    line += "\t" + std::to_string(run.shard.number) + "/" + std::to_string(run.shard.count);
    line += "\t" + std::to_string(run.whole_count) + "\t" + state_word(record.outcome);
    line += "\t" + escape_field(run.header) + "\t" + escape_field(entry_text) + "\n";
    return line;
}

JobLogEvents::JobLogEvents(RunEvents& next, std::ostream& file, JobLogRun run)
    : next_(next), file_(file), run_(std::move(run)) {}

void JobLogEvents::header(const std::string& text) {
    run_.header = text;
    file_ << job_log_header();
    file_.flush();
    next_.header(text);
}

void JobLogEvents::file_started(const std::string& input_path, const std::string& output_path,
                                const std::string& text) {
    entry_ = text;
    console_bytes_ = 0;
    next_.file_started(input_path, output_path, text);
}

void JobLogEvents::console_text(const std::string& text) {
    if (console_bytes_ < kept_console_text) {
        entry_.append(text, 0, std::min(text.size(), kept_console_text - console_bytes_));
    }
    console_bytes_ += text.size();
    next_.console_text(text);
}

void JobLogEvents::file_ended(const std::string& text) {
    if (console_bytes_ > kept_console_text) {
        entry_ += "\r\n[" + std::to_string(console_bytes_ - kept_console_text) +
                  " more bytes of console text are not in the job log.]\r\n";
    }
    entry_ += text;
    next_.file_ended(text);
}

void JobLogEvents::file_skipped(const std::string& input_path, const std::string& output_path,
                                const std::string& text) {
    entry_ = text;
    console_bytes_ = 0;
    next_.file_skipped(input_path, output_path, text);
}

void JobLogEvents::file_record(const FileRecord& record) {
    if (record.outcome == FileOutcome::NotStarted) {
        entry_.clear();
        console_bytes_ = 0;
    }
    file_ << job_log_line(run_, record, console_bytes_, entry_);
    file_.flush();
    entry_.clear();
    console_bytes_ = 0;
    next_.file_record(record);
}

std::string read_earlier_run(const std::string& text, const std::vector<FileRecord>& files,
                             std::vector<bool>& done) {
    done.assign(files.size(), false);
    std::istringstream in(text);
    std::string line;
    int number = 0;
    int own_lines = 0;
    while (std::getline(in, line)) {
        ++number;
        if (line.rfind("Seq\t", 0) == 0) continue;
        const std::vector<std::string> fields = split_tabs(line);
        const std::string where = "line " + std::to_string(number);
        int seq = 0;
        if (fields.size() < 9 || !read_int(fields[0], seq) || seq < 1) {
            return where + " is not a job log's line";
        }
        if (fields.size() == column_count) {
            // brelo-batch's own line: the same file and the same command line at its place.
            ++own_lines;
            const bool same = seq <= static_cast<int>(files.size()) &&
                              unescape_field(fields[9]) == files[seq - 1].input_path &&
                              unescape_field(fields[8]) == files[seq - 1].command_line;
            if (!same) return where + " is of a run with other settings";
        }
        // A later line of one Seq (parallel --resume-failed appends them) tells the last word.
        if (seq <= static_cast<int>(files.size())) {
            done[seq - 1] = fields[6] == "0" && fields[7] == "0";
        }
    }
    if (own_lines == 0) return "it holds no line of brelo-batch's job log";
    return std::string();
}

JoinedLog join_job_logs(const std::vector<std::string>& texts, const std::string& stamp,
                        const std::string& line_end) {
    JoinedLog joined;
    std::map<int, ReadLine> lines;  // by Seq; a later line of one Seq replaces an earlier one
    int whole_count = -1;
    int shard_count = -1;
    std::string header;
    for (std::size_t t = 0; t < texts.size(); ++t) {
        std::istringstream in(texts[t]);
        std::string line;
        int number = 0;
        while (std::getline(in, line)) {
            ++number;
            if (line.rfind("Seq\t", 0) == 0) continue;  // a header, also one parallel appended
            ReadLine read;
            const bool fits = read_line(line, read) &&
                              (whole_count < 0 || (read.whole_count == whole_count &&
                                                   read.shard.count == shard_count &&
                                                   read.header == header));
            if (!fits) {
                joined.error = "job log " + std::to_string(t + 1) + ", line " +
                               std::to_string(number) + ": not a line of this run's job log";
                return joined;
            }
            whole_count = read.whole_count;
            shard_count = read.shard.count;
            header = read.header;
            lines[read.seq] = std::move(read);
        }
    }
    if (whole_count < 0) {
        joined.error = "the job logs hold no file of a run";
        return joined;
    }
    RunResult result;
    std::string log = header;
    for (int seq = 1; seq <= whole_count; ++seq) {
        const auto found = lines.find(seq);
        if (found == lines.end() || found->second.state == "not-started") {
            ++result.not_started;
            continue;
        }
        const ReadLine& read = found->second;
        log += read.entry;
        if (read.state == "skipped") {
            ++result.skipped;
            continue;
        }
        if (read.state == "done-earlier") {
            ++result.done_earlier;
            continue;
        }
        ++result.total;
        if (read.state != "converted") ++result.failed;
    }
    result.ran = true;
    result.stopped = result.not_started > 0;
    joined.log = log + total_text(result) + stamp + line_end;
    joined.exit_code = result.stopped         ? exit_stopped
                       : result.failed > 0 ? exit_files_failed
                                           : exit_ran;
    return joined;
}
