// brelo-batch spread over several machines: the job log, shards and the joining of their logs.
#include <algorithm>
#include <filesystem>
#include <map>
#include <sstream>

#include <gtest/gtest.h>

#include "Support/run_program.h"
#include "Support/temp_dir.h"
#include "batch/batch_program.h"
#include "batch/job_log.h"
#include "batch_process.h"
#include "engine/walk.h"
#include "platform/platform.h"

namespace {

using batch_test::BatchResult;
using batch_test::IniValues;
using batch_test::mask_time_stamps;
using test_support::program_path;
using test_support::read_file;
using test_support::run_command;
using test_support::shell_quote;
using test_support::TempDir;
using test_support::tree_of;
using test_support::write_file;

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::string part;
    std::istringstream in(text);
    while (std::getline(in, part, separator)) parts.push_back(part);
    return parts;
}

// The job log's lines after its header, each cut into its columns.
std::vector<std::vector<std::string>> job_log_rows(const std::string& text) {
    std::vector<std::vector<std::string>> rows;
    const std::vector<std::string> lines = split(text, '\n');
    for (std::size_t i = 1; i < lines.size(); ++i) rows.push_back(split(lines[i], '\t'));
    return rows;
}

FileRecord record_of(FileOutcome outcome, int place = 0) {
    FileRecord record;
    record.place = place;
    record.outcome = outcome;
    record.input_path = "in\tone\nline\\x";
    record.output_path = "out";
    record.command_line = "conv \"in\"";
    return record;
}

TEST(JobLog, FieldsKeepTabsLineEndsAndPercentSignsApartFromTheLayout) {
    const std::string name = "a\tb\nc\rd\\t%25%e%";
    EXPECT_EQ(escape_field(name).find_first_of("\t\n\r"), std::string::npos);
    EXPECT_EQ(unescape_field(escape_field(name)), name);

    const std::string line = job_log_line({{2, 3}, 7, "[head]:\r\n"},
                                          record_of(FileOutcome::Refused, 4), 12, "entry\r\n");
    ASSERT_EQ(line.back(), '\n');
    const std::vector<std::string> columns = split(line.substr(0, line.size() - 1), '\t');
    ASSERT_EQ(columns.size(), 16u);
    EXPECT_EQ(columns[0], "5");  // Seq counts from 1
    EXPECT_EQ(columns[1], ":");
    EXPECT_EQ(columns[5], "12");
    EXPECT_EQ(unescape_field(columns[9]), "in\tone\nline\\x");
    EXPECT_EQ(columns[11], "2/3");
    EXPECT_EQ(columns[12], "7");
    EXPECT_EQ(columns[13], "refused");
    EXPECT_EQ(unescape_field(columns[15]), "entry\r\n");
}

TEST(JobLog, ExitvalAndSignalTellEachEnd) {
    const auto exit_and_signal = [](const FileRecord& record) {
        const std::vector<std::string> columns = split(job_log_line({}, record, 0, ""), '\t');
        return columns[6] + " " + columns[7];
    };
    EXPECT_EQ(exit_and_signal(record_of(FileOutcome::Skipped)), "0 0");
    EXPECT_EQ(exit_and_signal(record_of(FileOutcome::NotStarted)), "-1 0");
    EXPECT_EQ(exit_and_signal(record_of(FileOutcome::Refused)), "255 0");
    FileRecord done = record_of(FileOutcome::Converted);
    done.end.converter.outcome = ConverterOutcome::Exited;
    done.end.converter.exit.known = true;
    EXPECT_EQ(exit_and_signal(done), "0 0");
    FileRecord failed = done;
    failed.outcome = FileOutcome::Failed;
    failed.end.converter.exit.code = 3;
    EXPECT_EQ(exit_and_signal(failed), "3 0");
    failed.end.converter.exit.by_signal = true;
    failed.end.converter.exit.code = 9;
    EXPECT_EQ(exit_and_signal(failed), "255 9");
    FileRecord no_output = done;
    no_output.outcome = FileOutcome::Failed;
    no_output.end.wrote_no_output = true;
    EXPECT_EQ(exit_and_signal(no_output), "255 0");
    FileRecord not_run = record_of(FileOutcome::Failed);
    not_run.end.converter.outcome = ConverterOutcome::NotStarted;
    EXPECT_EQ(exit_and_signal(not_run), "255 0");
}

