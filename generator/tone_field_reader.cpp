#include "tone_field_reader.h"

#include <algorithm>
#include <cctype>
#include <cstring>

bool tone_field_reader::read_until(char delimiter)
{
    in_.getline(field_, buffer_size, delimiter);
    const bool found = !in_.fail() && !in_.eof();
    const std::streamsize stored = in_.gcount() - (found ? 1 : 0);
    line_ += static_cast<std::size_t>(std::count(field_, field_ + stored, '\n'));
    if (found && delimiter == '\n') {
        ++line_;
    }
    return found;
}

bool tone_field_reader::read_field()
{
    return read_until(':');
}

bool tone_field_reader::skip_rest_of_line()
{
    return read_until('\n');
}

void tone_field_reader::skip_space()
{
    for (;;) {
        const int c = in_.peek();
        if (c == std::istream::traits_type::eof() || !std::isspace(c)) {
            return;
        }
        if (c == '\n') {
            ++line_;
        }
        in_.get();
    }
}

bool tone_field_reader::read_number(double& value)
{
    skip_space();
    in_ >> value;
    return !in_.fail();
}

bool tone_field_reader::read_separator()
{
    skip_space();
    char separator;
    return static_cast<bool>(in_.get(separator));
}

bool tone_field_reader::read_amplitude(std::int16_t& value)
{
    skip_space();
    in_ >> value;
    return !in_.fail();
}

bool tone_field_reader::field_starts_with(const char* prefix) const
{
    return std::strncmp(field_, prefix, std::strlen(prefix)) == 0;
}
