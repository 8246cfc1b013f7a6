// Figures for the audio output and the sample bank:
//   audio_bench latency   start-to-sound time of a voice against the period
//   audio_bench mixer     CPU time per second of output, 39 voices looping
//   audio_bench load BASE time and memory to load the bank at BASE
// Latency runs on SDL's dummy driver; this program stands between the
// engine and SDL_OpenAudioDevice to timestamp each buffer the engine
// renders. The mixer figure plays through the disk driver into /dev/null
// at the device's own pace.
#include "myxa2.h"
#include "pcm_bank.h"

#include <SDL.h>
#include <dlfcn.h>
#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

using clock_type = std::chrono::steady_clock;
constexpr double period_ms = 256 * 1000.0 / 44100;

std::vector<BYTE> constant_samples(std::size_t frames, std::int16_t value)
{
    std::vector<BYTE> bytes;
    for (std::size_t i = 0; i < frames; ++i) {
        bytes.push_back(static_cast<BYTE>(value & 0xFF));
        bytes.push_back(static_cast<BYTE>(value >> 8));
    }
    return bytes;
}

pcm_slot slot_over(const std::vector<BYTE>& bytes)
{
    pcm_slot slot{};
    slot.format.Format = {WAVE_FORMAT_PCM, 1, 44100, 88200, 2, 16, 0};
    slot.buffer.AudioBytes = static_cast<UINT32>(bytes.size());
    slot.buffer.pAudioData = bytes.data();
    slot.buffer.PlayLength = static_cast<UINT32>(bytes.size() / 2);
    slot.buffer.LoopCount = XAUDIO2_LOOP_INFINITE;
    return slot;
}

bool start_engine()
{
    myxa2 = new myxa2_state;
    return myxa2_init();
}

void stop_voice(pcm_slot& slot)
{
    slot.voice->Stop(0, XAUDIO2_COMMIT_NOW);
    slot.voice->FlushSourceBuffers();
    slot.voice->DestroyVoice();
    slot.voice = nullptr;
}

double ms_between(clock_type::time_point from, clock_type::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// Notes when the first rendered buffer carrying sound comes out.
struct render_watch {
    SDL_AudioCallback engine_fill = nullptr;
    void* engine = nullptr;
    std::atomic<bool> armed{false};
    std::atomic<bool> heard{false};
    std::atomic<bool> silent{false};
    std::atomic<clock_type::rep> heard_at{0};
    std::atomic<long> buffers{0};
    std::atomic<clock_type::rep> first_buffer{0}, last_buffer{0};
};
render_watch watch;

void SDLCALL timed_fill(void*, Uint8* stream, int length)
{
    watch.engine_fill(watch.engine, stream, length);
    const auto now = clock_type::now().time_since_epoch().count();
    if (watch.buffers++ == 0)
        watch.first_buffer = now;
    watch.last_buffer = now;
    const auto* samples = reinterpret_cast<const std::int16_t*>(stream);
    const bool sound = std::any_of(samples, samples + length / 2, [](std::int16_t s) { return s != 0; });
    watch.silent = !sound;
    if (sound && watch.armed.exchange(false)) {
        watch.heard_at = now;
        watch.heard = true;
    }
}

}  // namespace

// The engine's device opening, with the engine's callback wrapped.
extern "C" SDL_AudioDeviceID SDL_OpenAudioDevice(const char* device, int iscapture, const SDL_AudioSpec* desired,
                                                 SDL_AudioSpec* obtained, int allowed_changes)
{
    using open_function = SDL_AudioDeviceID (*)(const char*, int, const SDL_AudioSpec*, SDL_AudioSpec*, int);
    static const auto real_open = reinterpret_cast<open_function>(dlsym(RTLD_NEXT, "SDL_OpenAudioDevice"));
    SDL_AudioSpec wrapped = *desired;
    watch.engine_fill = desired->callback;
    watch.engine = desired->userdata;
    wrapped.callback = timed_fill;
    return real_open(device, iscapture, &wrapped, obtained, allowed_changes);
}

