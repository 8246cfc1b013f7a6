// The file services of os_files.h on POSIX systems, with Linux's unnamed
// files (O_TMPFILE) where the file system offers them.
#include "os_files.h"

#include "paths.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace {

constexpr int interruption_signals[] = {SIGINT, SIGTERM, SIGHUP};

// The temporary name of the pending file, for the signal handler to
// remove. Changed only while the interruption signals are blocked.
char interrupted_name[PATH_MAX];
volatile std::sig_atomic_t has_interrupted_name = 0;

// Holds off the interruption signals, so that a file and the handler's
// record of it are created and removed together.
class interruptions_held {
public:
    interruptions_held()
    {
        sigset_t signals;
        sigemptyset(&signals);
        for (const int signal_number : interruption_signals) {
            sigaddset(&signals, signal_number);
        }
        sigprocmask(SIG_BLOCK, &signals, &previous_);
    }
    interruptions_held(const interruptions_held&) = delete;
    interruptions_held& operator=(const interruptions_held&) = delete;
    ~interruptions_held() { sigprocmask(SIG_SETMASK, &previous_, nullptr); }

private:
    sigset_t previous_;
};

void remember_for_interruption(const std::string& name)
{
    if (name.size() < sizeof interrupted_name) {
        std::memcpy(interrupted_name, name.c_str(), name.size() + 1);
        has_interrupted_name = 1;
    }
}

extern "C" void remove_pending_file_and_end(int signal_number)
{
    if (has_interrupted_name != 0) {
        ::unlink(interrupted_name);
    }
    // Installed with SA_RESETHAND: once the handler returns, the signal
    // raised again ends the process as it would have without the handler.
    ::raise(signal_number);
}

bool is_directory(const std::string& name)
{
    struct stat status;
    return ::stat(name.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

// Linking an unnamed file to a name needs its /proc/self/fd entry.
bool unnamed_files_can_be_named()
{
    static const bool available = ::access("/proc/self/fd", X_OK) == 0;
    return available;
}

// Numbers this process's temporary names.
unsigned temporary_serial = 0;

// Tries short hidden names in `directory` until `create` makes one; a name
// derived from the sample file's could exceed the limit on one component.
template <class create_at>
bool create_with_temporary_name(const std::string& directory, std::string& name, create_at create)
{
    const std::string prefix = directory + "/.plessard-" + std::to_string(::getpid()) + "-";
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = prefix + std::to_string(temporary_serial++);
        if (create(name.c_str())) {
            return true;
        }
        if (errno != EEXIST) {
            break;
        }
    }
    name.clear();
    return false;
}

// The mode is that of any new file, the umask applied.
int create_named(const std::string& directory, std::string& temporary_name)
{
    int descriptor = -1;
    create_with_temporary_name(directory, temporary_name, [&](const char* name) {
        descriptor = ::open(name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        return descriptor >= 0;
    });
    return descriptor;
}

bool link_unnamed(pending_file& pending)
{
    const std::string self = "/proc/self/fd/" + std::to_string(pending.file);
    return create_with_temporary_name(directory_of(pending.name), pending.temporary_name,
                                      [&](const char* name) {
                                          return ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name,
                                                          AT_SYMLINK_FOLLOW) == 0;
                                      });
}

// Allocating the whole file up front, rather than as its data is written
// back, spares the file system the allocation it would otherwise force at
// the rename over an earlier file. The size stays that of the bytes
// written. Where this cannot be done, the writes report any shortage.
void reserve(int descriptor, std::uint64_t bytes)
{
    if (bytes > 0 && bytes <= static_cast<std::uint64_t>(std::numeric_limits<off_t>::max())) {
        ::fallocate(descriptor, FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(bytes));
    }
}

std::uint64_t saturating_multiply(std::uint64_t left, std::uint64_t right)
{
    constexpr std::uint64_t no_limit = std::numeric_limits<std::uint64_t>::max();
    return right != 0 && left > no_limit / right ? no_limit : left * right;
}

} // namespace

