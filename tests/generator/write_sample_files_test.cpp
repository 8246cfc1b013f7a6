#include "sample_file_layout.h"
#include "slot_rendering.h"
#include "tone_bank.h"

#include "file_size_limit.h"
#include "slot_sounds.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr double rate = 44100.0;

tone_bank one_sine_per_slot()
{
    tone_bank bank;
    bank.sample_rate = rate;
    bank.size_slots();
    for (tone_slot& slot : bank.slots) {
        add_sound(slot, 0, 0.0, 0.01, 440.0);
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
        add_sound(slot, 0, 0.5, 2.0, 3.0, 30000);
        add_sound(slot, 1, 0.0, 2.0, 5.0, 20000);
        add_sound(slot, 3, 0.25, 1.5, 7.0, -12345);
    }
    testing::internal::CaptureStdout();
    ASSERT_TRUE(bank.write_sample_files(dir.file("bank")));
    testing::internal::GetCapturedStdout();
    std::ostringstream expected;
    ASSERT_TRUE(render_slot(bank.slots[0], rate, expected));
    ASSERT_EQ(expected.str().size(), 66150u * 2);
    EXPECT_TRUE(read_file(slot_file(dir, 0)) == expected.str()) << "the file differs from the stream";
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
