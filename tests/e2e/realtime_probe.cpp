// Starts a thread and raises it from the main thread with
// raise_to_realtime(tid), as an output raises its render thread, then
// prints the result, the policy and priority the thread runs at, and how
// long the call took:
//   raised=1 policy=RR priority=20 took_ms=3.2
#include "outputs/realtime_thread.h"

#include <sched.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <future>
#include <thread>

namespace {

const char* policy_name(int policy)
{
    switch (policy & ~SCHED_RESET_ON_FORK) {
    case SCHED_FIFO:
        return "FIFO";
    case SCHED_RR:
        return "RR";
    case SCHED_OTHER:
        return "OTHER";
    default:
        return "unknown";
    }
}

}  // namespace

int main()
{
    std::promise<pid_t> started;
    std::promise<void> finished;
    std::thread worker([&started, done = finished.get_future()] {
        started.set_value(gettid());
        done.wait();
    });
    const pid_t thread = started.get_future().get();

    const auto start = std::chrono::steady_clock::now();
    const bool raised = raise_to_realtime(thread);
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;

    sched_param param{};
    const int policy = sched_getscheduler(thread);
    const bool read = policy >= 0 && sched_getparam(thread, &param) == 0;
    finished.set_value();
    worker.join();
    if (!read) {
        std::perror("realtime_probe: reading the thread's scheduling");
        return 1;
    }
    std::printf("raised=%d policy=%s priority=%d took_ms=%.1f\n", raised ? 1 : 0, policy_name(policy),
                param.sched_priority, took.count());
    return 0;
}
