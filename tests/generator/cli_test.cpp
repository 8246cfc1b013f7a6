// Runs the plessard program in scratch directories and checks what it
// prints, writes and returns.
#include "file_size_limit.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstddef>
#include <fcntl.h>
#include <filesystem>
#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct run_result {
    int status = -1;
    std::string out;
    std::string err;
};

// In a forked child: runs plessard in `dir`.
[[noreturn]] void exec_plessard(const temp_dir& dir, const std::vector<std::string>& args)
{
    if (chdir(dir.path().c_str()) != 0) {
        _exit(127);
    }
    // As a shell starts it, whatever the test runner ignores.
    for (const int signal_number : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) {
        std::signal(signal_number, SIG_DFL);
    }
    // A run that hangs is ended and shows as a failed one.
    alarm(120);
    std::vector<char*> argv{const_cast<char*>(PLESSARD_PATH)};
    for (const auto& a : args) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);
    execv(PLESSARD_PATH, argv.data());
    _exit(127);
}

// Writes past file_size_limit bytes fail, as on a full disk; 0 for none.
run_result run_plessard(const temp_dir& dir, const std::vector<std::string>& args,
                        rlim_t file_size_limit = 0)
{
    const std::string out_path = dir.file(".stdout");
    const std::string err_path = dir.file(".stderr");
    const pid_t child = fork();
    if (child == 0) {
        const int out = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(out, STDOUT_FILENO);
        dup2(err, STDERR_FILENO);
        if (file_size_limit != 0 && !limit_file_size(file_size_limit)) {
            _exit(127);
        }
        exec_plessard(dir, args);
    }
    int wait_status = 0;
    waitpid(child, &wait_status, 0);
    run_result result;
    result.status = WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : -1;
    result.out = read_file(out_path);
    result.err = read_file(err_path);
    std::filesystem::remove(out_path);
    std::filesystem::remove(err_path);
    return result;
}

// For a forked child: the file system refuses unnamed files (O_TMPFILE)
// to it and to the program it runs, as file systems without them do.
bool refuse_unnamed_files()
{
#if defined(__x86_64__)
    constexpr std::uint32_t arch = AUDIT_ARCH_X86_64;
#elif defined(__aarch64__)
    constexpr std::uint32_t arch = AUDIT_ARCH_AARCH64;
#else
    constexpr std::uint32_t arch = 0;
#endif
    // openat's flags: the low half of its third argument (little-endian).
    const std::uint32_t flags = offsetof(seccomp_data, args) + 2 * sizeof(std::uint64_t);
    sock_filter filter[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, arch)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, arch, 1, 0),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_openat, 0, 4),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, flags),
        BPF_STMT(BPF_ALU | BPF_AND | BPF_K, O_TMPFILE),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, O_TMPFILE, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EOPNOTSUPP),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    };
    const sock_fprog program{static_cast<unsigned short>(std::size(filter)), filter};
    return arch != 0 && prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 &&
           prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) == 0;
}

// plessard running in `dir`, its standard output a pipe read at `out`.
struct running_plessard {
    pid_t pid;
    int out;
};

running_plessard start_plessard(const temp_dir& dir, const std::vector<std::string>& args,
                                bool unnamed_files_refused = false)
{
    int out[2];
    if (pipe(out) != 0) {
        return {-1, -1};
    }
    const pid_t child = fork();
    if (child == 0) {
        dup2(out[1], STDOUT_FILENO);
        close(out[0]);
        if (unnamed_files_refused && !refuse_unnamed_files()) {
            _exit(126);
        }
        exec_plessard(dir, args);
    }
    close(out[1]);
    return {child, out[0]};
}

std::string first_line(const running_plessard& run)
{
    std::string line;
    char c;
    while (read(run.out, &c, 1) == 1 && c != '\n') {
        line += c;
    }
    return line;
}

// The wait status of the ended run.
int wait_for(const running_plessard& run)
{
    close(run.out);
    int status = 0;
    waitpid(run.pid, &status, 0);
    return status;
}

std::size_t hidden_entries(const std::string& directory)
{
    std::size_t count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(directory)) {
        count += entry.path().filename().string().starts_with(".") ? 1 : 0;
    }
    return count;
}

std::string names(const std::string& base)
{
    std::string list;
    for (int s = 0; s < 128; ++s) {
        list += base + "." + std::to_string(s) + ".pcm\n";
    }
    return list;
}

