#include "tone_file.h"

#include "temp_dir.h"
#include "tone_text_buffer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <sys/stat.h>

namespace {

struct parsed {
    tone_slot slot;
    std::size_t fault_line = 0;
};

// Read as a tone file is: through the decoding of its text.
parsed parse(const std::string& bytes)
{
    parsed result;
    std::istringstream raw(bytes);
    tone_text_buffer text(*raw.rdbuf());
    std::istream in(&text);
    parse_tone_description(in, result.slot, result.fault_line);
    return result;
}

// The text as UTF-16 with its byte-order mark.
std::string utf16(const std::u16string& text, bool big_endian)
{
    std::string bytes;
    for (const char16_t unit : u"\uFEFF" + text) {
        const char high = static_cast<char>(unit >> 8);
        const char low = static_cast<char>(unit & 0xFF);
        bytes += big_endian ? std::string{high, low} : std::string{low, high};
    }
    return bytes;
}

struct sound_values {
    std::string kind;
    double center, half_width;
    std::int16_t amplitude;
    bool operator==(const sound_values&) const = default;
};

std::ostream& operator<<(std::ostream& out, const sound_values& v)
{
    return out << v.kind << " " << v.center << " " << v.half_width << " " << v.amplitude;
}

std::vector<sound_values> sounds_of(const tone_slot& slot)
{
    std::vector<sound_values> values;
    for (const auto& s : slot.sounds) {
        values.push_back({s->kind_name(), s->center, s->half_width, s->amplitude});
    }
    return values;
}

std::vector<sound_values> parse_sounds(const std::string& text)
{
    const parsed result = parse(text);
    EXPECT_EQ(result.fault_line, 0u) << text;
    return sounds_of(result.slot);
}

const std::vector<sound_values> one_sine = {{"sin wave", 2.5, 2.5, 16384}};

} // namespace

TEST(ParseToneDescription, ReadsEveryKindInFileOrder)
{
    const std::string text = "basefq: 440\n"
                             "sin wave: 1, 1, 1, 12000\n"
                             "sin wave: 1, 1, 2, 4000\n"
                             "middle notches: 1, 1, 3, 2000\n"
                             "forward notches: 1, 1, 3, -2000\n"
                             "backwawrd notches: 1, 1, 4, 1000\n";
    const std::vector<sound_values> expected = {{"sin wave", 1, 1, 12000},
                                                {"sin wave", 1, 1, 4000},
                                                {"middle notches", 1, 1, 2000},
                                                {"forward notches", 1, 1, -2000},
                                                {"backwawrd notches", 1, 1, 1000}};
    EXPECT_EQ(parse_sounds(text), expected);
}

TEST(ParseToneDescription, SeparatorsAreAnySingleCharacter)
{
    EXPECT_EQ(parse_sounds("sin wave: 2.5, 2.5, 1, 16384\n"), one_sine);
    EXPECT_EQ(parse_sounds("sin wave: 2.5;2.5;1;16384\n"), one_sine);
    EXPECT_EQ(parse_sounds("sin wave:2.5 , 2.5 , 1 , 16384\n"), one_sine);
    EXPECT_EQ(parse_sounds("sin wave: 2.5/2.5/1/16384 a remark, 1, 2\n"), one_sine);
    EXPECT_EQ(parse_sounds("sin wave, low: 25e-1, 2.5, 1, 16384"), one_sine);
    EXPECT_EQ(parse_sounds("sin wave: 2.5, 2.5, 1, 16384\r\nsquare: 1\r\n"), one_sine);
}

TEST(ParseToneDescription, SkipsLinesWithoutAKindNameAtTheirStart)
{
    EXPECT_EQ(parse_sounds("square: 1, 2, 3, 4\nSin wave: 2.5, 2.5, 1, 100\n"
                           "  sin wave: 2.5, 2.5, 1, 100\nbackward notches: 1, 1, 1, 100\n"
                           "sin wave: 2.5, 2.5, 1, 16384\nbasefq: 300\n"),
              one_sine);
    EXPECT_TRUE(parse_sounds("basefq: 300\n").empty());
    EXPECT_TRUE(parse_sounds("").empty());
}

