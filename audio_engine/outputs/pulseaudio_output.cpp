#include "pulseaudio_output.h"

#include "realtime_thread.h"

#include <pulse/rtclock.h>

#include <errno.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <span>

namespace {

constexpr std::uint32_t output_rate = 44100;
// The server's first answer; a missing server fails at once.
constexpr pa_usec_t answer_timeout = 100 * PA_USEC_PER_MSEC;
// A stream asks for more than a bare answer of the server.
constexpr pa_usec_t stream_timeout = 2 * PA_USEC_PER_SEC;
// With PA_STREAM_ADJUST_LATENCY the target is the whole latency, sink
// included: the server asks the sink for (target - 2 x request) / 2 and
// keeps the rest buffered for the stream, asking for more each time a
// request has played. Whatever the request, the stream then rides out a
// stall of its render thread of half the target. Requests of a quarter of
// the target give the sink a quarter. The target starts at 256 frames,
// which plays a key in about 5 ms where realtime threads wake on time, and
// doubles after each underflow up to 2048, which rides out the 20 ms
// stalls of a two-core virtual machine as PipeWire's largest quantum
// does. PULSE_LATENCY_MSEC, which libpulse puts over every stream's
// attributes, pins it.
constexpr std::uint32_t smallest_target = 256;
constexpr std::uint32_t largest_target = 2048;
constexpr std::uint32_t requests_per_target = 4;
constexpr pa_usec_t calm_check_interval = PA_USEC_PER_SEC;
// How often a wait looks whether it is to give up.
constexpr pa_usec_t wait_slice = 5 * PA_USEC_PER_MSEC;
constexpr std::uint32_t server_default = UINT32_MAX;

const char* device_name(const output_device& device)
{
    return device.id.empty() ? nullptr : device.id.c_str();
}

bool is_over(pa_context_state_t state)
{
    return state == PA_CONTEXT_FAILED || state == PA_CONTEXT_TERMINATED;
}

// The socket took the connection and the server has not answered yet.
bool is_starting(pa_context_state_t state)
{
    return state == PA_CONTEXT_AUTHORIZING || state == PA_CONTEXT_SETTING_NAME;
}

bool is_over(pa_stream_state_t state)
{
    return state == PA_STREAM_FAILED || state == PA_STREAM_TERMINATED;
}

struct listing {
    std::string default_sink;
    std::vector<output_device> sinks;
    int answers = 0;  // of the two queries
};

void on_server_info(pa_context*, const pa_server_info* info, void* data)
{
    auto& found = *static_cast<listing*>(data);
    if (info != nullptr && info->default_sink_name != nullptr)
        found.default_sink = info->default_sink_name;
    ++found.answers;
}

void on_sink_info(pa_context*, const pa_sink_info* info, int last, void* data)
{
    auto& found = *static_cast<listing*>(data);
    if (last != 0) {
        ++found.answers;
        return;
    }
    const char* name = info->description != nullptr ? info->description : info->name;
    found.sinks.push_back({info->name, name, std::max(1, static_cast<int>(info->channel_map.channels))});
}

}  // namespace

pulseaudio_output::pulseaudio_output()
    : buffering_(smallest_target, largest_target, std::getenv("PULSE_LATENCY_MSEC") != nullptr)
{
}

pulseaudio_output::~pulseaudio_output()
{
    close();
}

void pulseaudio_output::on_context_state(pa_context* context, void* self)
{
    auto& output = *static_cast<pulseaudio_output*>(self);
    output.loop_thread_ = gettid();
    if (is_over(pa_context_get_state(context)))
        output.lost_ = true;
    pa_threaded_mainloop_signal(output.loop_, 0);
}

void pulseaudio_output::on_stream_state(pa_stream* stream, void* self)
{
    auto& output = *static_cast<pulseaudio_output*>(self);
    if (is_over(pa_stream_get_state(stream)))
        output.lost_ = true;
    pa_threaded_mainloop_signal(output.loop_, 0);
}

void pulseaudio_output::on_timeout(pa_mainloop_api*, pa_time_event*, const struct timeval*, void* self)
{
    auto& output = *static_cast<pulseaudio_output*>(self);
    pa_threaded_mainloop_signal(output.loop_, 0);
}

