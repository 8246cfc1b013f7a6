#pragma once
// Reads a tone description field by field, keeping the current line number
// so that unreadable input can be located.
#include <cstdint>
#include <istream>

class tone_field_reader {
public:
    explicit tone_field_reader(std::istream& in) : in_(in) {}

    // Text up to the next ':' (consumed, not kept), across line ends.
    // False at the end of the input or on a field too long for the buffer.
    bool read_field();
    // Drops the text up to and including the next '\n'.
    bool skip_rest_of_line();

    bool read_number(double& value);
    // Skips white space and takes exactly one character, whatever it is.
    bool read_separator();
    bool read_amplitude(std::int16_t& value);

    // True when the current field begins with `prefix`.
    bool field_starts_with(const char* prefix) const;
    // A field or line too long to read, as opposed to the end of the input.
    bool faulted() const { return in_.fail() && !in_.eof(); }
    std::size_t line() const { return line_; }

private:
    static constexpr std::streamsize buffer_size = 256;

    bool read_until(char delimiter);
    void skip_space();

    std::istream& in_;
    char field_[buffer_size] = {};
    std::size_t line_ = 1;
};
