#include "sample_files.h"

#include "file_size_limit.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <limits>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr double rate = 44100.0;

void add(tone_slot& slot, std::size_t kind, double start, double end, double frequency = 1.0,
         std::int16_t amplitude = 16384)
{
    auto sound = create_sound(kind);
    sound->center = (start + end) / 2;
    sound->half_width = (end - start) / 2;
    sound->frequency = frequency;
    sound->amplitude = amplitude;
    slot.sounds.push_back(std::move(sound));
}

std::string render(const tone_slot& slot)
{
    std::ostringstream out;
    EXPECT_TRUE(render_slot(slot, rate, out));
    EXPECT_TRUE(out.good());
    return out.str();
}

std::int16_t sample(const std::string& bytes, std::size_t n)
{
    const auto lo = static_cast<unsigned char>(bytes[2 * n]);
    const auto hi = static_cast<unsigned char>(bytes[2 * n + 1]);
    return static_cast<std::int16_t>(lo | hi << 8);
}

bool all_zero(const std::string& bytes, std::size_t from, std::size_t to)
{
    return bytes.find_first_not_of('\0', from) >= to;
}

tone_bank one_sine_per_slot()
{
    tone_bank bank;
    bank.sample_rate = rate;
    bank.size_slots();
    for (tone_slot& slot : bank.slots) {
        add(slot, 0, 0.0, 0.01, 440.0);
    }
    return bank;
}

std::size_t entries_in(const std::string& directory)
{
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(directory)) {
        ++count;
    }
    return count;
}

std::string slot_file(const temp_dir& dir, int slot)
{
    return dir.file("bank." + std::to_string(slot) + ".pcm");
}

