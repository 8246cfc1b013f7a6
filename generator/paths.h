#pragma once
#include <string>

// Path texts live in buffers of this many characters, terminator included.
inline constexpr std::size_t path_buffer_size = 260;

struct path_parts {
    std::string drive;
    std::string directory;
    std::string name;
    std::string extension;
};

// The program's name as invoked: last component without its extension.
std::string program_name(const std::string& invocation_path);

// Splits a path into drive, directory, name and extension.
path_parts split_path(const std::string& path);

// The directory that holds the file at `path`: "." for a bare name.
std::string directory_of(const std::string& path);
