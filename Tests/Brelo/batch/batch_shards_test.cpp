// brelo-batch's shards of one run on one machine: one after another and at once into one output
// folder, a killed shard, and the preview of a shard.
#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <thread>

#include <gtest/gtest.h>

#include "Support/run_program.h"
#include "Support/temp_dir.h"
#include "batch/batch_program.h"
#include "batch_process.h"
#include "engine/walk.h"
#include "platform/platform.h"

namespace {

using batch_test::BatchResult;
using batch_test::IniValues;
using batch_test::mask_time_stamps;
using test_support::program_path;
using test_support::read_file;
using test_support::TempDir;
using test_support::tree_of;
using test_support::write_file;

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::string line;
    std::istringstream in(text);
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// Nine texts in two folders, one of which its converter fails on. The converter ("meet") waits
// until as many converters as the settings say have come to its meeting folder, so shards that
// did not run at the same time would never meet: each entry says "alone" then.
class ShardsAtOnce : public ::testing::Test {
protected:
    TempDir dir;
    std::string in = dir.file("in");
    std::string sub = join_path(in, "sub");

    void SetUp() override {
        ASSERT_TRUE(make_directory(in));
        ASSERT_TRUE(make_directory(sub));
        for (const char* name : {"a", "b", "c", "d", "e"}) {
            write_file(join_path(in, std::string(name) + ".txt"), std::string("text ") + name);
        }
        for (const char* name : {"f", "g", "h"}) {
            write_file(join_path(sub, std::string(name) + ".txt"), std::string("deep ") + name);
        }
        write_file(join_path(sub, "x.txt"), "fail");
    }

    // Settings that write into the empty folder "out"; the converters meet in a new folder,
    // where count converters must come together (0: they need not wait). The second converter
    // ends brelo-batch as a crash would.
    std::string settings(const std::string& name, int count) {
        const std::string meeting = dir.file(name + "-meet");
        EXPECT_TRUE(make_directory(meeting));
        EXPECT_TRUE(make_directory(dir.file("out")));
        IniValues values;
        values.input_directory = in;
        values.input_patterns = "*.txt";
        values.output_directory = dir.file("out");
        values.output_pattern = "${prefix}.out";
        values.converters = {
            {"Meet", program_path("batch_child"),
             "meet \"" + meeting + "\" " + std::to_string(count) + " ${infile} ${outfile}",
             "${location}"},
            {"Meet", program_path("batch_child"), "kill-parent ${infile} ${outfile}",
             "${location}"}};
        const std::string ini = dir.file(name + ".ini");
        write_file(ini, batch_test::ini_text(values));
        return ini;
    }

    // What the runs left in "out", which is gone then: the logs name the same output paths.
    std::map<std::string, std::string> take_outputs() {
        const std::map<std::string, std::string> outputs = tree_of(dir.file("out"));
        std::filesystem::remove_all(test_support::native_path(dir.file("out")));
        return outputs;
    }

