// Converters side by side: a pool of threads that runs the converters of one run at once and
// hands their entries back in the order they were queued.
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

#include "engine/held_text.h"
#include "engine/job_queue.h"

class ConverterPool : public JobQueue {
public:
    // workers threads run the jobs; at most backlog finished jobs wait for an earlier one
    // beyond those running. stop_requested is asked before each job starts. If no thread can be
    // had, the jobs run on the caller's thread inside add. Entries go back to receiver.
    ConverterPool(int workers, std::size_t backlog, ConverterWatch& watch,
                  std::function<bool()> stop_requested, EntryReceiver& receiver);
    // Waits for the jobs that are running; those not started are dropped undelivered.
    ~ConverterPool() override;
    ConverterPool(const ConverterPool&) = delete;
    ConverterPool& operator=(const ConverterPool&) = delete;

    // Before it queues an entry, add waits, delivering finished entries in order meanwhile,
    // while the pool is full or, for a Converter entry, while an earlier job with the same
    // output path has not finished: two converters never write one output at the same time.
    // Entries that run nothing wait for a full pool too, so that those held behind a slow
    // converter stay bounded.
    void add(QueueEntry entry) override;
    void await_output(const std::string& output_path) override;
    void finish() override;

private:
    enum class State { Queued, Running, Done };
    struct Slot {
        QueueEntry entry;
        State state = State::Queued;
        // Everything the converter wrote, as convert_file gave it. Beyond a bound it waits in a
        // temporary file, so that entries held behind a slow one cost bounded memory.
        HeldText console;
    };

    void work();
    void run(Slot& slot);
    // Delivers finished entries from the front, in order; called with the lock held, which it
    // gives up around each delivery.
    void deliver_ready(std::unique_lock<std::mutex>& lock);
    void deliver(Slot& slot);
    bool output_busy(const std::string& output_path) const;

    ConverterWatch& watch_;
    std::function<bool()> stop_requested_;
    EntryReceiver& receiver_;
    std::size_t capacity_;
    std::mutex mutex_;
    std::condition_variable work_ready_;
    std::condition_variable job_done_;
    std::deque<std::unique_ptr<Slot>> slots_;  // queued and not yet delivered, in order
    std::size_t next_start_ = 0;               // index in slots_ of the next job to start
    bool closing_ = false;
    std::vector<std::thread> workers_;
};