std::string default_log()
{
    std::string log;
    for (int s = 0; s < 128; ++s) {
        log += "sin wave: 2.5, 2.5, 1, 16384\n";
    }
    return log;
}

std::string sample_file(const temp_dir& dir, const std::string& base, int slot)
{
    return read_file(dir.file(base + "." + std::to_string(slot) + ".pcm"));
}

std::int16_t sample(const std::string& bytes, std::size_t n)
{
    return static_cast<std::int16_t>(static_cast<unsigned char>(bytes[2 * n]) |
                                     static_cast<unsigned char>(bytes[2 * n + 1]) << 8);
}

bool silent(const std::string& bytes)
{
    return bytes.find_first_not_of('\0') == std::string::npos;
}

std::size_t entries_in(const std::string& directory)
{
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(directory)) {
        ++count;
    }
    return count;
}

const std::string usage = "usage: plessard [-basefq freq] -onchi / <.tgw>\n";
const std::string organ = "sin wave: 1, 1, 1, 12000\nmiddle notches: 1, 1, 2, 2000\n";

} // namespace

TEST(PlessardCli, NoArgumentsWritesTheDefaultBank)
{
    temp_dir dir;
    const run_result r = run_plessard(dir, {});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, default_log() + names("pcm/test"));
    EXPECT_EQ(r.err, "");
    for (int s = 0; s < 128; ++s) {
        EXPECT_EQ(std::filesystem::file_size(dir.file("pcm/test." + std::to_string(s) + ".pcm")),
                  441000u);
    }
    EXPECT_EQ(sample(sample_file(dir, "pcm/test", 0), 25), 16383);
}

