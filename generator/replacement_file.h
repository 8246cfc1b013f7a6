#pragma once
// A file written under a temporary name in its own directory and renamed
// to its name only once complete, so that a failed write never leaves a
// cut-off file behind and an earlier file of that name stays as it was.
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
    // Removes the temporary file unless it was committed.
    ~replacement_file();

    // Creates the temporary file, to be written through `buffer`, with
    // room set aside for the `expected_bytes` it will hold. False when it
    // cannot be created, or when a directory stands at `name`, which the
    // rename could not replace.
    bool open(const std::string& name, std::span<char> buffer, std::uint64_t expected_bytes);
    // Valid between a successful open and commit.
    output_file_buffer& output() { return *output_; }
    // Closes the file and renames it to its name. False, with the temporary
    // file removed, when any write, the close or the rename failed.
    bool commit();

private:
    void discard();

    std::string name_;
    std::string temporary_name_;
    std::unique_ptr<output_file_buffer> output_;
};
