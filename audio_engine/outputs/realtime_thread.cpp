#include "realtime_thread.h"

#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>

#include <algorithm>

namespace {

// Below the sound servers' own realtime threads (PipeWire's data threads
// run at 88), above everything that is not realtime.
constexpr int wanted_priority = 50;

bool set_fifo(int priority)
{
    sched_param param{};
    param.sched_priority = priority;
    return pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) == 0;
}

}  // namespace

void raise_to_realtime()
{
    if (set_fifo(wanted_priority))
        return;
    rlimit limit{};
    if (getrlimit(RLIMIT_RTPRIO, &limit) == 0 && limit.rlim_cur > 0)
        set_fifo(static_cast<int>(std::min<rlim_t>(limit.rlim_cur, wanted_priority)));
}
