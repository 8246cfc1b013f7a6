#pragma once
// Raises the calling thread to realtime scheduling (SCHED_FIFO) where the
// system grants it: to a process allowed to, or up to RLIMIT_RTPRIO.
// Does nothing otherwise.
void raise_to_realtime();
