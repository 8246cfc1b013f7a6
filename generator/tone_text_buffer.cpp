#include "tone_text_buffer.h"

namespace {

using traits = std::streambuf::traits_type;

constexpr unsigned replacement_unit = 0xFFFD;

bool is_high_surrogate(unsigned unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool is_low_surrogate(unsigned unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

} // namespace

void tone_text_buffer::detect_encoding()
{
    // A byte that does not continue a mark is text, kept for the reader.
    const int first = raw_.sgetc();
    if (first == 0xFF || first == 0xFE) {
        raw_.sbumpc();
        if (raw_.sgetc() == (first == 0xFF ? 0xFE : 0xFF)) {
            raw_.sbumpc();
            encoding_ = first == 0xFF ? encoding::utf16_little_endian : encoding::utf16_big_endian;
            return;
        }
        buffer_[kept_bytes_++] = static_cast<char>(first);
    } else {
        static constexpr int utf8_mark[] = {0xEF, 0xBB, 0xBF};
        for (int mark_byte : utf8_mark) {
            if (raw_.sgetc() != mark_byte) {
                break;
            }
            buffer_[kept_bytes_++] = static_cast<char>(raw_.sbumpc());
        }
        if (kept_bytes_ == std::size(utf8_mark)) {
            kept_bytes_ = 0;
        }
    }
    encoding_ = encoding::bytes;
}

bool tone_text_buffer::read_unit(unsigned& unit)
{
    if (has_unread_unit_) {
        has_unread_unit_ = false;
        unit = unread_unit_;
        return true;
    }
    const int first = raw_.sbumpc();
    if (first == traits::eof()) {
        return false;
    }
    const int second = raw_.sbumpc();
    // A last byte without its partner counts as a character outside ASCII.
    if (second == traits::eof()) {
        unit = replacement_unit;
        return true;
    }
    const bool little_endian = encoding_ == encoding::utf16_little_endian;
    unit = static_cast<unsigned>(little_endian ? second << 8 | first : first << 8 | second);
    return true;
}

bool tone_text_buffer::read_utf16_character(char& character)
{
    unsigned unit;
    if (!read_unit(unit)) {
        return false;
    }
    character = unit < 0x80 ? static_cast<char>(unit) : non_ascii_character;
    // A surrogate pair is one character; a lone half counts as one too.
    unsigned next;
    if (is_high_surrogate(unit) && read_unit(next) && !is_low_surrogate(next)) {
        has_unread_unit_ = true;
        unread_unit_ = next;
    }
    return true;
}

tone_text_buffer::int_type tone_text_buffer::underflow()
{
    if (gptr() < egptr()) {
        return traits::to_int_type(*gptr());
    }
    if (encoding_ == encoding::undecided) {
        detect_encoding();
    }
    std::size_t count = kept_bytes_;
    kept_bytes_ = 0;
    if (encoding_ == encoding::bytes) {
        count += static_cast<std::size_t>(raw_.sgetn(buffer_.data() + count,
                                                    static_cast<std::streamsize>(buffer_.size() - count)));
    } else {
        while (count < buffer_.size() && read_utf16_character(buffer_[count])) {
            ++count;
        }
    }
    if (count == 0) {
        return traits::eof();
    }
    setg(buffer_.data(), buffer_.data(), buffer_.data() + count);
    return traits::to_int_type(*gptr());
}
