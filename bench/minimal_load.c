/* The least work that loads a bank: for each of the 128 files, stat, open,
 * malloc and one read, with no output. Prints the time the loop took, as
 * audio_bench load does for load_bank:
 *   minimal_load BASE  ->  "12.34 ms for N bytes" */
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

static double now_ms(void)
{
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

int main(int argc, char** argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: minimal_load BASE\n");
        return 2;
    }
    static void* blocks[128];
    unsigned long long total = 0;
    const double started = now_ms();
    for (unsigned n = 0; n < 128; ++n) {
        char name[260];
        snprintf(name, sizeof name, "%s.%u.pcm", argv[1], n);
        struct stat status;
        if (stat(name, &status) != 0)
            return 1;
        const int fd = open(name, O_RDONLY);
        if (fd < 0)
            return 1;
        blocks[n] = malloc((size_t)status.st_size);
        const ssize_t got = blocks[n] != NULL ? read(fd, blocks[n], (size_t)status.st_size) : -1;
        close(fd);
        if (got < 0)
            return 1;
        total += (unsigned long long)got;
    }
    const double took = now_ms() - started;
    printf("%.2f ms for %llu bytes\n", took, total);
    /* Freed only once the time is taken, as the player never frees its bank. */
    for (unsigned n = 0; n < 128; ++n)
        free(blocks[n]);
    return 0;
}