TEST(JobLog, JoiningRefusesWhatIsNoJobLogOfOneRun) {
    const std::string first = job_log_header() + job_log_line({{1, 2}, 2, "[h]:\r\n"},
                                                              record_of(FileOutcome::Skipped), 0, "");
    const std::string other_run = job_log_header() +
                                  job_log_line({{2, 2}, 3, "[h]:\r\n"},
                                               record_of(FileOutcome::Skipped, 1), 0, "");
    EXPECT_NE(join_job_logs({first, other_run}, "stamp", "\n").error, "");
    EXPECT_NE(join_job_logs({"1\t:\t0\n"}, "stamp", "\n").error, "");
    EXPECT_NE(join_job_logs({job_log_header()}, "stamp", "\n").error, "");
    EXPECT_EQ(join_job_logs({first}, "stamp", "\n").error, "");
}

// Five inputs, two of which ("a.txt", "c.txt") share an output name with the "Same name"
// converter's pattern, so that run refuses the later one of them.
class Shards : public ::testing::Test {
protected:
    TempDir dir;
    std::string in = dir.file("in");
    std::string out = dir.file("out");
    std::string ini = dir.file("test.ini");
    IniValues values;

    void SetUp() override {
        ASSERT_TRUE(make_directory(in));
        ASSERT_TRUE(make_directory(join_path(in, "sub")));
        ASSERT_TRUE(make_directory(out));
        write_file(join_path(in, "a.txt"), "abc");
        write_file(join_path(in, "c.txt"), "c");
        write_file(join_path(in, "d.txt"), "d");
        write_file(join_path(join_path(in, "sub"), "b.txt"), "xyz");
        write_file(join_path(join_path(in, "sub"), "e.txt"), "e");
        values.input_directory = in;
        values.input_patterns = "*.txt";
        values.output_directory = out;
        values.output_pattern = "${prefix}.${suffix}";
        values.converters = {
            {"MD5 digest", program_path("hashmd5"), "${infile} ${outfile}", "${location}"}};
        write_file(ini, batch_test::ini_text(values));
    }

    BatchResult run(std::vector<std::string> args) {
        args.insert(args.begin(), {"--ini", ini, "--no-progress"});
        return batch_test::run_brelo_batch(args);
    }
    // The inputs of the log's entries, in order.
    static std::vector<std::string> inputs_of(const std::string& log) {
        std::vector<std::string> inputs;
        for (const std::string& line : split(log, '\n')) {
            const std::size_t arrow = line.find(" -> ");
            if (arrow != std::string::npos) inputs.push_back(line.substr(0, arrow));
        }
        return inputs;
    }
};

TEST_F(Shards, JobLogHasALinePerFileInWalkOrder) {
    const std::string joblog = dir.file("j.tsv");
    const BatchResult result = run({"--joblog", joblog});
    ASSERT_EQ(result.exit_code, exit_ran) << result.err;
    const std::string text = read_file(joblog);
    EXPECT_EQ(text.substr(0, text.find('\n') + 1), job_log_header());
    const std::vector<std::vector<std::string>> rows = job_log_rows(text);
    const std::vector<std::string> inputs = inputs_of(result.out);
    ASSERT_EQ(rows.size(), 5u);
    ASSERT_EQ(inputs.size(), 5u);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        ASSERT_EQ(rows[i].size(), 16u);
        EXPECT_EQ(rows[i][0], std::to_string(i + 1));
        EXPECT_EQ(rows[i][9], inputs[i]);  // names without "%" or control characters as they are
        // "Encrypt successful." and its line end.
        EXPECT_EQ(rows[i][5], std::to_string(19 + test_support::text_line_end.size()));
        EXPECT_EQ(rows[i][6], "0");
        EXPECT_EQ(rows[i][12], "5");
        EXPECT_EQ(rows[i][13], "converted");
        EXPECT_NE(result.out.find(unescape_field(rows[i][15])), std::string::npos);
    }
    // A second run skips every file, with Exitval 0.
    ASSERT_EQ(run({"--joblog", joblog, "--skip-up-to-date"}).exit_code, exit_ran);
    for (const std::vector<std::string>& row : job_log_rows(read_file(joblog))) {
        EXPECT_EQ(row[6], "0");
        EXPECT_EQ(row[13], "skipped");
    }
}

