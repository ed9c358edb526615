// Running again the files an earlier run did not convert: which files those are, as the
// done_earlier list of a new run's request.
#pragma once

#include <vector>

#include "engine/file_conversion.h"

// True for a file a run left without a converted output: its converter failed, it was refused,
// or Stop kept it from starting (or ended its converter).
bool ended_unconverted(FileOutcome outcome);

// True when any of the records ended unconverted.
bool any_unconverted(const std::vector<FileRecord>& records);

// The done_earlier list of a run that converts only the files the earlier run (its records)
// left unconverted: for each of files (matching_files of the new run) true unless an earlier
// record of the same input path ended unconverted. Files the earlier run did not meet are passed
// over too: only what failed runs again.
std::vector<bool> done_but_unconverted(const std::vector<FileRecord>& files,
                                       const std::vector<FileRecord>& earlier);