TEST(ParseToneDescription, LineWithoutColonJoinsTheNextLine)
{
    EXPECT_TRUE(parse_sounds("\nsin wave: 2.5, 2.5, 1, 16384\n").empty());
    EXPECT_EQ(parse_sounds("sin wave\nanything: 2.5, 2.5, 1, 16384\n"), one_sine);
}

TEST(ParseToneDescription, EndOfFileCases)
{
    EXPECT_EQ(parse_sounds("sin wave: 2.5, 2.5, 1, 16384"), one_sine);
    EXPECT_EQ(parse_sounds("sin wave: 2.5, 2.5, 1, 16384\nsin wave"), one_sine);
}

TEST(ParseToneDescription, UnreadableInputKeepsEarlierSoundsAndNamesTheLine)
{
    struct fault {
        std::string text;
        std::size_t line;
    };
    const std::string good = "sin wave: 2.5, 2.5, 1, 16384\n";
    const fault faults[] = {
        {good + "sin wave: abc, 1, 1, 1\n" + good, 2},
        {good + "sin wave: 1 1 1 1\n", 2},
        {good + "sin wave: 1, 1, 1, 40000\n", 2},
        {good + "sin wave: 1, 1, 1, -32769\n", 2},
        {good + "sin wave: 1e400, 1, 1, 1\n", 2},
        {good + "sin wave: nan, 1, 1, 1\n", 2},
        {good + "sin wave: 1,\n", 2},
        {good + "sin wave: 1,\n\n\n\n", 2},
        {good + "sin wave: 1, 1, 1, 1\n" + std::string(256, 'x') + ": 1\n", 3},
        {good + "sin wave: 1, 1, 1, 1 " + std::string(300, 'r') + "\n" + good, 2},
        {"basefq: high\n" + good, 1},
    };
    for (const fault& f : faults) {
        const parsed result = parse(f.text);
        EXPECT_EQ(result.fault_line, f.line) << f.text;
        if (f.text.rfind("basefq", 0) != 0) {
            EXPECT_EQ(sounds_of(result.slot).front(), one_sine.front()) << f.text;
        }
        EXPECT_LE(result.slot.sounds.size(), 2u) << f.text;
    }
}

TEST(ParseToneDescription, FieldsOf255CharactersStillFit)
{
    EXPECT_EQ(parse_sounds(std::string(255, 'x') + ": 1\nsin wave: 2.5, 2.5, 1, 16384\n"), one_sine);
}

TEST(ParseToneDescription, EditorEncodingsReadAsTheSameText)
{
    EXPECT_EQ(parse_sounds("\xEF\xBB\xBFsin wave: 2.5, 2.5, 1, 16384\n"), one_sine);
    for (const bool big_endian : {false, true}) {
        EXPECT_EQ(parse_sounds(utf16(u"sin wave: 2.5, 2.5, 1, 16384\r\n", big_endian)), one_sine);
        // A character outside ASCII, a surrogate pair too, is one character
        // that ends a number and may serve as a separator.
        EXPECT_EQ(parse_sounds(utf16(u"sin wave: 2.5\u00e92.5\U0001F3B51\u00e916384", big_endian)),
                  one_sine);
        const std::u16string x254(254, u'x');
        EXPECT_EQ(parse_sounds(utf16(x254 + u"\U0001F3B5: 1\nsin wave: 2.5, 2.5, 1, 16384\n",
                                     big_endian)),
                  one_sine);
        EXPECT_EQ(parse(utf16(x254 + u"x\u00e9: 1\nsin wave: 2.5, 2.5, 1, 16384\n", big_endian))
                      .fault_line,
                  1u);
    }
}

TEST(ParseToneDescription, BinaryInputEnds)
{
    std::string noise;
    for (int i = 0; i < 4096; ++i) {
        noise += static_cast<char>((i * 7919) % 256);
    }
    parsed result = parse(noise);
    EXPECT_TRUE(result.slot.sounds.empty());
    result = parse(std::string("sin wave:\0\0\0", 12));
    EXPECT_TRUE(result.slot.sounds.empty());
    EXPECT_EQ(result.fault_line, 1u);
}

