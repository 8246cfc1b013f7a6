#pragma once
// For a forked child: files cannot grow past a given size, and writes
// beyond it fail with EFBIG instead of ending the process, as on a full
// disk but without needing one.
#include <csignal>
#include <sys/resource.h>

inline bool limit_file_size(rlim_t bytes)
{
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{bytes, bytes};
    return setrlimit(RLIMIT_FSIZE, &limit) == 0;
}
