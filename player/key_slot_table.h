#pragma once
// Which slot each key character plays.
#include <array>
#include <cstdint>

// Entries: quit_key_entry for the quit key, slot + first_slot_entry for a
// key that plays a slot, anything below first_slot_entry for a key that
// plays nothing.
constexpr std::uint8_t quit_key_entry = 255;
constexpr std::uint8_t first_slot_entry = 9;

// Indexed by the key character as an unsigned 8-bit code.
extern const std::array<std::uint8_t, 256> key_slot_table;
