// The files of an earlier run that a new run converts again.
#include "engine/run_again.h"

#include <algorithm>
#include <string>
#include <unordered_set>

#include "platform/platform.h"

bool ended_unconverted(FileOutcome outcome) {
    switch (outcome) {
    case FileOutcome::Failed:
    case FileOutcome::Refused:
    case FileOutcome::NotStarted: return true;
    case FileOutcome::Converted:
    case FileOutcome::Skipped:
    case FileOutcome::DoneEarlier: break;
    }
    return false;
}

bool any_unconverted(const std::vector<FileRecord>& records) {
    return std::any_of(records.begin(), records.end(),
                       [](const FileRecord& record) { return ended_unconverted(record.outcome); });
}

// By input path: the new run walks with today's settings, so a file may have another place
// (files were added or removed) or another output name than it had, and the input directory
// may be typed in other letter case.
std::vector<bool> done_but_unconverted(const std::vector<FileRecord>& files,
                                       const std::vector<FileRecord>& earlier) {
    std::unordered_set<std::string> again;
    for (const FileRecord& record : earlier)
        if (ended_unconverted(record.outcome)) again.insert(path_compare_key(record.input_path));
    std::vector<bool> done(files.size(), true);
    for (const FileRecord& file : files)
        if (file.place >= 0 && file.place < static_cast<int>(done.size()))
            done[file.place] = again.count(path_compare_key(file.input_path)) == 0;
    return done;
}
