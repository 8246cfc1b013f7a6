#pragma once
// Output straight to a PulseAudio server (or PipeWire's pulse layer): a
// threaded main loop and one playback stream whose write callback renders
// the mix on the loop's thread, raised to realtime where allowed. Its
// buffering grows after an underflow and shrinks again after a calm while.
#include "audio_output.h"
#include "buffering_steps.h"

#include <pulse/pulseaudio.h>

#include <sys/types.h>

#include <atomic>

class pulseaudio_output final : public audio_output {
public:
    pulseaudio_output();
    ~pulseaudio_output() override;
    pulseaudio_output(const pulseaudio_output&) = delete;
    pulseaudio_output& operator=(const pulseaudio_output&) = delete;

    bool start() override;
    bool open(const output_device& device, int channels, voice_mixer& mixer) override;
    bool playing() const override;
    void close() override;

private:
    // Connects a fresh context; false when the server does not answer in time.
    bool connect();
    // Waits on the locked loop until done(), the server's answer is late,
    // the server is lost or opens are interrupted.
    template <typename Done> bool wait_for(Done done, pa_usec_t timeout);
    // Waits on the locked loop for a signal, or the timeout at most.
    void wait_at_most(pa_usec_t timeout);
    bool read_devices();
    bool connect_stream(const output_device& device, int channels);
    // What the stream asks of the server for the buffering it holds now.
    pa_buffer_attr buffer_attributes() const;
    // Asks the server for it on the stream that plays.
    void ask_for_buffering();
    void start_calm_checks();

    static void on_context_state(pa_context* context, void* self);
    static void on_stream_state(pa_stream* stream, void* self);
    static void on_write(pa_stream* stream, std::size_t bytes, void* self);
    static void on_timeout(pa_mainloop_api* api, pa_time_event* event, const struct timeval* when, void* self);
    static void on_underflow(pa_stream* stream, void* self);
    static void on_calm_check(pa_mainloop_api* api, pa_time_event* event, const struct timeval* when, void* self);

    pa_threaded_mainloop* loop_ = nullptr;
    pa_context* context_ = nullptr;
    pa_stream* stream_ = nullptr;
    voice_mixer* mixer_ = nullptr;
    int channels_ = 0;
    bool server_starting_ = false;  // connect()'s caller
    // The loop's thread, which renders: known once the context has
    // changed state.
    std::atomic<pid_t> loop_thread_{0};
    std::atomic<bool> lost_{true};
    // The loop's thread, under the loop's lock, and open() before the loop
    // runs.
    buffering_steps buffering_;
    pa_time_event* calm_timer_ = nullptr;
    buffering_steps::clock::time_point last_write_{};  // loop's thread
};
