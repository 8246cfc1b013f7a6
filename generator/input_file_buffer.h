#pragma once
// A read buffer over a file, opened only for regular files.
#include "os_files.h"

#include <array>
#include <streambuf>

class input_file_buffer final : public std::streambuf {
public:
    input_file_buffer() = default;
    input_file_buffer(const input_file_buffer&) = delete;
    input_file_buffer& operator=(const input_file_buffer&) = delete;
    ~input_file_buffer() override;

    // Opens the file for reading. False when it cannot be opened or is not
    // a regular file (a directory, FIFO or device); opening never blocks.
    bool open_regular(const char* path);

protected:
    int_type underflow() override;

private:
    os_file file_ = no_file;
    std::array<char, 4096> buffer_{};
};
