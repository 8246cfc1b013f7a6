#pragma once
// Little-endian 16-bit sample bytes, as the engine reads them.
#include <xaudio2.h>

#include <cstdint>
#include <vector>

inline std::vector<BYTE> pcm_bytes(const std::vector<std::int16_t>& samples)
{
    std::vector<BYTE> bytes;
    for (const std::int16_t sample : samples) {
        const auto word = static_cast<std::uint16_t>(sample);
        bytes.push_back(static_cast<BYTE>(word & 0xFF));
        bytes.push_back(static_cast<BYTE>(word >> 8));
    }
    return bytes;
}

// A buffer over all of bytes, looping for ever from its first frame.
inline XAUDIO2_BUFFER looping_buffer(const std::vector<BYTE>& bytes)
{
    XAUDIO2_BUFFER buffer{};
    buffer.AudioBytes = static_cast<UINT32>(bytes.size());
    buffer.pAudioData = bytes.data();
    buffer.LoopCount = XAUDIO2_LOOP_INFINITE;
    return buffer;
}
