#include "realtime_thread.h"

#include "rtkit.h"

#include <sched.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>

namespace {

// Below the sound servers' own realtime threads (PipeWire's data threads
// run at 88), above everything that is not realtime.
constexpr int wanted_priority = 50;
// What asking RTKit may add to opening an output at most.
constexpr std::chrono::milliseconds rtkit_budget{100};

bool set_fifo(pid_t thread, int priority)
{
    sched_param param{};
    param.sched_priority = priority;
    return sched_setscheduler(thread, SCHED_FIFO, &param) == 0;
}

// SCHED_FIFO at the wanted priority, or at RLIMIT_RTPRIO when the process
// may not set that but the limit allows some.
bool set_fifo_as_allowed(pid_t thread)
{
    if (set_fifo(thread, wanted_priority))
        return true;
    rlimit limit{};
    return getrlimit(RLIMIT_RTPRIO, &limit) == 0 && limit.rlim_cur > 0 &&
           set_fifo(thread, static_cast<int>(std::min<rlim_t>(limit.rlim_cur, wanted_priority)));
}

bool runs_realtime(pid_t thread)
{
    // RTKit's grants carry SCHED_RESET_ON_FORK, which sched_getscheduler
    // reports along with the policy.
    const int policy = sched_getscheduler(thread);
    if (policy < 0)
        return false;
    const int base_policy = policy & ~SCHED_RESET_ON_FORK;
    return base_policy == SCHED_FIFO || base_policy == SCHED_RR;
}

}  // namespace

bool raise_to_realtime(pid_t thread)
{
    if (set_fifo_as_allowed(thread))
        return true;
    request_realtime_from_rtkit(thread, wanted_priority, rtkit_budget);
    return runs_realtime(thread);
}
