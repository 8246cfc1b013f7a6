#include "output_supervisor.h"

#include <chrono>
#include <utility>

namespace {

constexpr auto retry_interval = std::chrono::milliseconds(500);

}  // namespace

output_supervisor::output_supervisor(audio_output& output, output_device device, int channels, voice_mixer& mixer)
    : output_(output), device_(std::move(device)), channels_(channels), mixer_(mixer),
      thread_(&output_supervisor::watch, this)
{
}

output_supervisor::~output_supervisor()
{
    {
        std::scoped_lock held(lock_);
        stopping_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

void output_supervisor::watch()
{
    std::unique_lock held(lock_);
    while (!wake_.wait_for(held, retry_interval, [this] { return stopping_; })) {
        if (output_.playing())
            continue;
        output_.close();
        output_.open(device_, channels_, mixer_);
    }
}
