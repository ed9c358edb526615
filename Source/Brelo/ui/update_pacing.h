// When the log box may be brought up to date again during a run: often enough to follow, never so
// often that the updates take the window's thread from everything else.
#pragma once

#include <chrono>

// Paces the log box's updates. An edit control lays out and paints what it gains, and under some
// systems an update grows dearer as the text grows; waiting a multiple of the last update's cost
// keeps the box's share of the window's thread bounded however long the log gets.
class UpdatePacing {
public:
    using Clock = std::chrono::steady_clock;

    // At least this long between updates.
    static constexpr std::chrono::milliseconds shortest_wait{100};
    // Never longer than this, however dear an update was: the log must still move.
    static constexpr std::chrono::milliseconds longest_wait{2000};
    // The wait is at least this many times the last update's length.
    static constexpr int cost_factor = 20;

    // Whether an update is due at `now`; true before the first one.
    bool due(Clock::time_point now) const { return !started_ || now >= next_; }

    // An update ran from `begun` to `ended`; the next is due after the wait it earned.
    void updated(Clock::time_point begun, Clock::time_point ended) {
        auto wait = (ended - begun) * cost_factor;
        if (wait < shortest_wait) wait = shortest_wait;
        if (wait > longest_wait) wait = longest_wait;
        next_ = ended + std::chrono::duration_cast<Clock::duration>(wait);
        started_ = true;
    }

    // A new run starts with an update due at once.
    void reset() { started_ = false; }

private:
    bool started_ = false;
    Clock::time_point next_{};
};
