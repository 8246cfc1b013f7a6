#pragma once
// A sample file that gets its name only once complete, so that a failed or
// interrupted write never leaves a cut-off file behind and an earlier file
// of that name stays as it was.
#include "os_files.h"
#include "output_file_buffer.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>

class replacement_file {
public:
    replacement_file() = default;
    replacement_file(const replacement_file&) = delete;
    replacement_file& operator=(const replacement_file&) = delete;
    // Removes the file unless it was committed.
    ~replacement_file();

    // Creates the file, to be written through `buffer`, with room set aside
    // for the `expected_bytes` it will hold. False when it cannot be
    // created, or when a directory stands at `name`.
    bool open(const std::string& name, std::span<char> buffer, std::uint64_t expected_bytes);
    // Valid between a successful open and commit.
    output_file_buffer& output() { return *output_; }
    // Writes out the rest and gives the file its name. False, with the file
    // removed, when any write or the naming failed.
    bool commit();

private:
    pending_file pending_;
    std::unique_ptr<output_file_buffer> output_;
};
