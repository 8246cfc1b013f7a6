#include "replacement_file.h"

replacement_file::~replacement_file()
{
    discard_pending_file(pending_);
}

bool replacement_file::open(const std::string& name, std::span<char> buffer,
                            std::uint64_t expected_bytes)
{
    if (!create_pending_file(name, expected_bytes, pending_)) {
        return false;
    }
    output_ = std::make_unique<output_file_buffer>(pending_.file, buffer);
    return true;
}

bool replacement_file::commit()
{
    if (!output_->flush()) {
        discard_pending_file(pending_);
        return false;
    }
    return publish_pending_file(pending_);
}
