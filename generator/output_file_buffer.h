#pragma once
// A write buffer over a file descriptor that it owns, with an inline path
// for 16-bit samples: the renderer adds one sample at a time.
#include <cstdint>
#include <vector>

class output_file_buffer {
public:
    // Takes over the descriptor; writes go out in pieces of buffer_size
    // bytes (at least 2).
    output_file_buffer(int descriptor, std::size_t buffer_size);
    output_file_buffer(const output_file_buffer&) = delete;
    output_file_buffer& operator=(const output_file_buffer&) = delete;
    ~output_file_buffer();

    // Appends one sample, low byte first. False once a write has failed.
    bool put_sample(std::uint16_t sample)
    {
        if (end_ - next_ < 2 && !flush()) {
            return false;
        }
        char* const at = next_;
        at[0] = static_cast<char>(sample & 0xFF);
        at[1] = static_cast<char>(sample >> 8);
        next_ = at + 2;
        return true;
    }
    bool put_bytes(const char* bytes, std::size_t count);

    // Writes what is buffered and closes the file. False when any write
    // failed, now or earlier, or the close did.
    bool close();

private:
    bool flush();

    int descriptor_;
    std::vector<char> buffer_;
    char* next_;
    char* end_;
    bool failed_ = false;
};
