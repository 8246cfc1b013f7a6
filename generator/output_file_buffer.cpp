#include "output_file_buffer.h"

#include <cerrno>
#include <unistd.h>

output_file_buffer::output_file_buffer(int descriptor, std::size_t buffer_size)
    : descriptor_(descriptor), buffer_(buffer_size)
{
    setp(buffer_.data(), buffer_.data() + buffer_.size());
}

output_file_buffer::~output_file_buffer()
{
    close();
}

bool output_file_buffer::flush_buffer()
{
    const char* next = pbase();
    const char* const end = pptr();
    while (!failed_ && next < end) {
        const ssize_t written = ::write(descriptor_, next, static_cast<std::size_t>(end - next));
        if (written > 0) {
            next += written;
        } else if (written == 0 || errno != EINTR) {
            failed_ = true;
        }
    }
    setp(buffer_.data(), buffer_.data() + buffer_.size());
    return !failed_;
}

output_file_buffer::int_type output_file_buffer::overflow(int_type c)
{
    if (!flush_buffer()) {
        return traits_type::eof();
    }
    if (!traits_type::eq_int_type(c, traits_type::eof())) {
        *pptr() = traits_type::to_char_type(c);
        pbump(1);
    }
    return traits_type::not_eof(c);
}

int output_file_buffer::sync()
{
    return flush_buffer() ? 0 : -1;
}

bool output_file_buffer::close()
{
    if (descriptor_ < 0) {
        return !failed_;
    }
    flush_buffer();
    if (::close(descriptor_) != 0) {
        failed_ = true;
    }
    descriptor_ = -1;
    return !failed_;
}
