// Makes the machine miss realtime deadlines for real: a SCHED_FIFO busy
// loop at PRIORITY on every CPU for MILLISECONDS. Each loop ends itself by
// its own clock: nothing of lower priority, a timeout process included,
// runs on a CPU it holds.
// Usage: realtime_stalls PRIORITY MILLISECONDS
#include <pthread.h>
#include <sched.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

using std::chrono::steady_clock;

struct stall {
    int cpu;
    steady_clock::duration length;
};

void* spin(void* argument)
{
    const auto& wanted = *static_cast<const stall*>(argument);
    const auto until = steady_clock::now() + wanted.length;
    while (steady_clock::now() < until) {
    }
    return nullptr;
}

// Starts one busy loop pinned to each CPU and waits for all of them.
bool stall_every_cpu(int priority, steady_clock::duration length)
{
    cpu_set_t usable;
    if (sched_getaffinity(0, sizeof usable, &usable) != 0)
        return false;
    std::vector<stall> stalls;
    for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu)
        if (CPU_ISSET(cpu, &usable))
            stalls.push_back({cpu, length});
    std::vector<pthread_t> threads;
    bool started = true;
    for (stall& each : stalls) {
        pthread_attr_t attributes;
        pthread_attr_init(&attributes);
        cpu_set_t one;
        CPU_ZERO(&one);
        CPU_SET(each.cpu, &one);
        sched_param param{};
        param.sched_priority = priority;
        pthread_t thread;
        started = pthread_attr_setinheritsched(&attributes, PTHREAD_EXPLICIT_SCHED) == 0 &&
                  pthread_attr_setschedpolicy(&attributes, SCHED_FIFO) == 0 &&
                  pthread_attr_setschedparam(&attributes, &param) == 0 &&
                  pthread_attr_setaffinity_np(&attributes, sizeof one, &one) == 0 &&
                  pthread_create(&thread, &attributes, spin, &each) == 0;
        pthread_attr_destroy(&attributes);
        if (!started)
            break;
        threads.push_back(thread);
    }
    for (pthread_t thread : threads)
        pthread_join(thread, nullptr);
    return started;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: realtime_stalls PRIORITY MILLISECONDS\n");
        return 2;
    }
    if (!stall_every_cpu(std::atoi(argv[1]), std::chrono::milliseconds(std::atoi(argv[2])))) {
        std::fprintf(stderr, "realtime_stalls: no realtime busy loop on every CPU\n");
        return 1;
    }
    return 0;
}
