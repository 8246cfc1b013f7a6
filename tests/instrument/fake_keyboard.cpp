#include "fake_keyboard.h"

#include "key_is_down.h"

#include <algorithm>

namespace fake_keyboard {

std::vector<std::string> held;

} // namespace fake_keyboard

bool key_is_down(unsigned char character)
{
    return std::any_of(fake_keyboard::held.begin(), fake_keyboard::held.end(),
                       [&](const std::string& key) { return key.find(static_cast<char>(character)) != std::string::npos; });
}