// The render thread last wrote before the stall that let the stream run
// dry, so the time since then tells how long a target would have held.
void pulseaudio_output::on_underflow(pa_stream*, void* self)
{
    auto& output = *static_cast<pulseaudio_output*>(self);
    const auto now = buffering_steps::clock::now();
    const auto stall = std::chrono::duration_cast<std::chrono::microseconds>(now - output.last_write_);
    const auto covering = static_cast<std::uint32_t>(
        std::min<std::int64_t>(2 * stall.count() * output_rate / PA_USEC_PER_SEC + 1, largest_target));
    if (output.buffering_.after_gap(now, covering))
        output.ask_for_buffering();
}

void pulseaudio_output::on_calm_check(pa_mainloop_api* api, pa_time_event* event, const struct timeval*, void* self)
{
    auto& output = *static_cast<pulseaudio_output*>(self);
    if (output.buffering_.after_calm(buffering_steps::clock::now()))
        output.ask_for_buffering();
    timeval next{};
    api->time_restart(event, pa_timeval_add(pa_gettimeofday(&next), calm_check_interval));
}

// Renders straight into the server's memory block, as much as it asks for.
void pulseaudio_output::on_write(pa_stream* stream, std::size_t bytes, void* self)
{
    auto& output = *static_cast<pulseaudio_output*>(self);
    output.last_write_ = buffering_steps::clock::now();
    const std::size_t frame_bytes = static_cast<std::size_t>(output.channels_) * sizeof(std::int16_t);
    void* data = nullptr;
    if (pa_stream_begin_write(stream, &data, &bytes) < 0 || data == nullptr)
        return;
    const std::size_t frames = bytes / frame_bytes;
    if (frames == 0) {
        pa_stream_cancel_write(stream);
        return;
    }
    output.mixer_->render(std::span(static_cast<std::int16_t*>(data), frames * output.channels_), output.channels_);
    pa_stream_write(stream, data, frames * frame_bytes, nullptr, 0, PA_SEEK_RELATIVE);
}

template <typename Done>
bool pulseaudio_output::wait_for(Done done, pa_usec_t timeout)
{
    const pa_usec_t deadline = pa_rtclock_now() + timeout;
    while (!done() && !lost_ && !opens_interrupted()) {
        const pa_usec_t now = pa_rtclock_now();
        if (now >= deadline)
            break;
        wait_at_most(std::min(deadline - now, wait_slice));
    }
    return done();
}

void pulseaudio_output::wait_at_most(pa_usec_t timeout)
{
    pa_mainloop_api* api = pa_threaded_mainloop_get_api(loop_);
    timeval at{};
    pa_timeval_add(pa_gettimeofday(&at), timeout);
    pa_time_event* timer = api->time_new(api, &at, &pulseaudio_output::on_timeout, this);
    pa_threaded_mainloop_wait(loop_);
    api->time_free(timer);
}

bool pulseaudio_output::connect()
{
    loop_ = pa_threaded_mainloop_new();
    if (loop_ == nullptr)
        return false;
    context_ = pa_context_new(pa_threaded_mainloop_get_api(loop_), program_invocation_short_name);
    if (context_ == nullptr)
        return false;
    lost_ = false;
    pa_context_set_state_callback(context_, &pulseaudio_output::on_context_state, this);
    if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
        return false;
    if (pa_threaded_mainloop_start(loop_) < 0)
        return false;
    pa_threaded_mainloop_lock(loop_);
    const bool ready =
        wait_for([this] { return pa_context_get_state(context_) == PA_CONTEXT_READY; }, answer_timeout);
    server_starting_ = !ready && is_starting(pa_context_get_state(context_));
    pa_threaded_mainloop_unlock(loop_);
    return ready;
}

bool pulseaudio_output::read_devices()
{
    listing found;
    pa_threaded_mainloop_lock(loop_);
    pa_operation* server = pa_context_get_server_info(context_, &on_server_info, &found);
    pa_operation* sinks = pa_context_get_sink_info_list(context_, &on_sink_info, &found);
    const bool answered = server != nullptr && sinks != nullptr &&
                          wait_for([&found] { return found.answers == 2; }, stream_timeout);
    for (pa_operation* operation : {server, sinks}) {
        if (operation != nullptr) {
            pa_operation_cancel(operation);
            pa_operation_unref(operation);
        }
    }
    pa_threaded_mainloop_unlock(loop_);
    if (!answered)
        return false;
    devices_ = default_first(found.sinks, found.default_sink);
    return true;
}

