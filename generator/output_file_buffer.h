#pragma once
// A write buffer over a file descriptor that it owns. The renderer adds one
// 16-bit sample at a time, asking for room once per buffer rather than per
// sample.
#include <cstdint>
#include <span>

class output_file_buffer {
public:
    // Takes over the descriptor. `buffer` (at least 2 bytes) stays the
    // caller's and is used until close; writes go out in pieces of its size.
    output_file_buffer(int descriptor, std::span<char> buffer);
    output_file_buffer(const output_file_buffer&) = delete;
    output_file_buffer& operator=(const output_file_buffer&) = delete;
    ~output_file_buffer();

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

    // Writes what is buffered and closes the file. False when any write
    // failed, now or earlier, or the close did.
    bool close();

private:
    bool flush();

    int descriptor_;
    std::span<char> buffer_;
    char* next_;
    char* end_;
    bool failed_ = false;
};
