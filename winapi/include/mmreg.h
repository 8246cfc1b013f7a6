#pragma once
// Wave format records.
#include "guiddef.h"

constexpr WORD WAVE_FORMAT_PCM = 1;
constexpr DWORD SPEAKER_FRONT_LEFT = 0x1;

struct WAVEFORMATEX {
    WORD wFormatTag;
    WORD nChannels;
    DWORD nSamplesPerSec;
    DWORD nAvgBytesPerSec;
    WORD nBlockAlign;
    WORD wBitsPerSample;
    WORD cbSize;
};

struct WAVEFORMATEXTENSIBLE {
    WAVEFORMATEX Format;
    union {
        WORD wValidBitsPerSample;
    } Samples;
    DWORD dwChannelMask;
    GUID SubFormat;
};

inline constexpr GUID KSDATAFORMAT_SUBTYPE_PCM = {0x00000001, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
