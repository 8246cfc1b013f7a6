#include "input_file_buffer.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

input_file_buffer::~input_file_buffer()
{
    if (descriptor_ >= 0) {
        ::close(descriptor_);
    }
}

bool input_file_buffer::open_regular(const char* path)
{
    // O_NONBLOCK keeps the open of a FIFO from waiting for a writer; the
    // type is then checked on the opened file itself, so nothing can swap
    // the file between the check and the reading. On a regular file the
    // flag changes nothing.
    const int descriptor = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0) {
        return false;
    }
    struct stat status;
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(descriptor);
        return false;
    }
    descriptor_ = descriptor;
    return true;
}

input_file_buffer::int_type input_file_buffer::underflow()
{
    if (gptr() < egptr()) {
        return traits_type::to_int_type(*gptr());
    }
    ssize_t count;
    do {
        count = ::read(descriptor_, buffer_.data(), buffer_.size());
    } while (count < 0 && errno == EINTR);
    if (count <= 0) {
        return traits_type::eof();
    }
    setg(buffer_.data(), buffer_.data(), buffer_.data() + count);
    return traits_type::to_int_type(*gptr());
}