// GNU parallel takes the job log of a run with failures as its own: --resume-failed runs exactly
// the jobs that failed or were not started again, by their Seq.
TEST_F(Shards, ParallelResumesTheFailedFilesOfAJobLog) {
#ifdef _WIN32
    GTEST_SKIP() << "GNU parallel is tried natively";
#else
    if (run_command("command -v parallel >/dev/null").exit_code != 0) {
        GTEST_SKIP() << "GNU parallel is not installed (scripts/setup.sh installs it)";
    }
    const std::string joblog = dir.file("j.tsv");
    const BatchResult result = run({"--joblog", joblog, "--name", "same.${suffix}"});
    ASSERT_EQ(result.exit_code, exit_files_failed) << result.err;
    std::string text = read_file(joblog);
    std::vector<std::string> failed;
    for (const std::vector<std::string>& row : job_log_rows(text)) {
        if (row[6] != "0") failed.push_back(row[0]);
    }
    ASSERT_FALSE(failed.empty());
    // A file Stop kept from starting, as the sixth of the walk.
    JobLogRun stopped_run{{1, 1}, 6, "[Converter - MD5 digest]:\r\n\r\n"};
    text += job_log_line(stopped_run, record_of(FileOutcome::NotStarted, 5), 0, "");
    failed.push_back("6");
    write_file(joblog, text);
    const test_support::ProgramResult parallel = run_command(
        "seq 6 | parallel -k --joblog " + shell_quote(joblog) + " --resume-failed echo redo 2>&1");
    EXPECT_EQ(parallel.exit_code, 0) << parallel.output;
    std::string expected;
    for (const std::string& seq : failed) expected += "redo " + seq + "\n";
    EXPECT_EQ(parallel.output, expected);
#endif
}

TEST_F(Shards, ShardsAreDisjointAndJoinToTheWholeRun) {
    const std::string whole_log = dir.file("whole.tsv");
    const BatchResult whole = run({"--joblog", whole_log, "--name", "same.${suffix}"});
    ASSERT_EQ(whole.exit_code, exit_files_failed) << whole.err;
    const std::vector<std::vector<std::string>> whole_rows = job_log_rows(read_file(whole_log));

    std::vector<std::string> logs;
    std::vector<std::string> seen;
    for (int k = 1; k <= 3; ++k) {
        logs.push_back(dir.file("shard" + std::to_string(k) + ".tsv"));
        const BatchResult shard = run({"--joblog", logs.back(), "--name", "same.${suffix}",
                                       "--shard", std::to_string(k) + "/3",
                                       "--no-skip-up-to-date"});
        ASSERT_TRUE(shard.exit_code == exit_ran || shard.exit_code == exit_files_failed);
        const std::vector<std::vector<std::string>> rows = job_log_rows(read_file(logs.back()));
        // Only its own places, each with the whole run's Seq, state and input.
        for (const std::vector<std::string>& row : rows) {
            const int seq = std::stoi(row[0]);
            EXPECT_EQ((seq - 1) % 3, k - 1);
            EXPECT_EQ(row[9], whole_rows[seq - 1][9]);
            EXPECT_EQ(row[13], whole_rows[seq - 1][13]) << row[9];
            EXPECT_EQ(row[11], std::to_string(k) + "/3");
        }
        const std::vector<std::string> inputs = inputs_of(shard.out);
        EXPECT_EQ(inputs.size(), rows.size());
        const std::string total = "Total " + std::to_string(rows.size()) + " Files";
        EXPECT_NE(shard.out.find(total), std::string::npos) << shard.out;
        seen.insert(seen.end(), inputs.begin(), inputs.end());
    }
    std::vector<std::string> all = inputs_of(whole.out);
    std::sort(all.begin(), all.end());
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ(seen, all);

    const BatchResult joined = batch_test::run_brelo_batch({"--join-logs", logs[2], logs[0], logs[1]});
    EXPECT_EQ(joined.exit_code, exit_files_failed) << joined.err;
    EXPECT_EQ(mask_time_stamps(joined.out), mask_time_stamps(whole.out));

    // A missing shard's files were not started.
    const BatchResult partial = batch_test::run_brelo_batch({"--join-logs", logs[0], logs[2]});
    EXPECT_EQ(partial.exit_code, exit_stopped);
    EXPECT_NE(partial.out.find("Stopped: 2 matching files were not started.\r\n"),
              std::string::npos)
        << partial.out;

    EXPECT_EQ(batch_test::run_brelo_batch({"--join-logs", ini}).exit_code, exit_usage_error);
    EXPECT_EQ(batch_test::run_brelo_batch({"--join-logs"}).exit_code, exit_usage_error);
}

