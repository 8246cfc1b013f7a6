#pragma once
// A scripted keyboard state in place of the window system's.
#include <string>
#include <vector>

namespace fake_keyboard {

// The keys held down, each as the characters it gives in its Shift states
// ("2@" for a US 2 key).
extern std::vector<std::string> held;

} // namespace fake_keyboard