    static BatchResult shard(const std::string& ini, int number, const std::string& joblog,
                             const std::string& converter = "1") {
        return batch_test::run_brelo_batch({"--ini", ini, "--no-progress", "--converter",
                                            converter, "--shard",
                                            std::to_string(number) + "/3", "--joblog", joblog});
    }
};

// One after another or all three at once into one folder, the shards leave what one run leaves,
// each file converted once, and their joined logs are that run's log and exit code.
TEST_F(ShardsAtOnce, ShardsGiveTheOutputsAndTheLogOfOneRun) {
    const BatchResult whole =
        batch_test::run_brelo_batch({"--ini", settings("whole", 0), "--no-progress"});
    ASSERT_EQ(whole.exit_code, exit_files_failed) << whole.out << whole.err;
    const std::map<std::string, std::string> outputs = take_outputs();
    ASSERT_EQ(outputs.size(), 9u) << whole.out << whole.err;  // eight files and the folder
    EXPECT_EQ(outputs.at("sub/f.out"), "deep f\n");

    for (const bool at_once : {false, true}) {
        SCOPED_TRACE(at_once ? "at once" : "one after another");
        const std::string name = at_once ? "at-once" : "in-turn";
        const std::string ini = settings(name, at_once ? 3 : 0);
        std::vector<std::string> logs;
        BatchResult results[3];
        std::vector<std::thread> shards;
        for (int k = 1; k <= 3; ++k) {
            logs.push_back(dir.file(name + std::to_string(k) + ".tsv"));
            const auto run = [&, k] { results[k - 1] = shard(ini, k, logs[k - 1]); };
            if (at_once) {
                shards.emplace_back(run);
            } else {
                run();
            }
        }
        for (std::thread& thread : shards) thread.join();
        for (const BatchResult& result : results) {
            EXPECT_TRUE(result.exit_code == exit_ran || result.exit_code == exit_files_failed)
                << result.exit_code << result.err;
            EXPECT_EQ(result.out.find("alone"), std::string::npos) << result.out;
        }
        // An output written twice would hold its text twice.
        EXPECT_EQ(take_outputs(), outputs);
        const BatchResult joined =
            batch_test::run_brelo_batch({"--join-logs", logs[1], logs[2], logs[0]});
        EXPECT_EQ(joined.exit_code, whole.exit_code);
        EXPECT_EQ(mask_time_stamps(joined.out), mask_time_stamps(whole.out));
    }
}

// A shard that dies leaves its files out of the join, which reports them as not started; its
// lock went with it, so the shard can run again and the join is whole.
TEST_F(ShardsAtOnce, KilledShardsFilesWereNotStarted) {
    const std::string ini = settings("out", 0);
    const std::vector<std::string> logs = {dir.file("1.tsv"), dir.file("2.tsv"),
                                           dir.file("3.tsv")};
    const BatchResult killed = shard(ini, 2, logs[1], "2");
    EXPECT_NE(killed.exit_code, exit_ran);
    for (const int k : {1, 3}) {
        const int code = shard(ini, k, logs[k - 1]).exit_code;
        EXPECT_TRUE(code == exit_ran || code == exit_files_failed) << code;
    }
    const BatchResult partial =
        batch_test::run_brelo_batch({"--join-logs", logs[0], logs[1], logs[2]});
    EXPECT_EQ(partial.exit_code, exit_stopped) << partial.err;
    EXPECT_NE(partial.out.find("Stopped: 3 matching files were not started.\r\n"),
              std::string::npos)
        << partial.out;

    const BatchResult again = shard(ini, 2, logs[1]);
    EXPECT_TRUE(again.exit_code == exit_ran || again.exit_code == exit_files_failed) << again.err;
    const BatchResult joined =
        batch_test::run_brelo_batch({"--join-logs", logs[0], logs[1], logs[2]});
    EXPECT_EQ(joined.exit_code, exit_files_failed) << joined.out;
}

// The preview of a shard shows the shard's files, the same ones its dry run would start, and only
// the folders that hold one of them; the three shards' files are the whole preview's.
TEST_F(ShardsAtOnce, PreviewOfAShardShowsItsFilesOnly) {
    const std::string ini = settings("out", 0);
    const auto leaves = [](const std::string& preview, std::string& folders) {
        std::multiset<std::string> names;
        const std::vector<std::string> lines = lines_of(preview);
        const auto output = std::find(lines.begin(), lines.end(), "Output preview:");
        for (auto line = lines.begin(); line != output; ++line) {
            const std::size_t indent = line->find_first_not_of(' ');
            if (indent == std::string::npos) continue;
            const std::string name = line->substr(indent);
            if (name.size() > 4 && name.compare(name.size() - 4, 4, ".txt") == 0) {
                names.insert(name);
            } else if (name == "sub") {
                folders += name;
            }
        }
        return names;
    };
    std::string whole_folders;
    const BatchResult whole = batch_test::run_brelo_batch({"--ini", ini, "--preview"});
    ASSERT_EQ(whole.exit_code, exit_ran) << whole.err;
    const std::multiset<std::string> all = leaves(whole.out, whole_folders);
    ASSERT_EQ(all.size(), 9u);
    std::multiset<std::string> seen;
    for (int k = 1; k <= 3; ++k) {
        SCOPED_TRACE(k);
        const std::string part = std::to_string(k) + "/3";
        const BatchResult preview =
            batch_test::run_brelo_batch({"--ini", ini, "--preview", "--shard", part});
        EXPECT_EQ(preview.exit_code, exit_ran) << preview.err;
        std::string folders;
        const std::multiset<std::string> mine = leaves(preview.out, folders);
        EXPECT_EQ(mine.size(), 3u) << preview.out;
        // The dry run names the same files.
        const BatchResult dry =
            batch_test::run_brelo_batch({"--ini", ini, "--dry-run", "--shard", part});
        bool below_sub = false;
        for (const std::string& name : mine) {
            EXPECT_NE(dry.out.find(std::string(1, path_separator) + name + " -> "),
                      std::string::npos)
                << name << "\n" << dry.out;
        }
        for (const std::string& line : lines_of(dry.out)) {
            if (line.find(" -> ") != std::string::npos &&
                line.find(std::string(path_separator == '/' ? "/sub/" : "\\sub\\")) <
                    line.find(" -> ")) {
                below_sub = true;
            }
        }
        EXPECT_EQ(folders, below_sub ? "sub" : "") << preview.out;
        seen.insert(mine.begin(), mine.end());
    }
    EXPECT_EQ(seen, all);
}

}  // namespace
