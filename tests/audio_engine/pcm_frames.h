#pragma once
// Little-endian 16-bit sample bytes, as the engine reads them.
#include "mix/voice_playback.h"

#include <cstdint>
#include <vector>

inline std::vector<std::uint8_t> pcm_bytes(const std::vector<std::int16_t>& samples)
{
    std::vector<std::uint8_t> bytes;
    for (const std::int16_t sample : samples) {
        const auto word = static_cast<std::uint16_t>(sample);
        bytes.push_back(static_cast<std::uint8_t>(word & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(word >> 8));
    }
    return bytes;
}

// A buffer over all of bytes, looping for ever from its first frame.
inline submitted_buffer looping_buffer(const std::vector<std::uint8_t>& bytes)
{
    submitted_buffer buffer{};
    buffer.samples = bytes.data();
    buffer.bytes = static_cast<std::uint32_t>(bytes.size());
    buffer.loop_count = loop_forever;
    return buffer;
}