TEST(PlessardCli, HelpOnlyAsFirstArgument)
{
    temp_dir dir;
    for (const std::string help : {"-h", "-H"}) {
        const run_result r = run_plessard(dir, {help, "organ.tgw"});
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, usage);
    }
    const run_result help = run_plessard(dir, {"--help", "organ.tgw"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.err, "");
    EXPECT_TRUE(help.out.starts_with(usage)) << help.out;
    EXPECT_EQ(std::count(help.out.begin(), help.out.end(), '\n'), 7) << help.out;
    for (const std::string option : {"-basefq freq", "-16", "-onchi", "-h", "--help", "--version"}) {
        EXPECT_NE(help.out.find("\n  " + option + " "), std::string::npos) << option;
    }
    const run_result version = run_plessard(dir, {"--VERSION", "-h"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out + version.err, "plessard " PLESSARD_VERSION "\n");
    const run_result late = run_plessard(dir, {"-16", "-h"});
    EXPECT_EQ(late.status, 0);
    EXPECT_EQ(late.err, "-h: unrecognized file name.\n");
    EXPECT_FALSE(file_exists(dir.file("pcm")));
}

TEST(PlessardCli, BaseFrequencyWithoutValueFailsSilently)
{
    temp_dir dir;
    const run_result r = run_plessard(dir, {"-16", "-basefq"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out + r.err, "");
    EXPECT_FALSE(file_exists(dir.file("pcm")));
}

TEST(PlessardCli, TuningOptionsShapeTheDefaultBank)
{
    temp_dir reference;
    ASSERT_EQ(run_plessard(reference, {"-basefq", "880"}).status, 0);
    const std::string at_880 = sample_file(reference, "pcm/test", 0);

    temp_dir low;
    ASSERT_EQ(run_plessard(low, {"-BASEFQ", "220"}).status, 0);
    EXPECT_EQ(sample_file(low, "pcm/test", 24), at_880);

    temp_dir sixteen;
    const run_result r = run_plessard(sixteen, {"-16"});
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(r.out, default_log() + names("pcm/test"));
    EXPECT_EQ(sample_file(sixteen, "pcm/test", 16), at_880);

    temp_dir octaves;
    ASSERT_EQ(run_plessard(octaves, {"-16", "-OnChi", "organ.tgw"}).status, 0);
    EXPECT_EQ(sample_file(octaves, "pcm/test", 1), at_880);
    EXPECT_FALSE(file_exists(octaves.file("pcm/organ.0.pcm")));
}

TEST(PlessardCli, BaseFrequencyIsReadLikeStrtod)
{
    temp_dir zero;
    ASSERT_EQ(run_plessard(zero, {"-basefq", "abc"}).status, 0);
    EXPECT_TRUE(silent(sample_file(zero, "pcm/test", 5)));

    temp_dir negative;
    ASSERT_EQ(run_plessard(negative, {"-basefq", "-16"}).status, 0);
    const std::string bytes = sample_file(negative, "pcm/test", 12);
    // Slot 12 (12 divisions kept) sounds at -32 Hz: a quarter period in, -A.
    EXPECT_EQ(sample(bytes, 44100 / 128), -16383);

    for (const std::string value : {"nan", "inf", "-inf", "1e400"}) {
        temp_dir dir;
        const run_result r = run_plessard(dir, {"-basefq", value});
        EXPECT_EQ(r.status, 0) << value;
        EXPECT_EQ(std::filesystem::file_size(dir.file("pcm/test.127.pcm")), 441000u);
        EXPECT_TRUE(silent(sample_file(dir, "pcm/test", 3))) << value;
    }
}

TEST(PlessardCli, ToneFilesAreWrittenUnderTheirNames)
{
    temp_dir dir;
    std::filesystem::create_directories(dir.file("sub.d"));
    dir.write("sub.d/organ.tgw", organ);
    dir.write("ORGAN.TGW", organ);
    dir.write("a.b.tgw", organ);
    const run_result r =
        run_plessard(dir, {"sub.d/organ.tgw", "-16", "notes.txt", "ORGAN.TGW", "a.b.tgw"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, names("pcm/organ") + names("pcm/ORGAN") + names("pcm/a.b"));
    EXPECT_EQ(r.err, "-16: unrecognized file name.\nnotes.txt: unrecognized file name.\n");
    EXPECT_EQ(std::filesystem::file_size(dir.file("pcm/organ.0.pcm")), 88200u * 2);
    // Built with 12 divisions: "-16" came after the file.
    EXPECT_EQ(sample_file(dir, "pcm/organ", 7), sample_file(dir, "pcm/ORGAN", 7));
}

TEST(PlessardCli, UnrecognizedOnlyCreatesNoDirectory)
{
    temp_dir dir;
    const run_result r = run_plessard(dir, {"notes.txt"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "notes.txt: unrecognized file name.\n");
    EXPECT_FALSE(file_exists(dir.file("pcm")));
}

TEST(PlessardCli, MissingToneFileEndsTheRunSilently)
{
    temp_dir dir;
    dir.write("organ.tgw", organ);
    const run_result r = run_plessard(dir, {"missing.tgw", "organ.tgw"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out + r.err, "");
    EXPECT_FALSE(file_exists(dir.file("pcm")));
}

TEST(PlessardCli, WriteFailuresEndTheRunWithStatusOne)
{
    temp_dir blocked;
    blocked.write("pcm", "not a directory");
    const run_result r = run_plessard(blocked, {});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "pcm/test.0.pcm: can't write file.\n");

    temp_dir partial;
    partial.write("a.tgw", organ);
    partial.write("b.tgw", organ);
    std::filesystem::create_directories(partial.file("pcm/a.3.pcm"));
    const run_result stopped = run_plessard(partial, {"a.tgw", "b.tgw"});
    EXPECT_EQ(stopped.status, 1);
    EXPECT_EQ(stopped.err, "pcm/a.3.pcm: can't write file.\n");
    EXPECT_TRUE(file_exists(partial.file("pcm/a.2.pcm")));
    EXPECT_FALSE(file_exists(partial.file("pcm/b.0.pcm")));
}

TEST(PlessardCli, OversizedSpansAreRefusedAfterTheBank)
{
    temp_dir dir;
    dir.write("long.tgw", "sin wave: 20000, 20000, 1, 100\n");
    dir.write("next.tgw", organ);
    const run_result r = run_plessard(dir, {"long.tgw", "next.tgw"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, names("pcm/long"));
    EXPECT_EQ(r.err.find("pcm/long.0.pcm: sound span too long for a sample file.\n"), 0u);
    EXPECT_EQ(std::filesystem::file_size(dir.file("pcm/long.127.pcm")), 0u);
    EXPECT_FALSE(file_exists(dir.file("pcm/next.0.pcm")));
}

TEST(PlessardCli, BadToneFilesAreReportedWithTheirLine)
{
    temp_dir dir;
    dir.write("huge.tgw", "sin wave: 1, 1, 1, 1000\nsin wave: 1e400, 1, 1, 1\n");
    dir.write("negative.tgw", "sin wave: -5, 1, 1, 1000\n");
    const run_result r = run_plessard(dir, {"huge.tgw", "negative.tgw"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "huge.tgw: unreadable tone description at line 2.\n");
    EXPECT_EQ(std::filesystem::file_size(dir.file("pcm/huge.0.pcm")), 88200u * 2);
    EXPECT_EQ(std::filesystem::file_size(dir.file("pcm/negative.0.pcm")), 0u);
}

TEST(PlessardCli, DescriptionsWithoutSoundKeepTheEarlierBank)
{
    temp_dir dir;
    std::filesystem::create_directories(dir.file("pcm"));
    dir.write("organ.tgw", organ);
    dir.write("empty.tgw", "");
    dir.write("remarks.tgw", "basefq: 440\nsquare: 1, 1, 1, 1\n");
    // Also unreadable (a field too long): only the missing sound is reported.
    dir.write("noise.tgw", "\x7F" + std::string(300, '\0') + ":\x02");
    for (const std::string name : {"empty", "remarks", "noise"}) {
        dir.write("pcm/" + name + ".0.pcm", "earlier take");
        const run_result r = run_plessard(dir, {name + ".tgw", "organ.tgw"});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, name + ".tgw: no sound in the tone description.\n");
        EXPECT_TRUE(read_file(dir.file("pcm/" + name + ".0.pcm")) == "earlier take") << name;
    }
    EXPECT_EQ(entries_in(dir.file("pcm")), 3u);
}

TEST(PlessardCli, EditorEncodingsGiveTheSameBank)
{
    const std::string example = "sin wave: 1, 1, 1, 12000\nsin wave: 1, 1, 2, 4000\n";
    std::string little = "\xFF\xFE";
    std::string big = "\xFE\xFF";
    for (const char c : example) {
        little += std::string{c, '\0'};
        big += std::string{'\0', c};
    }
    temp_dir dir;
    dir.write("plain.tgw", example);
    dir.write("bom.tgw", "\xEF\xBB\xBF" + example);
    dir.write("little.tgw", little);
    dir.write("big.tgw", big);
    const run_result r = run_plessard(dir, {"plain.tgw", "bom.tgw", "little.tgw", "big.tgw"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    const std::string plain = sample_file(dir, "pcm/plain", 9);
    EXPECT_EQ(plain.size(), 88200u * 2);
    for (const std::string name : {"pcm/bom", "pcm/little", "pcm/big"}) {
        EXPECT_TRUE(sample_file(dir, name, 9) == plain) << name << " differs";
    }
}

TEST(PlessardCli, LongNamesAreRefusedAndLongDirectoriesAccepted)
{
    temp_dir dir;
    const std::string longest = std::string(247, 'n') + ".tgw";
    const std::string too_long = std::string(248, 'n') + ".tgw";
    dir.write(longest, organ);
    dir.write(too_long, organ);
    const std::string deep = std::string(200, 'd') + "/" + std::string(200, 'e');
    std::filesystem::create_directories(dir.file(deep));
    dir.write(deep + "/deep.tgw", organ);

    const run_result accepted = run_plessard(dir, {longest, deep + "/deep.tgw"});
    EXPECT_EQ(accepted.status, 0) << accepted.err;
    EXPECT_TRUE(file_exists(dir.file("pcm/" + std::string(247, 'n') + ".127.pcm")));
    EXPECT_TRUE(file_exists(dir.file("pcm/deep.127.pcm")));

    const run_result refused = run_plessard(dir, {too_long, "organ.tgw"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err, too_long + ": file name too long.\n");
}

TEST(PlessardCli, InputsThatAreNoRegularFileCannotBeOpened)
{
    temp_dir dir;
    std::filesystem::create_directories(dir.file("pcm"));
    dir.write("pcm/folder.0.pcm", "earlier take");
    std::filesystem::create_directory(dir.file("folder.tgw"));
    ASSERT_EQ(mkfifo(dir.file("pipe.tgw").c_str(), 0644), 0);
    std::filesystem::create_symlink("/dev/null", dir.file("null.tgw"));
    dir.write("organ.tgw", organ);
    for (const std::string input : {"folder.tgw", "pipe.tgw", "null.tgw"}) {
        const run_result r = run_plessard(dir, {input, "organ.tgw"});
        EXPECT_EQ(r.status, 1) << input;
        EXPECT_EQ(r.out + r.err, "") << input;
    }
    EXPECT_TRUE(read_file(dir.file("pcm/folder.0.pcm")) == "earlier take") << "the earlier file was changed";
    EXPECT_EQ(entries_in(dir.file("pcm")), 1u);
}

TEST(PlessardCli, CutOffWriteKeepsTheEarlierFile)
{
    temp_dir dir;
    std::filesystem::create_directories(dir.file("pcm"));
    dir.write("pcm/test.0.pcm", "earlier take");
    const run_result r = run_plessard(dir, {}, 49152);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, default_log() + "pcm/test.0.pcm\n");
    EXPECT_EQ(r.err, "pcm/test.0.pcm: can't write file.\n");
    EXPECT_TRUE(read_file(dir.file("pcm/test.0.pcm")) == "earlier take") << "the earlier file was changed";
    EXPECT_EQ(entries_in(dir.file("pcm")), 1u) << "a temporary file was left behind";
}

TEST(PlessardCli, BankTooLargeForTheDiskIsRefusedBeforeItStarts)
{
    // 24,347 s per slot: 2,147,405,400 bytes per file, 128 files.
    const std::uint64_t needed = 274'867'891'200;
    temp_dir dir;
    struct statvfs disk;
    ASSERT_EQ(statvfs(dir.path().c_str(), &disk), 0);
    if (static_cast<std::uint64_t>(disk.f_bavail) * disk.f_frsize >= needed) {
        GTEST_SKIP() << "the disk has room for the oversized bank";
    }
    dir.write("huge.tgw", "sin wave: 12173.5, 12173.5, 1, 1000\n");
    dir.write("organ.tgw", organ);
    const run_result r = run_plessard(dir, {"huge.tgw", "organ.tgw"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    const std::string head = "pcm/huge: not enough space: " + std::to_string(needed) + " bytes needed, ";
    EXPECT_TRUE(r.err.starts_with(head) && r.err.ends_with(" bytes free.\n")) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1);
    EXPECT_EQ(entries_in(dir.file("pcm")), 0u);
}

namespace {

// Stops a run by `signal_number` while it writes its first sample file;
// the run must end by that signal and leave no hidden file.
void stop_while_writing(int signal_number, bool unnamed_files_refused)
{
    temp_dir dir;
    // 60 s per slot: each file takes a while to render.
    dir.write("slow.tgw", "sin wave: 30, 30, 1, 1000\n");
    const running_plessard run = start_plessard(dir, {"slow.tgw"}, unnamed_files_refused);
    EXPECT_EQ(first_line(run), "pcm/slow.0.pcm");
    // Without unnamed files the file being written shows under a hidden name.
    EXPECT_EQ(hidden_entries(dir.file("pcm")), unnamed_files_refused ? 1u : 0u);
    kill(run.pid, signal_number);
    const int status = wait_for(run);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal_number) << status;
    EXPECT_EQ(hidden_entries(dir.file("pcm")), 0u);
}

bool offers_unnamed_files(const std::string& directory)
{
    const int file = open(directory.c_str(), O_TMPFILE | O_WRONLY, 0600);
    return file >= 0 && close(file) == 0;
}

} // namespace

TEST(PlessardCli, StoppedRunsLeaveNoTemporaryFile)
{
    if (!offers_unnamed_files(temp_dir().path())) {
        GTEST_SKIP() << "the file system of /tmp has no unnamed files (O_TMPFILE)";
    }
    for (const int signal_number : {SIGKILL, SIGTERM}) {
        SCOPED_TRACE(signal_number);
        stop_while_writing(signal_number, false);
    }
}

TEST(PlessardCli, StoppedRunsWithoutUnnamedFilesRemoveTheirTemporaryFile)
{
    for (const int signal_number : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(signal_number);
        stop_while_writing(signal_number, true);
    }
}

TEST(PlessardCli, AClosedOutputCostsNoBank)
{
    temp_dir dir;
    dir.write("organ.tgw", organ);
    const running_plessard run = start_plessard(dir, {"organ.tgw"});
    // Like `plessard organ.tgw | head -0`: the reader is gone before most names are written.
    const int status = wait_for(run);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(std::filesystem::file_size(dir.file("pcm/organ.127.pcm")), 88200u * 2);
    EXPECT_EQ(entries_in(dir.file("pcm")), 128u);
}
