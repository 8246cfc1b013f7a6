#include "pipewire_output.h"

#include "pipewire_devices.h"

#include <spa/param/audio/format-utils.h>

#include <errno.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <span>
#include <time.h>

namespace {

constexpr std::int64_t answer_timeout_ns = 100 * SPA_NSEC_PER_MSEC;  // a missing daemon fails at once
constexpr std::int64_t stream_timeout_ns = 2 * SPA_NSEC_PER_SEC;
// How often a wait looks whether it is to give up.
constexpr std::int64_t wait_slice_ns = 5 * SPA_NSEC_PER_MSEC;
constexpr std::uint32_t output_rate = 44100;
// The graph runs at the smallest quantum its streams ask for, and a cycle
// the data thread misses is a gap. The stream starts at 128 frames, which
// plays a key in about 5 ms where realtime threads wake on time, and
// doubles after each miss up to 1024, which held a chord without a gap on
// two-core virtual machines that now and then wake them 10 to 20 ms late.
// PIPEWIRE_LATENCY, which libpipewire puts over the stream's own
// node.latency, pins it.
constexpr std::uint32_t smallest_quantum = 128;
constexpr std::uint32_t largest_quantum = 1024;
constexpr timespec calm_check_interval{1, 0};
// WAVEFORMATEXTENSIBLE's speaker order.
constexpr std::array<std::uint32_t, 8> positions = {SPA_AUDIO_CHANNEL_FL,  SPA_AUDIO_CHANNEL_FR, SPA_AUDIO_CHANNEL_FC,
                                                    SPA_AUDIO_CHANNEL_LFE, SPA_AUDIO_CHANNEL_RL, SPA_AUDIO_CHANNEL_RR,
                                                    SPA_AUDIO_CHANNEL_SL,  SPA_AUDIO_CHANNEL_SR};

spa_audio_info_raw format_of(int channels)
{
    spa_audio_info_raw format{};
    format.format = SPA_AUDIO_FORMAT_S16;
    format.rate = output_rate;
    format.channels = static_cast<std::uint32_t>(channels);
    if (channels == 1)
        format.position[0] = SPA_AUDIO_CHANNEL_MONO;
    else
        std::copy_n(positions.begin(), std::min<std::size_t>(positions.size(), format.channels), format.position);
    return format;
}

bool before(const timespec& one, const timespec& other)
{
    return one.tv_sec < other.tv_sec || (one.tv_sec == other.tv_sec && one.tv_nsec < other.tv_nsec);
}

}  // namespace

pipewire_output::pipewire_output()
    : buffering_(smallest_quantum, largest_quantum, std::getenv("PIPEWIRE_LATENCY") != nullptr)
{
    pw_init(nullptr, nullptr);
    // The console belongs to the program.
    pw_log_set_level(SPA_LOG_LEVEL_NONE);
}

pipewire_output::~pipewire_output()
{
    close();
}

void pipewire_output::on_core_done(void* self, std::uint32_t id, int seq)
{
    auto& output = *static_cast<pipewire_output*>(self);
    if (id == PW_ID_CORE) {
        output.done_seq_ = seq;
        pw_thread_loop_signal(output.loop_, false);
    }
}

// A broken connection is the daemon gone.
void pipewire_output::on_core_error(void* self, std::uint32_t id, int, int res, const char*)
{
    auto& output = *static_cast<pipewire_output*>(self);
    if (id == PW_ID_CORE && res == -EPIPE) {
        output.lost_ = true;
        pw_thread_loop_signal(output.loop_, false);
    }
}

void pipewire_output::on_stream_state(void* self, pw_stream_state, pw_stream_state state, const char*)
{
    auto& output = *static_cast<pipewire_output*>(self);
    if (state == PW_STREAM_STATE_ERROR || state == PW_STREAM_STATE_UNCONNECTED)
        output.lost_ = true;
    pw_thread_loop_signal(output.loop_, false);
}

