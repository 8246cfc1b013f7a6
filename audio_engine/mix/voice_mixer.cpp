#include "voice_mixer.h"

#include <algorithm>
#include <array>

namespace {

constexpr std::size_t chunk_frames = 256;
constexpr int mixed_channels = 2;
constexpr std::size_t minimum_capacity = 16;

std::int16_t saturate(std::int64_t sum)
{
    return static_cast<std::int16_t>(std::clamp<std::int64_t>(sum, INT16_MIN, INT16_MAX));
}

}  // namespace

std::unique_lock<priority_inheriting_mutex> voice_mixer::hold()
{
    return std::unique_lock(lock_);
}

// The list grows into storage allocated before the lock is taken, and its
// old storage is freed after the lock is let go, so that the render never
// waits on the allocator.
void voice_mixer::add(voice_playback& voice)
{
    std::vector<voice_playback*> spare;  // destroyed after `held`
    std::unique_lock held(lock_);
    while (voices_.size() == voices_.capacity()) {
        const std::size_t wanted = 2 * voices_.size() + minimum_capacity;
        held.unlock();
        spare.reserve(wanted);
        held.lock();
        if (voices_.size() == voices_.capacity() && spare.capacity() > voices_.size()) {
            spare.assign(voices_.begin(), voices_.end());
            voices_.swap(spare);
        }
    }
    voices_.push_back(&voice);
}

void voice_mixer::remove(voice_playback& voice)
{
    std::scoped_lock held(lock_);
    std::erase(voices_, &voice);
}

void voice_mixer::render(std::span<std::int16_t> out, int channels)
{
    const std::size_t width = static_cast<std::size_t>(channels);
    const std::size_t frames = out.size() / width;
    std::array<std::int64_t, chunk_frames> mix;
    std::scoped_lock held(lock_);
    for (std::size_t first = 0; first < frames; first += chunk_frames) {
        const std::size_t count = std::min(chunk_frames, frames - first);
        const std::span<std::int64_t> chunk(mix.data(), count);
        std::ranges::fill(chunk, 0);
        for (voice_playback* voice : voices_)
            mix_voice(*voice, chunk);
        for (std::size_t i = 0; i < count; ++i) {
            const std::int16_t sample = saturate(chunk[i]);
            for (std::size_t c = 0; c < width; ++c)
                out[(first + i) * width + c] = c < mixed_channels ? sample : 0;
        }
    }
}
