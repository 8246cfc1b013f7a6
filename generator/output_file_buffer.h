#pragma once
// A write buffer over an open file. The renderer adds one 16-bit sample at
// a time, asking for room once per buffer rather than per sample.
#include "os_files.h"

#include <cstdint>
#include <span>

class output_file_buffer {
public:
    // The file and `buffer` (at least 2 bytes) stay the caller's; writes go
    // out in pieces of the buffer's size.
    output_file_buffer(os_file file, std::span<char> buffer);
    output_file_buffer(const output_file_buffer&) = delete;
    output_file_buffer& operator=(const output_file_buffer&) = delete;

    // How many samples fit in the buffer before it must be written out,
    // writing it out first when it is full; 0 once a write has failed.
    std::size_t sample_room();
    // Appends one sample, low byte first, within the room reported.
    void put_sample(std::uint16_t sample)
    {
        char* const at = next_;
        at[0] = static_cast<char>(sample & 0xFF);
        at[1] = static_cast<char>(sample >> 8);
        next_ = at + 2;
    }
    bool put_bytes(const char* bytes, std::size_t count);
    // False once a write has failed.
    bool good() const { return !failed_; }

    // Writes out what is buffered. False when any write failed, now or
    // earlier.
    bool flush();

private:
    os_file file_;
    std::span<char> buffer_;
    char* next_;
    char* end_;
    bool failed_ = false;
};