std::uint64_t pipewire_output::missed_deadline_by(const spa_io_position& position)
{
    const spa_io_clock& clock = position.clock;
    std::uint64_t skipped =
        next_position_ != 0 && clock.position > next_position_ ? clock.position - next_position_ : 0;
    next_position_ = clock.position + clock.duration;
    if (clock.rate.num == 0 || clock.rate.denom == 0)
        return 0;
    // A jump of a second or more is another clock taking over the graph.
    if (skipped >= clock.rate.denom / clock.rate.num)
        skipped = 0;
    const auto in_ns = [&clock](std::uint64_t ticks) {
        return ticks * SPA_NSEC_PER_SEC * clock.rate.num / clock.rate.denom;
    };
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const std::uint64_t now_ns = static_cast<std::uint64_t>(now.tv_sec) * SPA_NSEC_PER_SEC + now.tv_nsec;
    const std::uint64_t late_ns = now_ns > clock.nsec ? now_ns - clock.nsec : 0;
    if (skipped == 0 && late_ns <= in_ns(clock.duration))
        return 0;
    return std::max<std::uint64_t>(in_ns(skipped), late_ns);
}

// Keeps the longest stall until the loop's thread takes it.
void pipewire_output::note_stall(std::uint64_t stall_ns)
{
    const auto frames = static_cast<std::uint32_t>(std::min<std::uint64_t>(
        stall_ns * output_rate / SPA_NSEC_PER_SEC + 1, std::numeric_limits<std::uint32_t>::max()));
    std::uint32_t longest = stall_frames_.load(std::memory_order_relaxed);
    while (frames > longest && !stall_frames_.compare_exchange_weak(longest, frames, std::memory_order_relaxed)) {
    }
}

// As many frames as the graph asks for, straight into the stream's buffer.
// A missed deadline is only signalled here: the quantum steps on the
// loop's thread.
void pipewire_output::on_process(void* self)
{
    auto& output = *static_cast<pipewire_output*>(self);
    pw_stream* stream = output.rendering_.load(std::memory_order_acquire);
    if (stream == nullptr)
        return;
    const spa_io_position* position = output.position_.load(std::memory_order_acquire);
    if (position != nullptr && output.gap_event_ != nullptr) {
        if (const std::uint64_t stall_ns = output.missed_deadline_by(*position)) {
            output.note_stall(stall_ns);
            pw_loop_signal_event(pw_thread_loop_get_loop(output.loop_), output.gap_event_);
        }
    }
    pw_buffer* buffer = pw_stream_dequeue_buffer(stream);
    if (buffer == nullptr)
        return;
    spa_data& data = buffer->buffer->datas[0];
    if (data.data != nullptr) {
        const std::uint32_t stride = static_cast<std::uint32_t>(output.channels_) * sizeof(std::int16_t);
        std::uint32_t frames = data.maxsize / stride;
        if (buffer->requested != 0)
            frames = static_cast<std::uint32_t>(std::min<std::uint64_t>(frames, buffer->requested));
        output.mixer_->render(std::span(static_cast<std::int16_t*>(data.data), std::size_t{frames} * output.channels_),
                              output.channels_);
        data.chunk->offset = 0;
        data.chunk->stride = static_cast<std::int32_t>(stride);
        data.chunk->size = frames * stride;
    }
    pw_stream_queue_buffer(stream, buffer);
}

void pipewire_output::on_io_changed(void* self, std::uint32_t id, void* area, std::uint32_t size)
{
    auto& output = *static_cast<pipewire_output*>(self);
    if (id == SPA_IO_Position)
        output.position_.store(area != nullptr && size >= sizeof(spa_io_position) ? static_cast<spa_io_position*>(area)
                                                                                   : nullptr,
                               std::memory_order_release);
}

void pipewire_output::on_gap(void* self, std::uint64_t)
{
    auto& output = *static_cast<pipewire_output*>(self);
    const std::uint32_t covering = output.stall_frames_.exchange(0, std::memory_order_relaxed);
    if (output.buffering_.after_gap(buffering_steps::clock::now(), covering))
        output.ask_for_quantum();
}

void pipewire_output::on_calm_check(void* self, std::uint64_t)
{
    auto& output = *static_cast<pipewire_output*>(self);
    if (output.buffering_.after_calm(buffering_steps::clock::now()))
        output.ask_for_quantum();
}

