#pragma once
// The order in which XAudio2 2.7 lists output devices.
#include <cstddef>
#include <string>
#include <vector>

// Positions in `active_ids` (the system's active outputs, in its order):
// the default output first, then every other one.
std::vector<std::size_t> device_order(const std::vector<std::wstring>& active_ids, const std::wstring& default_id);
