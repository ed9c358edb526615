// The queue that runs a run's converters one at a time.
#include "engine/job_queue.h"

void JobsInTurn::add(QueueEntry entry) {
    if (entry.kind == EntryKind::Converter) {
        receiver_.converter_started(entry);
        entry.record.end = convert_file(
            entry.job,
            [this](const char* piece, std::size_t length) {
                receiver_.converter_text(std::string(piece, length));
            },
            watch_);
    }
    receiver_.entry_done(entry);
}