// Only the events listened to are set.
const pw_core_events pipewire_output::core_events_ = [] {
    pw_core_events events{};
    events.version = PW_VERSION_CORE_EVENTS;
    events.done = &pipewire_output::on_core_done;
    events.error = &pipewire_output::on_core_error;
    return events;
}();

const pw_stream_events pipewire_output::stream_events_ = [] {
    pw_stream_events events{};
    events.version = PW_VERSION_STREAM_EVENTS;
    events.state_changed = &pipewire_output::on_stream_state;
    events.process = &pipewire_output::on_process;
    events.io_changed = &pipewire_output::on_io_changed;
    return events;
}();

bool pipewire_output::wait(const timespec& deadline)
{
    timespec until{};
    pw_thread_loop_get_time(loop_, &until, wait_slice_ns);
    if (!before(until, deadline))
        until = deadline;
    pw_thread_loop_timed_wait_full(loop_, &until);
    timespec now{};
    pw_thread_loop_get_time(loop_, &now, 0);
    return before(now, deadline) && !opens_interrupted();
}

bool pipewire_output::roundtrip(std::int64_t timeout_ns)
{
    const int pending = pw_core_sync(core_, PW_ID_CORE, 0);
    timespec deadline{};
    pw_thread_loop_get_time(loop_, &deadline, timeout_ns);
    while (done_seq_ != pending && !lost_) {
        if (!wait(deadline))
            break;
    }
    return done_seq_ == pending;
}

bool pipewire_output::connect()
{
    loop_ = pw_thread_loop_new("pipewire-output", nullptr);
    if (loop_ == nullptr)
        return false;
    // The realtime module gives the data thread its priority.
    context_ = pw_context_new(pw_thread_loop_get_loop(loop_),
                              pw_properties_new(PW_KEY_CONFIG_NAME, "client-rt.conf", nullptr), 0);
    if (context_ == nullptr || pw_thread_loop_start(loop_) < 0)
        return false;
    pw_thread_loop_lock(loop_);
    core_ = pw_context_connect(context_, nullptr, 0);
    lost_ = core_ == nullptr;
    if (core_ != nullptr)
        pw_core_add_listener(core_, &core_listener_, &core_events_, this);
    const bool answered = core_ != nullptr && roundtrip(answer_timeout_ns);
    pw_thread_loop_unlock(loop_);
    return answered;
}

bool pipewire_output::read_devices()
{
    pw_thread_loop_lock(loop_);
    const bool answered = read_pipewire_devices(core_, [this] { return roundtrip(stream_timeout_ns); }, devices_);
    pw_thread_loop_unlock(loop_);
    return answered;
}

bool pipewire_output::start()
{
    const bool answered = connect();
    // The socket took the connection: the daemon is there, or on its way.
    const bool starting = !answered && core_ != nullptr && !lost_;
    const bool listed = answered && read_devices();
    close();
    if (starting)
        devices_ = {starting_server_output()};
    reached_server_ = listed || starting;
    return reached_server_;
}

namespace {

// node.latency's text for a quantum of `frames` at the output's rate.
std::array<char, 32> node_latency(std::uint32_t frames)
{
    std::array<char, 32> text{};
    char* end = std::to_chars(text.data(), text.data() + text.size() - 1, frames).ptr;
    *end++ = '/';
    std::to_chars(end, text.data() + text.size() - 1, output_rate);
    return text;
}

}  // namespace

void pipewire_output::ask_for_quantum()
{
    if (stream_ == nullptr)
        return;
    const auto latency = node_latency(buffering_.frames());
    const spa_dict_item item = SPA_DICT_ITEM_INIT(PW_KEY_NODE_LATENCY, latency.data());
    const spa_dict properties = SPA_DICT_INIT(&item, 1);
    pw_stream_update_properties(stream_, &properties);
}

