#pragma once
#include <cstdint>

// The instrument's record of one slot's latest press.
struct key_state {
    // A slot number no key ever writes: a state never pressed stops nothing.
    static constexpr std::uint8_t no_slot = 0xFF;
    // NUL plays no slot: a state whose note no key holds.
    static constexpr unsigned char no_key = 0;

    std::uint32_t press_time = 0;
    std::uint8_t slot_number = no_slot;
    // The character of the key that started the slot's note, until the
    // note is stopped.
    unsigned char sounding_key = no_key;
};
