#include <mmsystem.h>

#include <chrono>
#include <cstdint>

DWORD timeGetTime()
{
    const auto since_epoch = std::chrono::steady_clock::now().time_since_epoch();
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(since_epoch).count();
    // Unsigned conversion keeps the low 32 bits: the count wraps at 2^32.
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(ms));
}
