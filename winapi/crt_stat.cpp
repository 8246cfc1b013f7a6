// The runtime's stat with a 32-bit signed size, over the system's stat.
#include <sys/stat.h>

#include <cerrno>
#include <cstdint>

int _stat64i32(const char* path, struct _stat64i32* buffer)
{
    struct stat status {};
    if (stat(path, &status) != 0)
        return -1;
    if (status.st_size > INT32_MAX) {
        errno = EOVERFLOW;
        return -1;
    }
    buffer->st_mode = static_cast<unsigned short>(status.st_mode & 0xFFFF);
    buffer->st_size = static_cast<std::int32_t>(status.st_size);
    return 0;
}
