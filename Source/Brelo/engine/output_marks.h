// What Run would do with each output of the preview, and what a run did with each file: the
// marks the output tree shows beside its file items and brelo-batch --preview --marks prints.
#pragma once

#include <cstddef>
#include <string>

struct FileTrees;
struct FileRecord;
struct RunSettings;

// What Run would do with one output of the preview, by the run's own rules.
enum class OutputMark : unsigned char {
    New,          // no file has the output's name yet: Run writes it
    Replace,      // a file has it: the converter writes over it
    UpToDate,     // with "Skip up-to-date files": the output is not older than its input
    Shared,       // an earlier input of the folder has the same output name: Run refuses it
    SameAsInput,  // the output is the input itself: the converter is handed its input to write
};

// Marks every file of the trees, by the disk as it is now and the settings' output side and
// "Skip up-to-date files". Shared goes first, as the run refuses a shared name before it looks
// at the disk (the first input in the trees' order keeps the name, as in the walk's order);
// then SameAsInput (an output folder that is the input folder, by its text or its identity,
// and an output name that the file system takes for the input's); then the output's file:
// missing is New, present is Replace, or UpToDate when skipping and not older than its input.
// The trees' roots are the directories. Each output folder is listed once; a folder that
// cannot be listed holds no outputs, and a directory of an output's name is no output.
void mark_outputs(FileTrees& trees, bool skip_up_to_date);

// How many outputs of the trees have each mark.
struct OutputMarkCounts {
    std::size_t counts[5] = {};
    std::size_t operator[](OutputMark mark) const { return counts[static_cast<int>(mark)]; }
};
OutputMarkCounts count_output_marks(const FileTrees& trees);

// The refresh's word on the marks (section "Output", key "Output Directory"), e.g. "12 outputs
// will be replaced, 3 outputs are up to date, 1 output is its own input."; empty when there is
// none of these. Shared names are left to shared_output_notice, which the refresh shows
// already.
std::string output_marks_notice(const OutputMarkCounts& counts);

// What brelo-batch --preview --marks prints after an output name: " [replace]",
// " [up to date]", " [shared]", " [same as input]"; nothing for a new output.
const char* output_mark_suffix(OutputMark mark);

// The output tree's tip for a file that has not run: what Run would do; empty for a new one.
std::string output_mark_tip(OutputMark mark);

// How a run left one file, as the output tree marks it until the next refresh.
enum class RunMark : unsigned char {
    None,        // the run has not reached it
    Converted,
    Failed,      // its converter failed, or the run refused its name
    Skipped,     // its output was up to date, or an earlier run converted it
    Stopped,     // Stop ended its converter
    NotStarted,  // Stop came before it started
};

// One file's end for the output tree: the input path below the run's input directory, from
// the separator after it ("/sub/a.txt"), the mark and the reason shown in the item's tip.
struct FileRunMark {
    std::string relative_input;
    RunMark mark = RunMark::None;
    std::string reason;
};

// The mark of a record of the run whose (resolved) input directory is input_directory. The
// reason: "Converted.", the converter's exit code, "Converter wrote no output.", its time limit,
// Stop, a converter that could not start, the refusal's own line (a shared output name, a name
// Windows cannot take), an up-to-date output, or the earlier run.
FileRunMark run_mark_of(const FileRecord& record, const std::string& input_directory);

// The tip of a file the run has marked: the mark in words and the reason.
std::string run_mark_tip(const FileRunMark& mark);
