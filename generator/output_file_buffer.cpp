#include "output_file_buffer.h"

#include <cstring>

output_file_buffer::output_file_buffer(os_file file, std::span<char> buffer)
    : file_(file),
      buffer_(buffer),
      next_(buffer_.data()),
      end_(buffer_.data() + buffer_.size())
{
}

bool output_file_buffer::flush()
{
    if (!failed_ && next_ > buffer_.data()) {
        failed_ = !write_file(file_, buffer_.data(), static_cast<std::size_t>(next_ - buffer_.data()));
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