TEST_F(Shards, BadShardsAreUsageErrors) {
    for (const char* bad : {"0/3", "4/3", "1/0", "2", "a/b", "1/3x", "-1/3"}) {
        const BatchResult result = run({"--shard", bad});
        EXPECT_EQ(result.exit_code, exit_usage_error) << bad;
        EXPECT_NE(result.err.find("--shard must be K/N"), std::string::npos) << bad;
    }
    // The dry run of a shard shows the shard's commands only.
    const BatchResult dry = run({"--shard", "2/3", "--dry-run"});
    EXPECT_EQ(dry.exit_code, exit_ran);
    EXPECT_EQ(inputs_of(dry.out).size(), 2u) << dry.out;
    EXPECT_NE(dry.out.find("Total 2 Files would be converted."), std::string::npos);
}

// A retry converts what failed or was not started before, by the last line of each Seq, and
// passes over the rest; a job log of other settings is refused.
TEST_F(Shards, RetryConvertsOnlyWhatFailedBefore) {
    // A file where the output folder "sub" belongs: its two files fail.
    write_file(join_path(out, "sub"), "in the way");
    const std::string first = dir.file("first.tsv");
    ASSERT_EQ(run({"--joblog", first}).exit_code, exit_files_failed);
    std::vector<std::string> failed;
    for (const std::vector<std::string>& row : job_log_rows(read_file(first))) {
        if (row[6] != "0") failed.push_back(unescape_field(row[9]));
    }
    ASSERT_EQ(failed.size(), 2u);
    ASSERT_TRUE(std::filesystem::remove(test_support::native_path(join_path(out, "sub"))));

#ifndef _WIN32
    // The jobs of a retry pass over the same files (on Windows they only exit with 0).
    const BatchResult jobs = run({"--print-jobs", "--retry-failed", first});
    EXPECT_EQ(jobs.exit_code, exit_ran);
    const std::vector<std::string> job_list = split(jobs.out, '\0');
    EXPECT_EQ(job_list.size(), 5u);
    EXPECT_EQ(std::count_if(job_list.begin(), job_list.end(),
                            [](const std::string& job) {
                                return job.find("done in the earlier run.") != std::string::npos;
                            }),
              3);
#endif

    const std::string second = dir.file("second.tsv");
    const BatchResult retry = run({"--joblog", second, "--retry-failed", first});
    EXPECT_EQ(retry.exit_code, exit_ran) << retry.out << retry.err;
    EXPECT_NE(retry.out.find("Total 2 Files are converted.\r\n"
                             "3 files were done in the earlier run.\r\n"),
              std::string::npos)
        << retry.out;
    for (const std::vector<std::string>& row : job_log_rows(read_file(second))) {
        const bool was_failed =
            std::find(failed.begin(), failed.end(), unescape_field(row[9])) != failed.end();
        EXPECT_EQ(row[13], was_failed ? "converted" : "done-earlier") << row[9];
        EXPECT_EQ(row[6], "0");
        if (!was_failed) {
            EXPECT_NE(unescape_field(row[15]).find("\tSkipped: done in the earlier run.\r\n"),
                      std::string::npos);
        }
    }
    // A line parallel appended for a Seq gives the last word on it.
    std::string appended = read_file(first);
    const std::vector<std::vector<std::string>> rows = job_log_rows(appended);
    std::string failed_seq;
    for (const std::vector<std::string>& row : rows) {
        if (row[6] != "0") failed_seq = row[0];
    }
    appended += failed_seq + "\t:\t1.000\t1.000\t0\t0\t0\t0\techo again\n";
    write_file(first, appended);
    const BatchResult third = run({"--retry-failed", first, "--no-skip-up-to-date"});
    EXPECT_EQ(third.exit_code, exit_ran);
    EXPECT_NE(third.out.find("Total 1 Files are converted.\r\n4 files were done"),
              std::string::npos)
        << third.out;

    // Other settings: another input folder, another output name.
    for (const std::vector<std::string>& other :
         {std::vector<std::string>{"--input", join_path(in, "sub")},
          std::vector<std::string>{"--name", "${prefix}.md5"}}) {
        std::vector<std::string> args = other;
        args.insert(args.end(), {"--retry-failed", first});
        const BatchResult refused = run(args);
        EXPECT_EQ(refused.exit_code, exit_usage_error) << other[0];
        EXPECT_NE(refused.err.find("of a run with other settings"), std::string::npos)
            << refused.err;
    }
    EXPECT_EQ(run({"--retry-failed", ini}).exit_code, exit_usage_error);
}

