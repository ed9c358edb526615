// The pool that runs a run's converters side by side.
#include "engine/converter_pool.h"

#include <system_error>

namespace {

// Output paths are compared as the file system would: on Windows without regard to case.
bool same_output(const std::string& a, const std::string& b) {
#ifdef _WIN32
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i] >= 'A' && a[i] <= 'Z' ? static_cast<char>(a[i] - 'A' + 'a') : a[i];
        char y = b[i] >= 'A' && b[i] <= 'Z' ? static_cast<char>(b[i] - 'A' + 'a') : b[i];
        if ((x == '/' ? '\\' : x) != (y == '/' ? '\\' : y)) return false;
    }
    return true;
#else
    return a == b;
#endif
}

}  // namespace

ConverterPool::ConverterPool(int workers, std::size_t backlog, StopWatch& watch,
                             std::function<bool()> stopped)
    : watch_(watch),
      stopped_(std::move(stopped)),
      capacity_(static_cast<std::size_t>(workers > 0 ? workers : 1) + backlog) {
    for (int i = 0; i < workers; ++i) {
        try {
            workers_.emplace_back([this] { work(); });
        } catch (const std::system_error&) {
            break;
        }
    }
}

ConverterPool::~ConverterPool() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        closing_ = true;
    }
    work_ready_.notify_all();
    for (std::thread& worker : workers_) worker.join();
}

void ConverterPool::run(Slot& slot) {
    Finished& finished = slot.finished;
    finished.started = !stopped_();
    if (!finished.started) return;
    finished.end = convert_file(
        slot.job.file,
        [&finished](const char* text, std::size_t length) { finished.console.append(text, length); },
        watch_);
}

void ConverterPool::work() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        work_ready_.wait(lock, [this] { return closing_ || next_start_ < slots_.size(); });
        if (closing_ || next_start_ >= slots_.size()) return;  // what was not started is dropped
        Slot& slot = *slots_[next_start_++];
        if (slot.state == State::Done) continue;  // an entry that runs nothing
        slot.state = State::Running;
        lock.unlock();
        run(slot);
        lock.lock();
        slot.state = State::Done;
        job_done_.notify_all();
    }
}

void ConverterPool::deliver_ready(std::unique_lock<std::mutex>& lock, const Deliver& deliver) {
    while (!slots_.empty() && slots_.front()->state == State::Done) {
        std::unique_ptr<Slot> slot = std::move(slots_.front());
        slots_.pop_front();
        // An entry that runs nothing may leave before the workers have passed it.
        if (next_start_ > 0) --next_start_;
        slot->finished.entry = std::move(slot->job.entry);
        lock.unlock();
        deliver(std::move(slot->finished));
        lock.lock();
    }
}

bool ConverterPool::output_busy(const std::string& output_path) const {
    for (const auto& slot : slots_) {
        if (slot->state != State::Done && same_output(slot->job.file.output_path, output_path)) {
            return true;
        }
    }
    return false;
}

void ConverterPool::submit(Job job, const Deliver& deliver) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (workers_.empty()) {
        // No thread to hand it to: the caller's thread runs it, and it is delivered at once.
        slots_.push_back(std::make_unique<Slot>(Slot{std::move(job), State::Running, {}}));
        ++next_start_;
        Slot& slot = *slots_.back();
        lock.unlock();
        run(slot);
        lock.lock();
        slot.state = State::Done;
        deliver_ready(lock, deliver);
        return;
    }
    for (;;) {
        deliver_ready(lock, deliver);
        if (slots_.size() < capacity_ && !output_busy(job.file.output_path)) break;
        job_done_.wait(lock);
    }
    slots_.push_back(std::make_unique<Slot>(Slot{std::move(job), State::Queued, {}}));
    work_ready_.notify_one();
}

void ConverterPool::add_entry(Entry entry, const Deliver& deliver) {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        deliver_ready(lock, deliver);
        if (workers_.empty() || slots_.size() < capacity_) break;
        job_done_.wait(lock);
    }
    Job job;
    job.entry = std::move(entry);
    auto slot = std::make_unique<Slot>(Slot{std::move(job), State::Done, {}});
    slot->finished.started = true;
    slot->finished.converter = false;
    slots_.push_back(std::move(slot));
    deliver_ready(lock, deliver);
}

void ConverterPool::await_output(const std::string& output_path, const Deliver& deliver) {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        deliver_ready(lock, deliver);
        if (workers_.empty() || !output_busy(output_path)) return;
        job_done_.wait(lock);
    }
}

void ConverterPool::finish(const Deliver& deliver) {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        deliver_ready(lock, deliver);
        if (slots_.empty()) return;
        job_done_.wait(lock);
    }
}
