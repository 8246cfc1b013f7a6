#include "key_is_down.h"

#include <windows.h>

// The key is found in the keyboard layout of the calling thread, the
// window's, and its state read from the keyboard as it is now.
bool key_is_down(unsigned char character)
{
    const SHORT key = VkKeyScanA(static_cast<CHAR>(character));
    // Both bytes are set when no key of the layout gives the character.
    if (LOBYTE(key) == 0xFF && HIBYTE(key) == 0xFF)
        return false;
    return (GetAsyncKeyState(LOBYTE(key)) & 0x8000) != 0;
}