bool pulseaudio_output::start()
{
    const bool answered = connect();
    const bool starting = !answered && server_starting_;
    const bool listed = answered && read_devices();
    close();
    if (starting)
        devices_ = {starting_server_output()};
    reached_server_ = listed || starting;
    return reached_server_;
}

pa_buffer_attr pulseaudio_output::buffer_attributes() const
{
    const std::uint32_t frame_bytes = static_cast<std::uint32_t>(channels_) * sizeof(std::int16_t);
    const std::uint32_t target = buffering_.frames();
    return {server_default, target * frame_bytes, server_default, target / requests_per_target * frame_bytes,
            server_default};
}

void pulseaudio_output::ask_for_buffering()
{
    const pa_buffer_attr attributes = buffer_attributes();
    if (pa_operation* asked = pa_stream_set_buffer_attr(stream_, &attributes, nullptr, nullptr))
        pa_operation_unref(asked);
}

void pulseaudio_output::start_calm_checks()
{
    pa_mainloop_api* api = pa_threaded_mainloop_get_api(loop_);
    timeval at{};
    calm_timer_ = api->time_new(api, pa_timeval_add(pa_gettimeofday(&at), calm_check_interval),
                                &pulseaudio_output::on_calm_check, this);
}

bool pulseaudio_output::connect_stream(const output_device& device, int channels)
{
    const pa_sample_spec spec{PA_SAMPLE_S16NE, output_rate, static_cast<std::uint8_t>(channels)};
    pa_channel_map map{};
    pa_channel_map_init_extend(&map, spec.channels, PA_CHANNEL_MAP_WAVEEX);
    stream_ = pa_stream_new(context_, "playback", &spec, &map);
    if (stream_ == nullptr)
        return false;
    pa_stream_set_state_callback(stream_, &pulseaudio_output::on_stream_state, this);
    pa_stream_set_write_callback(stream_, &pulseaudio_output::on_write, this);
    if (!buffering_.pinned()) {
        pa_stream_set_underflow_callback(stream_, &pulseaudio_output::on_underflow, this);
        start_calm_checks();
    }
    const pa_buffer_attr attributes = buffer_attributes();
    if (pa_stream_connect_playback(stream_, device_name(device), &attributes, PA_STREAM_ADJUST_LATENCY, nullptr,
                                   nullptr) < 0)
        return false;
    const bool ready = wait_for([this] { return pa_stream_get_state(stream_) == PA_STREAM_READY; }, stream_timeout);
    buffering_.started(buffering_steps::clock::now());
    return ready;
}

bool pulseaudio_output::open(const output_device& device, int channels, voice_mixer& mixer)
{
    close();
    mixer_ = &mixer;
    channels_ = channels;
    if (!connect()) {
        lost_ = true;
        return false;
    }
    pa_threaded_mainloop_lock(loop_);
    const bool connected = connect_stream(device, channels);
    // A loss seen meanwhile stays.
    lost_ = lost_ || !connected;
    pa_threaded_mainloop_unlock(loop_);
    // Asking RTKit may take a while: the loop renders meanwhile.
    if (connected && loop_thread_ != 0)
        raise_to_realtime(loop_thread_);
    return connected;
}

bool pulseaudio_output::playing() const
{
    return !lost_;
}

void pulseaudio_output::close()
{
    if (loop_ != nullptr)
        pa_threaded_mainloop_stop(loop_);
    if (calm_timer_ != nullptr)
        pa_threaded_mainloop_get_api(loop_)->time_free(calm_timer_);
    calm_timer_ = nullptr;
    if (stream_ != nullptr) {
        pa_stream_disconnect(stream_);
        pa_stream_unref(stream_);
    }
    if (context_ != nullptr) {
        pa_context_disconnect(context_);
        pa_context_unref(context_);
    }
    if (loop_ != nullptr)
        pa_threaded_mainloop_free(loop_);
    stream_ = nullptr;
    context_ = nullptr;
    loop_ = nullptr;
    server_starting_ = false;
    loop_thread_ = 0;
    lost_ = true;
}
