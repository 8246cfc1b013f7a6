// Feeds arbitrary bytes, decoded as a tone file's text, to the tone
// description reader: it must always end, never read out of bounds, and
// locate any fault within the input.
#include "tone_file.h"
#include "tone_text_buffer.h"

#include <algorithm>
#include <cstdlib>
#include <sstream>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::istringstream raw(text);
    tone_text_buffer decoded(*raw.rdbuf());
    std::istream in(&decoded);
    tone_slot slot;
    std::size_t fault_line = 0;
    parse_tone_description(in, slot, fault_line);

    // Every decoded line end has a byte 0x0A of its own in the input.
    const auto lines = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1;
    if (fault_line > lines) {
        std::abort();
    }
    for (const auto& sound : slot.sounds) {
        sound->value_at(sound->center);
    }
    return 0;
}
