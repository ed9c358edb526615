// What a run will do, decided before anything starts: the request after its checks, and the plan
// of every matching file. The run, the dry run, the jobs and the counts all walk by these plans,
// so they name, refuse and number the files alike.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/run_request.h"
#include "engine/converter.h"
#include "engine/file_conversion.h"
#include "engine/pattern_set.h"
#include "engine/run_settings.h"

struct WalkFolder;

// A request after the checks a run makes before it starts, each made once: a view checks, then
// counts, lists and runs with the same value.
struct CheckedRequest {
    RunRequest request;
    // The first check that failed (input, output, converter, its program), as the run's notice;
    // nothing when all passed.
    CheckResult notice;
    bool settings_passed = false;  // the input and the output checks passed
    // The notice of unknown placeholders in the output-name pattern, once the input and the
    // output checks passed: the run goes on regardless.
    CheckResult placeholder_notice;
    std::optional<PatternSet> patterns;      // when the input check passed
    std::optional<PreparedCommand> command;  // when a converter is selected
    RunSettings walked;                      // the request's settings with the directories resolved
};

// The settings a run walks with: relative input and output directories resolved against the
// current directory (brelo's own folder), so that a converter finds the paths it is given from
// its own working directory.
RunSettings resolved_settings(const RunSettings& typed);

// Makes the run's checks in their order: check_input, check_output, a converter selected,
// check_prepared_command. Reads the disk; starts nothing.
CheckedRequest check_request(const RunRequest& request);

// What the run does with a matching file.
enum class FileStep {
    Convert,       // its converter starts (unless its output is up to date and such are skipped)
    DoneEarlier,   // the request's earlier run converted it
    Refused,       // file_refusal refuses its names
    SharedOutput,  // an earlier file of its folder has its output name
};

// One matching file of the walk and what the run does with it.
struct FilePlan {
    // Its place among the whole walk's matching files (every part's), paths and command line;
    // the outcome is the run's to fill in.
    FileRecord record;
    bool mine = true;  // of the request's part of the walk (all of them without a shard)
    FileStep step = FileStep::Convert;
    std::string input_shown;  // as the log shows it: the typed directory in front
    std::string output_shown;
    std::string refusal;      // file_refusal's text, or empty
    std::string first_input;  // with SharedOutput: the shown path of the file that has the name
};

// Whether the output exists and is not older than the input.
bool output_up_to_date(const FilePlan& plan);

// Why a SharedOutput file is refused, in one line without its end.
std::string shared_output_note(const FilePlan& plan);

// What a view does with the plans of a walk. Called on the walking thread, in walk order.
class PlanVisitor {
public:
    virtual ~PlanVisitor() = default;
    // A folder is about to deliver its first matching file (see WalkVisitor).
    virtual void folder_reached(const WalkFolder& folder) { (void)folder; }
    virtual void file_planned(FilePlan& plan) = 0;
    virtual void folder_unreadable(const WalkFolder& folder) { (void)folder; }
    // Asked before every entry; true ends the walk there.
    virtual bool stop_requested() { return false; }
};

// Walks the request's input with the run's walk and resolved directories, planning every
// matching file with the given command. The request must have passed the input check. False
// when the visitor stopped the walk.
bool walk_plans(const CheckedRequest& checked, const PreparedCommand& command,
                PlanVisitor& visitor);

// A walk's matching files: all of them, and those of the request's part.
struct MatchCount {
    int whole = 0;
    int mine = 0;
};

// The matching files a run of the request would meet, by the run's own walk (a folder that
// cannot be listed counts nothing); skipped files count, as the run reports them too. Zero when
// the input check failed. It walks the disk, so views call it on the run's thread, before the
// run; the stop event (may be null) ends the count early, with what it found so far.
MatchCount count_matching_files(const CheckedRequest& checked, Event* stop);

// Every matching file of the whole walk a run of the request would meet, with its place, paths and
// command line, as NotStarted records; a folder that cannot be read adds nothing. Empty when the
// input check failed or no converter is selected.
std::vector<FileRecord> matching_files(const CheckedRequest& checked);
