#include "replacement_file.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The directory part of `name` with its trailing '/', empty for a bare name.
std::string directory_of(const std::string& name)
{
    const std::size_t separator = name.rfind('/');
    return separator == std::string::npos ? std::string() : name.substr(0, separator + 1);
}

bool is_directory(const std::string& name)
{
    struct stat status;
    return ::stat(name.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

// A new file with a short name of its own beside `name`: a name derived
// from `name` could exceed the file system's limit on one component.
// The mode is that of any new file, the umask applied.
int create_temporary(const std::string& name, std::string& temporary_name)
{
    static unsigned serial = 0;
    const std::string prefix = directory_of(name) + ".plessard-" + std::to_string(::getpid()) + "-";
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary_name = prefix + std::to_string(serial++);
        const int descriptor =
            ::open(temporary_name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (descriptor >= 0 || errno != EEXIST) {
            return descriptor;
        }
    }
    return -1;
}

// Allocating the whole file up front, rather than as its data is written
// back, spares the file system the allocation it would otherwise force at
// the rename over an earlier file. The size stays that of the bytes
// written. Where this cannot be done, the writes report any shortage.
void reserve(int descriptor, std::uint64_t bytes)
{
    if (bytes > 0 && bytes <= static_cast<std::uint64_t>(std::numeric_limits<off_t>::max())) {
        ::fallocate(descriptor, FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(bytes));
    }
}

} // namespace

replacement_file::~replacement_file()
{
    discard();
}

bool replacement_file::open(const std::string& name, std::span<char> buffer,
                            std::uint64_t expected_bytes)
{
    if (is_directory(name)) {
        return false;
    }
    const int descriptor = create_temporary(name, temporary_name_);
    if (descriptor < 0) {
        temporary_name_.clear();
        return false;
    }
    reserve(descriptor, expected_bytes);
    name_ = name;
    output_ = std::make_unique<output_file_buffer>(descriptor, buffer);
    return true;
}

bool replacement_file::commit()
{
    if (!output_->close() || std::rename(temporary_name_.c_str(), name_.c_str()) != 0) {
        discard();
        return false;
    }
    temporary_name_.clear();
    return true;
}

void replacement_file::discard()
{
    if (temporary_name_.empty()) {
        return;
    }
    if (output_) {
        output_->close();
    }
    ::unlink(temporary_name_.c_str());
    temporary_name_.clear();
}
