#pragma once
// How many frames an output buffers. It starts at the least that plays a
// key soonest, doubles after each gap the output notices (more than once
// when the gap shows a longer stall), up to a ceiling, and halves again
// after a calm while, never below the start: the right size depends on how
// late this machine wakes its realtime threads just now, which no constant
// knows. A size the user pinned never moves.
#include <chrono>
#include <cstdint>

class buffering_steps {
public:
    using clock = std::chrono::steady_clock;

    // Gaps within this while after a step up belong to the stall that
    // caused it.
    static constexpr auto settle = std::chrono::seconds(1);
    // Gaps within this while after the start belong to the player's own
    // start-up: its window and graphics libraries load just after the
    // output starts, and the render thread then misses deadlines on a busy
    // machine, if ever.
    static constexpr auto start_settle = std::chrono::seconds(5);
    // A while without a gap after which the size steps down.
    static constexpr auto calm = std::chrono::seconds(60);

    buffering_steps(std::uint32_t smallest, std::uint32_t largest, bool pinned);

    std::uint32_t frames() const { return frames_; }
    bool pinned() const { return pinned_; }

    // The output started playing at `now`.
    void started(clock::time_point now);
    // The output missed a deadline at `now`; `covering`, where the output
    // could measure the stall, is the size that would have held across it.
    // The size doubles, and doubles again while still short of `covering`,
    // up to the ceiling: one long stall is one gap, not one per doubling.
    // True when the size grew.
    bool after_gap(clock::time_point now, std::uint32_t covering = 0);
    // True when the size halved: neither a gap nor a step for a calm while.
    bool after_calm(clock::time_point now);

private:
    const std::uint32_t smallest_;
    const std::uint32_t largest_;
    const bool pinned_;
    std::uint32_t frames_;
    clock::time_point last_event_{};  // the last gap, start or step
    clock::time_point settled_{};     // gaps before it step nothing
};