// Writes the bank under dir/bank in a child process whose files cannot grow
// past `limit` bytes. Returns the child's exit status (0 when the writer
// returned true, 1 when false); its standard error lands in `err`.
int write_with_file_size_limit(const tone_bank& bank, const temp_dir& dir, rlim_t limit,
                               std::string& err)
{
    const std::string err_path = dir.path() + ".stderr";
    const pid_t child = fork();
    if (child == 0) {
        const int err_file = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int null = open("/dev/null", O_WRONLY);
        if (err_file < 0 || null < 0 || dup2(err_file, STDERR_FILENO) < 0 ||
            dup2(null, STDOUT_FILENO) < 0 || !limit_file_size(limit)) {
            _exit(127);
        }
        _exit(bank.write_sample_files(dir.file("bank")) ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    err = read_file(err_path);
    std::filesystem::remove(err_path);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

TEST(RenderSlot, DefaultToneIsFiveSecondsStartingAtZero)
{
    tone_slot slot;
    add(slot, 0, 0.0, 5.0, 440.0);
    const std::string bytes = render(slot);
    ASSERT_EQ(bytes.size(), 441000u);
    EXPECT_EQ(sample(bytes, 0), 0);
    EXPECT_EQ(sample(bytes, 1), 1026);
}

TEST(RenderSlot, SpanIsTheTimeCommonToAllSounds)
{
    tone_slot overlapping;
    add(overlapping, 2, 0.0, 2.0);
    add(overlapping, 2, 1.0, 3.0);
    const std::string bytes = render(overlapping);
    ASSERT_EQ(bytes.size(), 88200u * 2);
    EXPECT_TRUE(all_zero(bytes, 0, 88200));
    // At n = 44100 (t = 1) the first sound is a full period in, the second at its start.
    EXPECT_EQ(sample(bytes, 44100), static_cast<std::int16_t>(-16384 - 16384));

    tone_slot apart;
    add(apart, 0, 0.0, 1.0);
    add(apart, 0, 2.0, 3.0);
    const std::string silence = render(apart);
    EXPECT_EQ(silence.size(), 88200u * 2);
    EXPECT_TRUE(all_zero(silence, 0, silence.size()));
}

TEST(RenderSlot, MixWrapsAroundIn16Bits)
{
    tone_slot two;
    add(two, 3, 0.0, 1.0);
    add(two, 3, 0.0, 1.0);
    const std::string bytes = render(two);
    EXPECT_EQ(bytes.substr(0, 2), std::string("\x00\x80", 2));

    tone_slot three;
    for (int i = 0; i < 3; ++i) {
        add(three, 3, 0.0, 1.0, 1.0, 20000);
    }
    EXPECT_EQ(sample(render(three), 0), -5536);
}

TEST(RenderSlot, BytesAreLittleEndianWithoutTranslation)
{
    tone_slot slot;
    add(slot, 3, 0.0, 1.0, 1.0, 10);
    EXPECT_EQ(render(slot).substr(0, 2), std::string("\x0A\x00", 2));
}

TEST(RenderSlot, EmptyAndTinySpansWriteNothing)
{
    EXPECT_TRUE(render(tone_slot{}).empty());
    tone_slot tiny;
    add(tiny, 0, 0.0, 0.00001);
    EXPECT_TRUE(render(tiny).empty());
}

TEST(RenderSlot, TimesBelowZeroCountAsZero)
{
    tone_slot before_origin;
    add(before_origin, 0, -1.5, -0.5);
    EXPECT_TRUE(render(before_origin).empty());

    tone_slot straddling;
    add(straddling, 2, -1.0, 1.0);
    const std::string bytes = render(straddling);
    ASSERT_EQ(bytes.size(), 44100u * 2);
    EXPECT_EQ(sample(bytes, 0), -16384); // a whole period in at t = 0

    tone_slot undefined;
    add(undefined, 0, std::numeric_limits<double>::quiet_NaN(), 1.0);
    EXPECT_TRUE(render(undefined).empty());
}

TEST(RenderSlot, RefusesSpansTooLongForASampleFile)
{
    for (double end : {1e9, std::numeric_limits<double>::infinity(),
                       static_cast<double>(max_samples_per_file + 1) / rate}) {
        tone_slot slot;
        add(slot, 0, 0.0, end);
        std::ostringstream out;
        EXPECT_FALSE(render_slot(slot, rate, out)) << end;
        EXPECT_TRUE(out.str().empty());
    }
    tone_slot late_start;
    add(late_start, 0, 1e9, 1e9 + 1);
    std::ostringstream out;
    EXPECT_FALSE(render_slot(late_start, rate, out));
}

TEST(WriteSampleFiles, WritesAndNamesAll128Files)
{
    temp_dir dir;
    const tone_bank bank = one_sine_per_slot();
    testing::internal::CaptureStdout();
    EXPECT_TRUE(bank.write_sample_files(dir.file("bank")));
    const std::string names = testing::internal::GetCapturedStdout();
    std::string expected;
    for (int s = 0; s < 128; ++s) {
        expected += dir.file("bank." + std::to_string(s) + ".pcm") + "\n";
        EXPECT_EQ(std::filesystem::file_size(dir.file("bank." + std::to_string(s) + ".pcm")), 882u);
    }
    EXPECT_EQ(names, expected);
    EXPECT_EQ(entries_in(dir.path()), 128u) << "a temporary file was left behind";
}

TEST(WriteSampleFiles, FilesHoldWhatTheStreamRenderingHolds)
{
    temp_dir dir;
    tone_bank bank;
    bank.sample_rate = rate;
    bank.size_slots();
    for (tone_slot& slot : bank.slots) {
        add(slot, 0, 0.5, 2.0, 3.0, 30000);
        add(slot, 1, 0.0, 2.0, 5.0, 20000);
        add(slot, 3, 0.25, 1.5, 7.0, -12345);
    }
    testing::internal::CaptureStdout();
    ASSERT_TRUE(bank.write_sample_files(dir.file("bank")));
    testing::internal::GetCapturedStdout();
    const std::string expected = render(bank.slots[0]);
    ASSERT_EQ(expected.size(), 66150u * 2);
    EXPECT_TRUE(read_file(slot_file(dir, 0)) == expected) << "the file differs from the stream";
}

TEST(WriteSampleFiles, MissingDirectoryStopsAtOnceAndSaysSo)
{
    temp_dir dir;
    const tone_bank bank = one_sine_per_slot();
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    EXPECT_FALSE(bank.write_sample_files(dir.file("missing/bank")));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              dir.file("missing/bank") + ".0.pcm: can't write file.\n");
}

TEST(WriteSampleFiles, UnopenableSlotStopsTheBankThere)
{
    temp_dir dir;
    std::filesystem::create_directory(dir.file("bank.5.pcm"));
    const tone_bank bank = one_sine_per_slot();
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    EXPECT_FALSE(bank.write_sample_files(dir.file("bank")));
    std::string names;
    for (int s = 0; s < 5; ++s) {
        names += slot_file(dir, s) + "\n";
    }
    EXPECT_EQ(testing::internal::GetCapturedStdout(), names);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), dir.file("bank.5.pcm") + ": can't write file.\n");
    for (int s = 0; s < 5; ++s) {
        EXPECT_EQ(std::filesystem::file_size(dir.file("bank." + std::to_string(s) + ".pcm")), 882u);
    }
    EXPECT_FALSE(file_exists(dir.file("bank.6.pcm")));
}

