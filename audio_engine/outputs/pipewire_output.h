#pragma once
// Output straight to a PipeWire daemon: a pw_stream that renders the mix in
// its process callback on PipeWire's realtime data thread, asking the
// graph for a small quantum that grows after a missed cycle and shrinks
// again after a calm while.
#include "audio_output.h"
#include "buffering_steps.h"

#include <pipewire/pipewire.h>
#include <spa/node/io.h>

#include <atomic>

class pipewire_output final : public audio_output {
public:
    pipewire_output();
    ~pipewire_output() override;
    pipewire_output(const pipewire_output&) = delete;
    pipewire_output& operator=(const pipewire_output&) = delete;

    bool start() override;
    bool open(const output_device& device, int channels, voice_mixer& mixer) override;
    bool playing() const override;
    void close() override;

private:
    // Connects a fresh core; false when the daemon does not answer in time.
    bool connect();
    // Waits, with the loop locked, for a signal of the loop or a few
    // milliseconds; false once the deadline has passed or opens are
    // interrupted.
    bool wait(const timespec& deadline);
    // Waits, with the loop locked, for the daemon to work through every
    // request sent so far.
    bool roundtrip(std::int64_t timeout_ns);
    bool read_devices();
    bool connect_stream(const output_device& device, int channels);
    // The loop's sources that step the quantum, off the data thread.
    bool add_step_sources();
    void remove_step_sources();
    // Asks the graph for the quantum `buffering_` holds now.
    void ask_for_quantum();
    // When the graph ran cycles without this stream since its last one, or
    // this cycle started longer than its whole length ago: how long the
    // stream stalled, in ns; else 0. Data thread.
    std::uint64_t missed_deadline_by(const spa_io_position& position);
    void note_stall(std::uint64_t stall_ns);

    static void on_core_done(void* self, std::uint32_t id, int seq);
    static void on_core_error(void* self, std::uint32_t id, int seq, int res, const char* message);
    static void on_stream_state(void* self, pw_stream_state old, pw_stream_state state, const char* error);
    static void on_process(void* self);
    static void on_io_changed(void* self, std::uint32_t id, void* area, std::uint32_t size);
    static void on_gap(void* self, std::uint64_t count);
    static void on_calm_check(void* self, std::uint64_t expirations);
    static const pw_core_events core_events_;
    static const pw_stream_events stream_events_;

    pw_thread_loop* loop_ = nullptr;
    pw_context* context_ = nullptr;
    pw_core* core_ = nullptr;
    spa_hook core_listener_{};
    pw_stream* stream_ = nullptr;
    spa_hook stream_listener_{};
    int done_seq_ = -1;  // loop's thread, under the loop's lock
    voice_mixer* mixer_ = nullptr;
    int channels_ = 0;
    // The stream the data thread renders into, published once the mixer
    // and channel count are set; null when not playing.
    std::atomic<pw_stream*> rendering_{nullptr};
    std::atomic<bool> lost_{true};
    // The loop's thread, under the loop's lock, and open() before the loop
    // runs.
    buffering_steps buffering_;
    spa_source* gap_event_ = nullptr;
    spa_source* calm_timer_ = nullptr;
    // The graph's clock, shared with the daemon; read on the data thread.
    std::atomic<spa_io_position*> position_{nullptr};
    std::uint64_t next_position_ = 0;  // data thread; 0 before its first cycle
    // The quantum, in frames, that would have held across the longest stall
    // not yet stepped for.
    std::atomic<std::uint32_t> stall_frames_{0};
};