TEST(ReadToneFile, EverySlotGetsItsOwnTunedCopy)
{
    temp_dir dir;
    dir.write("organ.tgw", "basefq: 300\nsin wave: 2.5, 2.5, 7, 16384\nsquare: 1\n"
                           "backwawrd notches: 1, 1, 1, 100\n");
    tone_bank bank;
    ASSERT_TRUE(read_tone_file(bank, dir.file("organ.tgw").c_str(), 12, 44100.0, 440.0));
    ASSERT_EQ(bank.slots.size(), 128u);
    EXPECT_EQ(bank.sample_rate, 44100.0);
    for (std::size_t s = 0; s < 128; ++s) {
        const tone_slot& slot = bank.slots[s];
        ASSERT_EQ(slot.sounds.size(), 2u);
        EXPECT_EQ(slot.base_frequency, 440.0);
        const sound_t& first = *slot.sounds.front();
        const sound_t& second = *slot.sounds.back();
        EXPECT_EQ(first.harmonic, 1.0);
        EXPECT_EQ(second.harmonic, 2.0);
        const double factor = transposition_factor(static_cast<std::uint8_t>(s), 12);
        EXPECT_EQ(first.frequency, 440.0 * factor * 1.0);
        EXPECT_EQ(second.frequency, 440.0 * factor * 2.0);
    }
    EXPECT_NE(bank.slots[0].sounds.front().get(), bank.slots[1].sounds.front().get());
}

TEST(ReadToneFile, SixteenDivisionsDoubleEverySixteenSlots)
{
    temp_dir dir;
    dir.write("t.tgw", "sin wave: 1, 1, 1, 1\n");
    tone_bank bank;
    ASSERT_TRUE(read_tone_file(bank, dir.file("t.tgw").c_str(), 16, 44100.0, 440.0));
    EXPECT_EQ(bank.slots[16].sounds.front()->frequency, 880.0);
}

TEST(ReadToneFile, RebuildingReplacesThePreviousFilesSounds)
{
    temp_dir dir;
    dir.write("a.tgw", "sin wave: 1, 1, 1, 1\nsin wave: 1, 1, 1, 1\n");
    dir.write("b.tgw", "forward notches: 1, 1, 1, 1\n");
    tone_bank bank;
    ASSERT_TRUE(read_tone_file(bank, dir.file("a.tgw").c_str(), 12, 44100.0, 440.0));
    ASSERT_TRUE(read_tone_file(bank, dir.file("b.tgw").c_str(), 12, 44100.0, 220.0));
    for (const tone_slot& slot : bank.slots) {
        ASSERT_EQ(slot.sounds.size(), 1u);
        EXPECT_STREQ(slot.sounds.front()->kind_name(), "forward notches");
        EXPECT_EQ(slot.base_frequency, 220.0);
    }
}

TEST(ReadToneFile, MissingFileFailsSilently)
{
    tone_bank bank;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(read_tone_file(bank, "/nonexistent/x.tgw", 12, 44100.0, 440.0));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST(ReadToneFile, OnlyRegularFilesCanBeOpened)
{
    temp_dir dir;
    std::filesystem::create_directory(dir.file("folder.tgw"));
    ASSERT_EQ(mkfifo(dir.file("pipe.tgw").c_str(), 0644), 0);
    std::filesystem::create_symlink("/dev/null", dir.file("null.tgw"));
    dir.write("real.tgw", "sin wave: 1, 1, 1, 1\n");
    std::filesystem::create_symlink(dir.file("real.tgw"), dir.file("link.tgw"));
    tone_bank bank;
    testing::internal::CaptureStderr();
    for (const char* name : {"folder.tgw", "pipe.tgw", "null.tgw"}) {
        EXPECT_FALSE(read_tone_file(bank, dir.file(name).c_str(), 12, 44100.0, 440.0)) << name;
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_TRUE(read_tone_file(bank, dir.file("link.tgw").c_str(), 12, 44100.0, 440.0));
    EXPECT_EQ(bank.slots[127].sounds.size(), 1u);
}

TEST(ReadToneFile, UnreadableInputIsReportedOncePerFile)
{
    temp_dir dir;
    dir.write("bad.tgw", "sin wave: 1, 1, 1, 100\nsin wave: 1, 1, 1, 99999\n");
    tone_bank bank;
    testing::internal::CaptureStderr();
    EXPECT_TRUE(read_tone_file(bank, dir.file("bad.tgw").c_str(), 12, 44100.0, 440.0));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              dir.file("bad.tgw") + ": unreadable tone description at line 2.\n");
    for (const tone_slot& slot : bank.slots) {
        EXPECT_EQ(slot.sounds.size(), 1u);
    }
}
