#pragma once
#include <sys/types.h>

// Raises the thread with kernel thread id `thread` (gettid()) of this
// process to realtime scheduling: SCHED_FIFO at priority 50 where the
// process may set it, else SCHED_FIFO up to RLIMIT_RTPRIO when that is
// above 0, else whatever RTKit grants on the system bus (SCHED_RR, capped at
// its MaxRealtimePriority; RLIMIT_RTTIME is lowered to its maximum first).
// Called from another thread, never the render thread itself: asking RTKit
// can wait on D-Bus for up to about 100 ms. Returns whether the thread runs
// a realtime policy (SCHED_FIFO or SCHED_RR) afterwards.
bool raise_to_realtime(pid_t thread);
