#include "key_slot_table.h"

#include <string_view>

namespace {

// Two piano-like pairs of rows of a JIS keyboard: keys[s] plays slot s, and
// each of slots 15 to 18 is reached from both pairs.
constexpr std::string_view lower_keyboard = "zsxcfvgbnjmk,l./:\\]";
constexpr std::string_view upper_keyboard = "q2w3er5t6y7ui9o0p@^[";
constexpr std::size_t upper_first_slot = 15;
constexpr unsigned char escape = 0x1B;

constexpr std::array<std::uint8_t, 256> build_table()
{
    std::array<std::uint8_t, 256> table{};
    for (std::size_t slot = 0; slot < lower_keyboard.size(); ++slot)
        table[static_cast<unsigned char>(lower_keyboard[slot])] = static_cast<std::uint8_t>(slot + first_slot_entry);
    for (std::size_t i = 0; i < upper_keyboard.size(); ++i)
        table[static_cast<unsigned char>(upper_keyboard[i])] =
            static_cast<std::uint8_t>(upper_first_slot + i + first_slot_entry);
    table[escape] = quit_key_entry;
    return table;
}

} // namespace

const std::array<std::uint8_t, 256> key_slot_table = build_table();
