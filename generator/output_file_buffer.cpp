#include "output_file_buffer.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

output_file_buffer::output_file_buffer(int descriptor, std::span<char> buffer)
    : descriptor_(descriptor),
      buffer_(buffer),
      next_(buffer_.data()),
      end_(buffer_.data() + buffer_.size())
{
}

output_file_buffer::~output_file_buffer()
{
    close();
}

bool output_file_buffer::flush()
{
    const char* written_to = buffer_.data();
    while (!failed_ && written_to < next_) {
        const ssize_t written =
            ::write(descriptor_, written_to, static_cast<std::size_t>(next_ - written_to));
        if (written > 0) {
            written_to += written;
        } else if (written == 0 || errno != EINTR) {
            failed_ = true;
        }
    }
    next_ = buffer_.data();
    return !failed_;
}

std::size_t output_file_buffer::sample_room()
{
    if (end_ - next_ < 2 && !flush()) {
        return 0;
    }
    return static_cast<std::size_t>(end_ - next_) / 2;
}

bool output_file_buffer::put_bytes(const char* bytes, std::size_t count)
{
    while (count > 0) {
        if (next_ == end_ && !flush()) {
            return false;
        }
        const std::size_t room = static_cast<std::size_t>(end_ - next_);
        const std::size_t piece = count < room ? count : room;
        std::memcpy(next_, bytes, piece);
        next_ += piece;
        bytes += piece;
        count -= piece;
    }
    return !failed_;
}

bool output_file_buffer::close()
{
    if (descriptor_ < 0) {
        return !failed_;
    }
    flush();
    if (::close(descriptor_) != 0) {
        failed_ = true;
    }
    descriptor_ = -1;
    return !failed_;
}