// The jobs, run by GNU parallel two at a time, leave the outputs a run leaves, whatever the names
// hold; every folder a job writes into is there before any job starts.
TEST_F(Shards, PrintedJobsRunByParallelGiveTheRunsOutputs) {
#ifdef _WIN32
    GTEST_SKIP() << "the POSIX jobs are tried natively";
#else
    if (run_command("command -v parallel >/dev/null").exit_code != 0) {
        GTEST_SKIP() << "GNU parallel is not installed (scripts/setup.sh installs it)";
    }
    const std::string odd = join_path(in, "s u'b $x");
    ASSERT_TRUE(make_directory(odd));
    ASSERT_TRUE(make_directory(join_path(odd, "deeper")));
    for (const char* name : {"sp ace.txt", "qu'o\"te.txt", "do$llar $(id).txt", "back`id`.txt",
                             "new\nline.txt", "Gr\xC3\xBC\xC3\x9F" "e-\xE6\x97\xA5.txt", "-dash.txt"}) {
        write_file(join_path(odd, name), name);
        write_file(join_path(join_path(odd, "deeper"), name), std::string(name) + "!");
    }
    ASSERT_EQ(run({}).exit_code, exit_ran);

    // Two at a time here, and through "-S :", the local machine taken as a remote one, which
    // passes every job through a shell as an SSH login would.
    for (const char* runner : {"-j2", "-S : -j2"}) {
        SCOPED_TRACE(runner);
        const std::string out2 = dir.file(std::string("out-") + (runner[1] == 'S' ? "s" : "j"));
        ASSERT_TRUE(make_directory(out2));
        const std::string jobs = dir.file("jobs");
        const BatchResult printed = run({"--print-jobs", "--output", out2});
        ASSERT_EQ(printed.exit_code, exit_ran) << printed.err;
        EXPECT_EQ(std::count(printed.out.begin(), printed.out.end(), '\0'), 19);
        // The folders come first: the output side holds them and no file yet.
        for (const auto& file : tree_of(out2)) EXPECT_EQ(file.first.back(), '/') << file.first;
        EXPECT_EQ(tree_of(out2).size(), tree_of(out).size() - 19);
        write_file(jobs, printed.out);
        const std::string joblog = dir.file("j.tsv");
        std::filesystem::remove(joblog);
        const test_support::ProgramResult parallel =
            run_command(std::string("parallel -0 ") + runner + " --joblog " +
                        shell_quote(joblog) + " <" + shell_quote(jobs) + " 2>&1");
        EXPECT_EQ(parallel.exit_code, 0) << parallel.output;
        EXPECT_EQ(tree_of(out2), tree_of(out));
        EXPECT_EQ(job_log_rows(read_file(joblog)).size(), 19u);
    }
#endif
}

}  // namespace