bool pipewire_output::add_step_sources()
{
    pw_loop* loop = pw_thread_loop_get_loop(loop_);
    gap_event_ = pw_loop_add_event(loop, &pipewire_output::on_gap, this);
    calm_timer_ = pw_loop_add_timer(loop, &pipewire_output::on_calm_check, this);
    if (gap_event_ == nullptr || calm_timer_ == nullptr)
        return false;
    timespec first = calm_check_interval, interval = calm_check_interval;
    return pw_loop_update_timer(loop, calm_timer_, &first, &interval, false) >= 0;
}

void pipewire_output::remove_step_sources()
{
    for (spa_source** source : {&gap_event_, &calm_timer_}) {
        if (*source != nullptr)
            pw_loop_destroy_source(pw_thread_loop_get_loop(loop_), *source);
        *source = nullptr;
    }
}

bool pipewire_output::connect_stream(const output_device& device, int channels)
{
    if (!buffering_.pinned() && !add_step_sources())
        return false;
    const auto latency = node_latency(buffering_.frames());
    pw_properties* properties =
        pw_properties_new(PW_KEY_MEDIA_TYPE, "Audio", PW_KEY_MEDIA_CATEGORY, "Playback", PW_KEY_MEDIA_ROLE, "Music",
                          PW_KEY_NODE_LATENCY, latency.data(), nullptr);
    if (properties != nullptr && !device.id.empty())
        pw_properties_set(properties, PW_KEY_TARGET_OBJECT, device.id.c_str());
    stream_ = pw_stream_new(core_, "playback", properties);
    if (stream_ == nullptr)
        return false;
    pw_stream_add_listener(stream_, &stream_listener_, &stream_events_, this);
    rendering_.store(stream_, std::memory_order_release);

    std::array<std::uint8_t, 1024> pod{};
    spa_pod_builder builder{};
    spa_pod_builder_init(&builder, pod.data(), static_cast<std::uint32_t>(pod.size()));
    spa_audio_info_raw format = format_of(channels);
    const spa_pod* params[] = {spa_format_audio_raw_build(&builder, SPA_PARAM_EnumFormat, &format)};
    const auto flags = static_cast<pw_stream_flags>(PW_STREAM_FLAG_AUTOCONNECT | PW_STREAM_FLAG_MAP_BUFFERS |
                                                    PW_STREAM_FLAG_RT_PROCESS);
    if (pw_stream_connect(stream_, PW_DIRECTION_OUTPUT, PW_ID_ANY, flags, params, 1) < 0)
        return false;
    // Paused: the daemon has made the stream's node; the session manager
    // links it when it can.
    timespec deadline{};
    pw_thread_loop_get_time(loop_, &deadline, stream_timeout_ns);
    for (;;) {
        const pw_stream_state state = pw_stream_get_state(stream_, nullptr);
        if (state == PW_STREAM_STATE_PAUSED || state == PW_STREAM_STATE_STREAMING) {
            buffering_.started(buffering_steps::clock::now());
            return true;
        }
        if (lost_ || !wait(deadline))
            return false;
    }
}

bool pipewire_output::open(const output_device& device, int channels, voice_mixer& mixer)
{
    close();
    mixer_ = &mixer;
    channels_ = channels;
    next_position_ = 0;
    stall_frames_ = 0;
    if (!connect()) {
        lost_ = true;
        return false;
    }
    pw_thread_loop_lock(loop_);
    const bool connected = connect_stream(device, channels);
    lost_ = lost_ || !connected;
    pw_thread_loop_unlock(loop_);
    return connected;
}

bool pipewire_output::playing() const
{
    return !lost_;
}

void pipewire_output::close()
{
    rendering_.store(nullptr, std::memory_order_release);
    if (loop_ != nullptr)
        pw_thread_loop_stop(loop_);
    if (stream_ != nullptr)
        pw_stream_destroy(stream_);
    if (loop_ != nullptr)
        remove_step_sources();
    position_.store(nullptr, std::memory_order_release);
    if (core_ != nullptr)
        pw_core_disconnect(core_);
    if (context_ != nullptr)
        pw_context_destroy(context_);
    if (loop_ != nullptr)
        pw_thread_loop_destroy(loop_);
    stream_ = nullptr;
    core_ = nullptr;
    context_ = nullptr;
    loop_ = nullptr;
    done_seq_ = -1;
    lost_ = true;
}
