#include "bank_space.h"

#include "sample_files.h"

#include <iostream>
#include <limits>
#include <sys/stat.h>
#include <sys/statvfs.h>

namespace {

constexpr std::uint64_t no_limit = std::numeric_limits<std::uint64_t>::max();

std::uint64_t saturating_add(std::uint64_t left, std::uint64_t right)
{
    return right > no_limit - left ? no_limit : left + right;
}

std::uint64_t saturating_multiply(std::uint64_t left, std::uint64_t right)
{
    return right != 0 && left > no_limit / right ? no_limit : left * right;
}

// Size of the regular file at `name`, 0 when there is none.
std::uint64_t replaced_bytes(const std::string& name)
{
    struct stat status;
    if (::stat(name.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) {
        return 0;
    }
    return static_cast<std::uint64_t>(status.st_size);
}

std::string directory_of(const std::string& base_path)
{
    const std::size_t separator = base_path.rfind('/');
    if (separator == std::string::npos) {
        return ".";
    }
    return separator == 0 ? std::string("/") : base_path.substr(0, separator);
}

bool available_space(const std::string& directory, std::uint64_t& bytes)
{
    struct statvfs status;
    if (::statvfs(directory.c_str(), &status) != 0) {
        return false;
    }
    bytes = saturating_multiply(status.f_bavail, status.f_frsize);
    return true;
}

} // namespace

bank_space measure_bank_space(const tone_bank& bank, const std::string& base_path,
                              std::uint64_t available)
{
    bank_space space;
    space.free = available;
    std::uint64_t largest = 0;
    for (unsigned slot = 0; slot < slot_count; ++slot) {
        std::uint64_t samples = 0;
        // A span too long for a sample file leaves its file empty.
        const std::uint64_t bytes =
            slot_sample_count(bank.slots[slot], bank.sample_rate, samples) ? samples * 2 : 0;
        space.needed += bytes;
        largest = bytes > largest ? bytes : largest;
        space.free = saturating_add(space.free, replaced_bytes(sample_file_name(base_path, slot)));
    }
    space.free = space.free > largest ? space.free - largest : 0;
    return space;
}

bool bank_fits(const tone_bank& bank, const std::string& base_path)
{
    std::uint64_t available = 0;
    if (!available_space(directory_of(base_path), available)) {
        return true;
    }
    const bank_space space = measure_bank_space(bank, base_path, available);
    if (space.needed <= space.free) {
        return true;
    }
    std::cerr << base_path << ": not enough space: " << space.needed << " bytes needed, "
              << space.free << " bytes free." << std::endl;
    return false;
}
