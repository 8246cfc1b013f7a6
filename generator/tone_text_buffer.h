#pragma once
// The text of a tone file as the reader takes it, whatever the editor saved:
// a UTF-8 byte-order mark is skipped, and UTF-16 with its byte-order mark
// (either byte order) becomes the same bytes as the equivalent ASCII text.
// A UTF-16 character outside ASCII becomes one `non_ascii_character`.
#include <array>
#include <streambuf>

inline constexpr char non_ascii_character = '?';

class tone_text_buffer final : public std::streambuf {
public:
    // Reads from `raw`, which must outlive this buffer.
    explicit tone_text_buffer(std::streambuf& raw) : raw_(raw) {}

protected:
    int_type underflow() override;

private:
    enum class encoding { undecided, bytes, utf16_little_endian, utf16_big_endian };

    // Reads the byte-order mark, keeping any bytes that turn out to be text.
    void detect_encoding();
    std::size_t decode_utf16(char* out, std::size_t room);
    // The next UTF-16 code unit, false at the end of the input.
    bool read_unit(unsigned& unit);
    // The next character, false at the end of the input.
    bool read_utf16_character(char& character);

    std::streambuf& raw_;
    encoding encoding_ = encoding::undecided;
    std::size_t kept_bytes_ = 0; // text bytes read while looking for a mark
    bool has_unread_unit_ = false; // a unit read to see whether it ends a pair
    unsigned unread_unit_ = 0;
    std::array<char, 4096> buffer_{};
};
