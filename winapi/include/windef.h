#pragma once
// The integer types of the platform's API, with the widths the platform
// gives them.
#include <cstdint>

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT32 = std::uint32_t;
using ULONG = std::uint32_t;
using WCHAR = wchar_t;

// Result of every engine and COM call: negative values are failures.
using HRESULT = std::int32_t;
