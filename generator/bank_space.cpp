#include "bank_space.h"

#include "os_files.h"
#include "paths.h"
#include "sample_file_layout.h"

#include <iostream>
#include <limits>

namespace {

std::uint64_t saturating_add(std::uint64_t left, std::uint64_t right)
{
    constexpr std::uint64_t no_limit = std::numeric_limits<std::uint64_t>::max();
    return right > no_limit - left ? no_limit : left + right;
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
        space.free = saturating_add(space.free, regular_file_size(sample_file_name(base_path, slot)));
    }
    space.free = space.free > largest ? space.free - largest : 0;
    return space;
}

bool bank_fits(const tone_bank& bank, const std::string& base_path)
{
    std::uint64_t available = 0;
    if (!free_space(directory_of(base_path), available)) {
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
