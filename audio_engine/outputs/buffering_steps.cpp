#include "buffering_steps.h"

#include <algorithm>

buffering_steps::buffering_steps(std::uint32_t smallest, std::uint32_t largest, bool pinned)
    : smallest_(smallest), largest_(std::max(smallest, largest)), pinned_(pinned), frames_(smallest)
{
}

void buffering_steps::started(clock::time_point now)
{
    last_event_ = now;
    settled_ = now + start_settle;
}

bool buffering_steps::after_gap(clock::time_point now, std::uint32_t covering)
{
    last_event_ = now;
    if (pinned_ || now < settled_ || frames_ == largest_)
        return false;
    do
        frames_ = std::min(frames_ * 2, largest_);
    while (frames_ < covering && frames_ < largest_);
    settled_ = now + settle;
    return true;
}

bool buffering_steps::after_calm(clock::time_point now)
{
    if (pinned_ || frames_ == smallest_ || now - last_event_ < calm)
        return false;
    frames_ = std::max(frames_ / 2, smallest_);
    last_event_ = now;
    return true;
}
