#pragma once
// The operating system's file services, as the generator uses them: reading
// a tone file, writing a sample file that gets its name only once complete,
// free space, and the process's response to signals. One source file per
// system implements them (os_files_posix.cpp, os_files_windows.cpp). Files
// are binary: bytes pass unchanged both ways.
#include <cstdint>
#include <string>

// An open file: a descriptor, or a handle, as the system has it.
using os_file = std::intptr_t;
inline constexpr os_file no_file = -1;

// Opens a file for reading. False when it cannot be opened or is no regular
// file (a directory, FIFO or device); opening never waits.
bool open_regular_file(const char* path, os_file& file);
// Reads at most `count` bytes: the number read, 0 at the end or on failure.
std::size_t read_file(os_file file, char* bytes, std::size_t count);
// Writes all `count` bytes; false when they could not all be written.
bool write_file(os_file file, const char* bytes, std::size_t count);
void close_file(os_file file);

// A sample file being written. Until it is published it has no name, or a
// hidden temporary one in the directory of `name` that is removed on
// failure and, where the system allows, when the process is interrupted.
struct pending_file {
    os_file file = no_file;
    std::string name;
    std::string temporary_name; // empty while the file has no name
};

// Creates the pending file of `name`, with room set aside for the
// `expected_bytes` it will hold. False when it cannot be created, or when
// a directory stands at `name`, which publishing could not replace.
bool create_pending_file(const std::string& name, std::uint64_t expected_bytes,
                         pending_file& pending);
// Closes the file and gives it its name, replacing any earlier file of that
// name in one step. False, with the file removed, when that fails.
bool publish_pending_file(pending_file& pending);
// Closes and removes the file; nothing when there is none.
void discard_pending_file(pending_file& pending);

// Bytes available to the user on the file system of `directory`; false
// when it cannot be asked.
bool free_space(const std::string& directory, std::uint64_t& bytes);
// The size of the regular file at `name`, 0 when there is none.
std::uint64_t regular_file_size(const std::string& name);

// Prepares the process for writing banks: output to a closed pipe fails
// rather than ending the program, and an interrupted program removes its
// pending file before it ends.
void prepare_process();
