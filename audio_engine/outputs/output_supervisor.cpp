#include "output_supervisor.h"

#include <chrono>
#include <utility>

namespace {

constexpr auto retry_interval = std::chrono::milliseconds(500);
// Failed tries on the chosen device before the default output is tried too.
constexpr int tries_before_default = 3;

}  // namespace

output_supervisor::output_supervisor(audio_output& output, output_device device, int channels, voice_mixer& mixer,
                                     bool opened)
    : output_(output), device_(std::move(device)), fallback_(default_output(channels)), channels_(channels),
      mixer_(mixer), open_(opened), thread_(&output_supervisor::watch, this)
{
}

output_supervisor::~output_supervisor()
{
    {
        std::scoped_lock held(lock_);
        stopping_ = true;
    }
    output_.interrupt_opens(true);
    wake_.notify_one();
    thread_.join();
    output_.interrupt_opens(false);
}

void output_supervisor::watch()
{
    std::unique_lock held(lock_);
    while (!wake_.wait_for(held, retry_interval, [this] { return stopping_; })) {
        if (open_ && output_.playing())
            continue;
        held.unlock();
        reopen();
        held.lock();
    }
}

// Each try goes to the chosen device first, so that it plays there as soon
// as it is back; once it has failed a few times running, the default
// output is tried right after it.
void output_supervisor::reopen()
{
    if (try_open(device_) || (++failed_tries_ >= tries_before_default && try_open(fallback_)))
        failed_tries_ = 0;
}

// A failed open is closed at once, so that nothing of it is left running.
bool output_supervisor::try_open(const output_device& device)
{
    output_.close();
    open_ = output_.open(device, channels_, mixer_);
    if (!open_)
        output_.close();
    return open_;
}
