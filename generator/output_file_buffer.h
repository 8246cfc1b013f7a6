#pragma once
// A write buffer over a file descriptor that it owns.
#include <streambuf>
#include <vector>

class output_file_buffer final : public std::streambuf {
public:
    // Takes over the descriptor; writes go out in pieces of buffer_size.
    output_file_buffer(int descriptor, std::size_t buffer_size);
    output_file_buffer(const output_file_buffer&) = delete;
    output_file_buffer& operator=(const output_file_buffer&) = delete;
    ~output_file_buffer() override;

    // Writes what is buffered and closes the file. False when any write
    // failed, now or earlier, or the close did.
    bool close();

protected:
    int_type overflow(int_type c) override;
    int sync() override;

private:
    bool flush_buffer();

    int descriptor_;
    std::vector<char> buffer_;
    bool failed_ = false;
};