TEST(WriteSampleFiles, CutOffWriteLeavesTheEarlierFileAndStopsTheBank)
{
    temp_dir dir;
    dir.write("bank.2.pcm", "earlier take");
    tone_bank bank = one_sine_per_slot();
    // 88,200 bytes: the first 64 KiB reach the file, the rest fail (EFBIG).
    bank.slots[2].sounds.front()->half_width = 0.5;
    bank.slots[2].sounds.front()->center = 0.5;
    std::string err;
    EXPECT_EQ(write_with_file_size_limit(bank, dir, 65536, err), 1);
    EXPECT_EQ(err, slot_file(dir, 2) + ": can't write file.\n");
    EXPECT_TRUE(read_file(slot_file(dir, 2)) == "earlier take") << "the earlier file was changed";
    EXPECT_EQ(std::filesystem::file_size(slot_file(dir, 1)), 882u);
    EXPECT_FALSE(file_exists(slot_file(dir, 3)));
    EXPECT_EQ(entries_in(dir.path()), 3u) << "a temporary file was left behind";
}

TEST(WriteSampleFiles, CutOffWriteOfANewFileLeavesNoFile)
{
    temp_dir dir;
    tone_bank bank = one_sine_per_slot();
    bank.slots[0].sounds.front()->half_width = 0.5;
    bank.slots[0].sounds.front()->center = 0.5;
    std::string err;
    EXPECT_EQ(write_with_file_size_limit(bank, dir, 65536, err), 1);
    EXPECT_EQ(err, slot_file(dir, 0) + ": can't write file.\n");
    EXPECT_EQ(entries_in(dir.path()), 0u);
}

TEST(WriteSampleFiles, OversizedSlotIsLeftEmptyAndTheRestWritten)
{
    temp_dir dir;
    dir.write("bank.3.pcm", "earlier take");
    tone_bank bank = one_sine_per_slot();
    bank.slots[3].sounds.front()->half_width = 1e9;
    bank.slots[3].sounds.front()->center = 1e9;
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    EXPECT_FALSE(bank.write_sample_files(dir.file("bank")));
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              dir.file("bank.3.pcm") + ": sound span too long for a sample file.\n");
    EXPECT_EQ(std::filesystem::file_size(dir.file("bank.3.pcm")), 0u);
    EXPECT_EQ(std::filesystem::file_size(dir.file("bank.127.pcm")), 882u);
}

TEST(WriteSampleFiles, NamesUsePlainDecimalSlotNumbers)
{
    EXPECT_EQ(sample_file_name("pcm/test", 0), "pcm/test.0.pcm");
    EXPECT_EQ(sample_file_name("pcm/test", 9), "pcm/test.9.pcm");
    EXPECT_EQ(sample_file_name("pcm/test", 127), "pcm/test.127.pcm");
    EXPECT_EQ(sample_file_name(std::string(max_base_path_length, 'x'), 127).size(), 259u);
}
