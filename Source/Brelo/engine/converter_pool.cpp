// The pool that runs a run's converters side by side.
#include "engine/converter_pool.h"

#include <system_error>

#include "platform/platform.h"

ConverterPool::ConverterPool(int workers, std::size_t backlog, ConverterWatch& watch,
                             std::function<bool()> stop_requested, EntryReceiver& receiver)
    : watch_(watch),
      stop_requested_(std::move(stop_requested)),
      receiver_(receiver),
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
    QueueEntry& entry = slot.entry;
    entry.started = !stop_requested_();
    if (!entry.started) return;
    entry.record.end = convert_file(
        entry.job,
        [&slot](const char* text, std::size_t length) { slot.console.append(text, length); },
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

void ConverterPool::deliver(Slot& slot) {
    QueueEntry& entry = slot.entry;
    if (entry.kind == EntryKind::Converter && entry.started) {
        receiver_.converter_started(entry);
        slot.console.hand_on([this](const std::string& piece) { receiver_.converter_text(piece); });
    }
    receiver_.entry_done(entry);
}

void ConverterPool::deliver_ready(std::unique_lock<std::mutex>& lock) {
    while (!slots_.empty() && slots_.front()->state == State::Done) {
        std::unique_ptr<Slot> slot = std::move(slots_.front());
        slots_.pop_front();
        // An entry that runs nothing may leave before the workers have passed it.
        if (next_start_ > 0) --next_start_;
        lock.unlock();
        deliver(*slot);
        lock.lock();
    }
}

bool ConverterPool::output_busy(const std::string& output_path) const {
    for (const auto& slot : slots_) {
        if (slot->state != State::Done && paths_equal(slot->entry.job.output_path, output_path)) {
            return true;
        }
    }
    return false;
}

void ConverterPool::add(QueueEntry entry) {
    const bool converter = entry.kind == EntryKind::Converter;
    std::unique_lock<std::mutex> lock(mutex_);
    if (workers_.empty()) {
        // No thread to hand it to: the caller's thread runs it, and it is delivered at once.
        slots_.push_back(std::make_unique<Slot>(Slot{std::move(entry), State::Running, {}}));
        ++next_start_;
        Slot& slot = *slots_.back();
        lock.unlock();
        if (converter) run(slot);
        lock.lock();
        slot.state = State::Done;
        deliver_ready(lock);
        return;
    }
    for (;;) {
        deliver_ready(lock);
        if (slots_.size() < capacity_ && !(converter && output_busy(entry.job.output_path))) break;
        job_done_.wait(lock);
    }
    slots_.push_back(std::make_unique<Slot>(
        Slot{std::move(entry), converter ? State::Queued : State::Done, {}}));
    if (converter) {
        work_ready_.notify_one();
    } else {
        deliver_ready(lock);
    }
}

void ConverterPool::await_output(const std::string& output_path) {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        deliver_ready(lock);
        if (workers_.empty() || !output_busy(output_path)) return;
        job_done_.wait(lock);
    }
}

void ConverterPool::finish() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        deliver_ready(lock);
        if (slots_.empty()) return;
        job_done_.wait(lock);
    }
}
