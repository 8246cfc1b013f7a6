/* How late a realtime thread wakes on this machine: a SCHED_FIFO thread at
 * the render threads' priority sleeps to the start of each audio period
 * and notes how late it woke. A wake-up later than the server's headroom
 * is a gap whatever the client does.
 *   realtime_wakeups SECONDS FRAMES  (periods of FRAMES at 44,100 Hz) */
#include <pthread.h>
#include <sched.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>

static int by_value(const void* a, const void* b)
{
    const long x = *(const long*)a, y = *(const long*)b;
    return (x > y) - (x < y);
}

int main(int argc, char** argv)
{
    if (argc != 3)
        return fprintf(stderr, "usage: realtime_wakeups SECONDS FRAMES\n"), 2;
    const long period_ns = atol(argv[2]) * 1000000000L / 44100;
    const long count = (long)(atof(argv[1]) * 1e9 / period_ns);
    long* late = malloc(sizeof *late * (size_t)count);
    const struct sched_param param = {.sched_priority = 50};
    if (late == NULL || count < 1 || pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) != 0)
        return fprintf(stderr, "realtime_wakeups: no realtime priority or no memory\n"), 1;
    struct timespec due, now;
    clock_gettime(CLOCK_MONOTONIC, &due);
    long over_period = 0;
    for (long i = 0; i < count; ++i) {
        due.tv_nsec += period_ns;
        due.tv_sec += due.tv_nsec / 1000000000L;
        due.tv_nsec %= 1000000000L;
        clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &due, NULL);
        clock_gettime(CLOCK_MONOTONIC, &now);
        late[i] = (now.tv_sec - due.tv_sec) * 1000000000L + (now.tv_nsec - due.tv_nsec);
        over_period += late[i] > period_ns;
    }
    qsort(late, (size_t)count, sizeof *late, by_value);
    printf("periods of %s frames, %ld wake-ups: late by %.3f ms (median), %.3f ms (99.9th), %.3f ms (max); "
           "%ld later than a whole period\n",
           argv[2], count, late[count / 2] / 1e6, late[count * 999 / 1000] / 1e6, late[count - 1] / 1e6, over_period);
    free(late);
    return 0;
}
