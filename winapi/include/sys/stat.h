// The system's file status header, plus the runtime's 32-bit-size variant
// of stat that the player uses for sample file sizes.
#pragma once
#pragma GCC system_header
#include_next <sys/stat.h>

#include <cstdint>

// The runtime's file-type bits, which have the same values as the system's.
#ifndef _S_IFMT
#define _S_IFMT 0xF000
#define _S_IFREG 0x8000
#endif

struct _stat64i32 {
    unsigned short st_mode;
    std::int32_t st_size;
};

// Fills *buffer and returns 0; returns -1 with errno set when the file
// cannot be queried, or EOVERFLOW when its size does not fit st_size.
int _stat64i32(const char* path, struct _stat64i32* buffer);