namespace {

clock_type::time_point at(clock_type::rep ticks)
{
    return clock_type::time_point(clock_type::duration(ticks));
}

int bench_latency()
{
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    if (!start_engine())
        return 1;
    const auto samples = constant_samples(441, 1000);
    pcm_slot slot = slot_over(samples);
    std::mt19937 random(7);
    std::vector<double> latencies;
    for (int trial = 0; trial < 200; ++trial) {
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 6000));
        watch.heard = false;
        watch.armed = true;
        const auto started = clock_type::now();
        myxa2_play(slot, &slot.format, &slot.buffer);
        while (!watch.heard)
            std::this_thread::sleep_for(std::chrono::microseconds(50));
        latencies.push_back(ms_between(started, at(watch.heard_at)));
        stop_voice(slot);
        while (!watch.silent)
            std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    const double measured_period = ms_between(at(watch.first_buffer), at(watch.last_buffer)) / (watch.buffers - 1);
    myxa2->master->DestroyVoice();
    std::sort(latencies.begin(), latencies.end());
    std::printf("start-to-sound latency over %zu starts: min %.2f ms, median %.2f ms, 95th %.2f ms, max %.2f ms\n",
                latencies.size(), latencies.front(), latencies[latencies.size() / 2],
                latencies[latencies.size() * 95 / 100], latencies.back());
    std::printf("device period: nominal %.2f ms (256 frames), measured %.2f ms; goal: max <= %.2f ms\n", period_ms,
                measured_period, period_ms + 1);
    return 0;
}

double cpu_seconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// CPU of the whole process while the device plays for the given time.
double cpu_percent_while_playing(std::chrono::seconds span)
{
    const double cpu_before = cpu_seconds();
    const auto wall_before = clock_type::now();
    std::this_thread::sleep_for(span);
    const double wall = ms_between(wall_before, clock_type::now()) / 1000;
    return 100 * (cpu_seconds() - cpu_before) / wall;
}

int bench_mixer()
{
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", "/dev/null", 1);
    if (!start_engine())
        return 1;
    constexpr auto span = std::chrono::seconds(10);
    const double idle = cpu_percent_while_playing(span);
    std::vector<std::vector<BYTE>> samples;
    std::vector<pcm_slot> slots;
    for (int key = 0; key < 39; ++key)
        samples.push_back(constant_samples(220500, static_cast<std::int16_t>(100 + key)));
    for (const auto& bytes : samples)
        slots.push_back(slot_over(bytes));
    for (pcm_slot& slot : slots)
        myxa2_play(slot, &slot.format, &slot.buffer);
    const double playing = cpu_percent_while_playing(span);
    for (pcm_slot& slot : slots)
        stop_voice(slot);
    myxa2->master->DestroyVoice();
    std::printf("engine CPU per second of output: %.3f%% of one core idle, %.3f%% with 39 voices looping "
                "(%.3f ms per second of output); goal < 1%%\n",
                idle, playing, playing * 10);
    return 0;
}

long resident_kib()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

int bench_load(char* base)
{
    char program[] = "audio_bench";
    char* argv[] = {program, base, nullptr};
    const long rss_before = resident_kib();
    const auto started = clock_type::now();
    load_bank(2, argv);
    const double took = ms_between(started, clock_type::now());
    unsigned long long bytes = 0;
    for (const pcm_slot& slot : pcm_slots)
        bytes += slot.buffer.AudioBytes;
    std::printf("%.2f ms for %llu bytes, resident memory grew by %ld KiB (%.3f x the bytes)\n", took, bytes,
                resident_kib() - rss_before, (resident_kib() - rss_before) * 1024.0 / static_cast<double>(bytes));
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string mode = argc >= 2 ? argv[1] : "";
    if (mode == "latency")
        return bench_latency();
    if (mode == "mixer")
        return bench_mixer();
    if (mode == "load" && argc >= 3)
        return bench_load(argv[2]);
    std::cerr << "usage: audio_bench latency | mixer | load BASE" << std::endl;
    return 2;
}
