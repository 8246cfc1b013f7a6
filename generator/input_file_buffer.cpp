#include "input_file_buffer.h"

input_file_buffer::~input_file_buffer()
{
    if (file_ != no_file) {
        close_file(file_);
    }
}

bool input_file_buffer::open_regular(const char* path)
{
    return open_regular_file(path, file_);
}

input_file_buffer::int_type input_file_buffer::underflow()
{
    if (gptr() < egptr()) {
        return traits_type::to_int_type(*gptr());
    }
    const std::size_t count = read_file(file_, buffer_.data(), buffer_.size());
    if (count == 0) {
        return traits_type::eof();
    }
    setg(buffer_.data(), buffer_.data(), buffer_.data() + count);
    return traits_type::to_int_type(*gptr());
}
