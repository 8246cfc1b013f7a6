// The file services of os_files.h on Windows, through the Win32 file API:
// its handles read and write bytes unchanged, with no text mode to convert
// line ends.
#include "os_files.h"

#include "paths.h"

#include <windows.h>

#include <algorithm>
#include <limits>
#include <mutex>

namespace {

// The pending file's temporary name, for the console control handler to
// remove. Guarded by the lock, which the handler keeps until the process
// is gone, so that no further file is created meanwhile.
std::mutex pending_lock;
std::string interrupted_name;

// A console control event (Ctrl+C, Ctrl+Break, the console closing) runs
// on a thread of its own; the default handler then ends the process.
BOOL WINAPI remove_pending_file_and_end(DWORD)
{
    pending_lock.lock();
    if (!interrupted_name.empty()) {
        // The file is open for writing; removing it takes effect once the
        // process has ended and with it the handle.
        ::DeleteFileA(interrupted_name.c_str());
    }
    return FALSE;
}

HANDLE as_handle(os_file file)
{
    return reinterpret_cast<HANDLE>(file);
}

os_file as_file(HANDLE handle)
{
    return reinterpret_cast<os_file>(handle);
}

bool is_directory(const std::string& name)
{
    const DWORD attributes = ::GetFileAttributesA(name.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Short hidden names in the sample file's directory, tried until one is
// free. Sharing for deletion lets the control handler remove the file
// while it is still open.
HANDLE create_temporary(const std::string& directory, std::string& name)
{
    static unsigned serial = 0;
    const std::string prefix = directory + "/.plessard-" + std::to_string(::GetCurrentProcessId()) + "-";
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = prefix + std::to_string(serial++);
        const HANDLE handle = ::CreateFileA(name.c_str(), GENERIC_WRITE, FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                                            FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle != INVALID_HANDLE_VALUE) {
            return handle;
        }
        if (::GetLastError() != ERROR_FILE_EXISTS) {
            break;
        }
    }
    name.clear();
    return INVALID_HANDLE_VALUE;
}

// Allocates the whole file up front, as the POSIX variant does; the size
// stays that of the bytes written. Where it cannot be done, the writes
// report any shortage.
void reserve(HANDLE handle, std::uint64_t bytes)
{
    FILE_ALLOCATION_INFO allocation{};
    allocation.AllocationSize.QuadPart = static_cast<LONGLONG>(std::min<std::uint64_t>(bytes, std::numeric_limits<LONGLONG>::max()));
    ::SetFileInformationByHandle(handle, FileAllocationInfo, &allocation, sizeof allocation);
}

} // namespace

bool open_regular_file(const char* path, os_file& file)
{
    // A directory cannot be opened this way; a pipe or a device opens
    // without waiting and is refused by its type.
    const HANDLE handle = ::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return false;
    }
    if (::GetFileType(handle) != FILE_TYPE_DISK) {
        ::CloseHandle(handle);
        return false;
    }
    file = as_file(handle);
    return true;
}

std::size_t read_file(os_file file, char* bytes, std::size_t count)
{
    DWORD read = 0;
    const auto asked = static_cast<DWORD>(std::min<std::size_t>(count, MAXDWORD));
    return ::ReadFile(as_handle(file), bytes, asked, &read, nullptr) ? read : 0;
}

bool write_file(os_file file, const char* bytes, std::size_t count)
{
    // One call writes at most 4 GiB.
    constexpr std::size_t largest_write = 1u << 30;
    while (count > 0) {
        DWORD written = 0;
        const auto asked = static_cast<DWORD>(std::min(count, largest_write));
        if (!::WriteFile(as_handle(file), bytes, asked, &written, nullptr) || written == 0) {
            return false;
        }
        bytes += written;
        count -= written;
    }
    return true;
}

void close_file(os_file file)
{
    ::CloseHandle(as_handle(file));
}

bool create_pending_file(const std::string& name, std::uint64_t expected_bytes, pending_file& pending)
{
    if (is_directory(name)) {
        return false;
    }
    pending.name = name;
    const std::lock_guard held(pending_lock);
    const HANDLE handle = create_temporary(directory_of(name), pending.temporary_name);
    if (handle == INVALID_HANDLE_VALUE) {
        return false;
    }
    interrupted_name = pending.temporary_name;
    reserve(handle, expected_bytes);
    pending.file = as_file(handle);
    return true;
}

bool publish_pending_file(pending_file& pending)
{
    {
        const std::lock_guard held(pending_lock);
        const bool closed = ::CloseHandle(as_handle(pending.file)) != 0;
        pending.file = no_file;
        // MoveFileEx replaces an earlier file of that name, which rename
        // refuses to do on Windows.
        if (closed && ::MoveFileExA(pending.temporary_name.c_str(), pending.name.c_str(),
                                    MOVEFILE_REPLACE_EXISTING) != 0) {
            pending.temporary_name.clear();
            interrupted_name.clear();
            return true;
        }
    }
    discard_pending_file(pending);
    return false;
}

void discard_pending_file(pending_file& pending)
{
    const std::lock_guard held(pending_lock);
    if (pending.file != no_file) {
        ::CloseHandle(as_handle(pending.file));
        pending.file = no_file;
    }
    if (!pending.temporary_name.empty()) {
        ::DeleteFileA(pending.temporary_name.c_str());
        pending.temporary_name.clear();
        interrupted_name.clear();
    }
}

bool free_space(const std::string& directory, std::uint64_t& bytes)
{
    // The space available to this user, within any disk quota.
    ULARGE_INTEGER available;
    if (!::GetDiskFreeSpaceExA(directory.c_str(), &available, nullptr, nullptr)) {
        return false;
    }
    bytes = available.QuadPart;
    return true;
}

std::uint64_t regular_file_size(const std::string& name)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExA(name.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return 0;
    }
    return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

void prepare_process()
{
    // Writing to a closed pipe fails on Windows without ending the program;
    // only the interruption needs a handler.
    ::SetConsoleCtrlHandler(remove_pending_file_and_end, TRUE);
}
