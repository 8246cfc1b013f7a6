#pragma once
#include <sys/types.h>

#include <chrono>

// Asks RealtimeKit (org.freedesktop.RealtimeKit1 on the system bus) to give
// `thread`, a kernel thread id of this process, realtime scheduling at
// `priority`, or at RTKit's ceiling when that is lower. RTKit serves only
// processes whose RLIMIT_RTTIME is within its own maximum, so this lowers
// the process's limit to that first. Every bus call shares `budget`: a bus
// or an RTKit that does not answer in time is given up on, and no bus at
// all fails at once. Returns whether RTKit granted the request (it grants
// SCHED_RR unless configured otherwise).
bool request_realtime_from_rtkit(pid_t thread, int priority, std::chrono::milliseconds budget);
