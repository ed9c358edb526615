// Converters side by side: a pool of threads that runs the converters of one run at once and
// hands their entries back in the order they were submitted.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/console_process.h"
#include "engine/file_conversion.h"
#include "engine/held_text.h"

class ConverterPool {
public:
    // What the caller shows of a job once it is delivered; the pool does not look at it.
    struct Entry {
        std::string input_shown;
        std::string output_shown;
        std::string text;
        // The caller's own tag and text, for entries that run nothing (add_entry).
        int kind = 0;
        std::string detail = std::string();
        // The file's record for the caller, carried through unchanged.
        FileRecord record = FileRecord();
    };
    // One converter to run.
    struct Job {
        FileJob file;
        Entry entry;
    };
    // A job delivered back.
    struct Finished {
        Entry entry;
        bool started = false;  // false when Stop came before its turn: nothing of it ran
        bool converter = true;  // false for an entry given by add_entry, which ran nothing
        // Everything the converter wrote, as convert_file gave it. Beyond a bound it waits in a
        // temporary file, so that entries held behind a slow one cost bounded memory.
        HeldText console;
        FileEnd end;
    };
    using Deliver = std::function<void(Finished&&)>;

    // workers threads run the jobs; at most backlog finished jobs wait for an earlier one
    // beyond those running. stopped is asked before each job starts. If no thread can be had,
    // the jobs run on the caller's thread inside submit.
    ConverterPool(int workers, std::size_t backlog, StopWatch& watch,
                  std::function<bool()> stopped);
    // Waits for the jobs that are running; those not started are dropped undelivered.
    ~ConverterPool();
    ConverterPool(const ConverterPool&) = delete;
    ConverterPool& operator=(const ConverterPool&) = delete;

    // Queues the job, which convert_file runs. Before that it waits, delivering finished jobs in
    // order meanwhile, while the pool is full or while an earlier job with the same output path
    // has not finished: two converters never write one output at the same time. deliver is
    // called on this thread.
    void submit(Job job, const Deliver& deliver);
    // Queues an entry that runs nothing (a skipped file, a line of its own), delivered in its
    // place among the jobs, after every one submitted before it. Waits like submit while the
    // pool is full, so such entries held behind a slow converter stay bounded too.
    void add_entry(Entry entry, const Deliver& deliver);
    // Waits, delivering finished jobs in order meanwhile, until no job submitted before writes
    // output_path, so that the caller sees that file as one at a time would.
    void await_output(const std::string& output_path, const Deliver& deliver);
    // Waits for every job and delivers the rest in order.
    void finish(const Deliver& deliver);

private:
    enum class State { Queued, Running, Done };
    struct Slot {
        Job job;
        State state = State::Queued;
        Finished finished;
    };

    void work();
    void run(Slot& slot);
    // Delivers finished jobs from the front, in order; called with the lock held, which it
    // gives up around each delivery.
    void deliver_ready(std::unique_lock<std::mutex>& lock, const Deliver& deliver);
    bool output_busy(const std::string& output_path) const;

    StopWatch& watch_;
    std::function<bool()> stopped_;
    std::size_t capacity_;
    std::mutex mutex_;
    std::condition_variable work_ready_;
    std::condition_variable job_done_;
    std::deque<std::unique_ptr<Slot>> slots_;  // submitted and not yet delivered, in order
    std::size_t next_start_ = 0;               // index in slots_ of the next job to start
    bool closing_ = false;
    std::vector<std::thread> workers_;
};