bool open_regular_file(const char* path, os_file& file)
{
    // O_NONBLOCK keeps the open of a FIFO from waiting for a writer; the
    // type is then checked on the opened file itself, so nothing can swap
    // the file between the check and the reading. On a regular file the
    // flag changes nothing.
    const int descriptor = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0) {
        return false;
    }
    struct stat status;
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(descriptor);
        return false;
    }
    file = descriptor;
    return true;
}

std::size_t read_file(os_file file, char* bytes, std::size_t count)
{
    ssize_t read;
    do {
        read = ::read(static_cast<int>(file), bytes, count);
    } while (read < 0 && errno == EINTR);
    return read > 0 ? static_cast<std::size_t>(read) : 0;
}

bool write_file(os_file file, const char* bytes, std::size_t count)
{
    while (count > 0) {
        const ssize_t written = ::write(static_cast<int>(file), bytes, count);
        if (written > 0) {
            bytes += written;
            count -= static_cast<std::size_t>(written);
        } else if (written == 0 || errno != EINTR) {
            return false;
        }
    }
    return true;
}

void close_file(os_file file)
{
    ::close(static_cast<int>(file));
}

bool create_pending_file(const std::string& name, std::uint64_t expected_bytes,
                         pending_file& pending)
{
    if (is_directory(name)) {
        return false;
    }
    const std::string directory = directory_of(name);
    pending.name = name;
    // An unnamed file leaves nothing behind, whatever ends the program.
    int descriptor = unnamed_files_can_be_named()
                         ? ::open(directory.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666)
                         : -1;
    if (descriptor < 0) {
        const interruptions_held held;
        descriptor = create_named(directory, pending.temporary_name);
        if (descriptor >= 0) {
            remember_for_interruption(pending.temporary_name);
        }
    }
    if (descriptor < 0) {
        return false;
    }
    reserve(descriptor, expected_bytes);
    pending.file = descriptor;
    return true;
}

bool publish_pending_file(pending_file& pending)
{
    // An interruption waits until the file has its name, or is gone.
    const interruptions_held held;
    // linkat cannot replace a file: the unnamed one is linked to a
    // temporary name first and renamed over the earlier file from there.
    if (pending.temporary_name.empty() && !link_unnamed(pending)) {
        discard_pending_file(pending);
        return false;
    }
    const bool closed = ::close(static_cast<int>(pending.file)) == 0;
    pending.file = no_file;
    if (!closed || std::rename(pending.temporary_name.c_str(), pending.name.c_str()) != 0) {
        discard_pending_file(pending);
        return false;
    }
    pending.temporary_name.clear();
    has_interrupted_name = 0;
    return true;
}

void discard_pending_file(pending_file& pending)
{
    if (pending.file == no_file && pending.temporary_name.empty()) {
        return;
    }
    const interruptions_held held;
    if (pending.file != no_file) {
        ::close(static_cast<int>(pending.file));
        pending.file = no_file;
    }
    if (!pending.temporary_name.empty()) {
        ::unlink(pending.temporary_name.c_str());
        pending.temporary_name.clear();
        has_interrupted_name = 0;
    }
}

bool free_space(const std::string& directory, std::uint64_t& bytes)
{
    struct statvfs status;
    if (::statvfs(directory.c_str(), &status) != 0) {
        return false;
    }
    bytes = saturating_multiply(status.f_bavail, status.f_frsize);
    return true;
}

std::uint64_t regular_file_size(const std::string& name)
{
    struct stat status;
    if (::stat(name.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) {
        return 0;
    }
    return static_cast<std::uint64_t>(status.st_size);
}

void prepare_process()
{
    // Standard output only reports progress: a reader that went away must
    // not cost the bank.
    std::signal(SIGPIPE, SIG_IGN);
    for (const int signal_number : interruption_signals) {
        struct sigaction current;
        // A signal ignored by whoever started the program (nohup) stays so.
        if (::sigaction(signal_number, nullptr, &current) != 0 || current.sa_handler == SIG_IGN) {
            continue;
        }
        struct sigaction action = {};
        action.sa_handler = remove_pending_file_and_end;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESETHAND;
        ::sigaction(signal_number, &action, nullptr);
    }
}
