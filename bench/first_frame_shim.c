/* Preloaded into vellicor to time its start-up: marks the process start,
 * the audio engine's start (the bank is loaded by then), freeglut's start
 * (the engine is up) and the first swapped frame, prints the intervals on
 * standard error and ends the process at that first frame. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdio.h>
#include <time.h>
#include <unistd.h>

static double process_start_ms;
static double audio_start_ms;
static double window_start_ms;

static double now_ms(void)
{
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

__attribute__((constructor)) static void mark_process_start(void)
{
    process_start_ms = now_ms();
}

int SDL_Init(unsigned flags)
{
    audio_start_ms = now_ms();
    int (*real)(unsigned) = (int (*)(unsigned))dlsym(RTLD_NEXT, "SDL_Init");
    return real(flags);
}

void glutInit(int* argc, char** argv)
{
    window_start_ms = now_ms();
    void (*real)(int*, char**) = (void (*)(int*, char**))dlsym(RTLD_NEXT, "glutInit");
    real(argc, argv);
}

void glutSwapBuffers(void)
{
    void (*real)(void) = (void (*)(void))dlsym(RTLD_NEXT, "glutSwapBuffers");
    real();
    const double frame_ms = now_ms();
    fprintf(stderr, "startup: bank load %.1f ms, audio start %.1f ms, window to first frame %.1f ms, total %.1f ms\n",
            audio_start_ms - process_start_ms, window_start_ms - audio_start_ms, frame_ms - window_start_ms,
            frame_ms - process_start_ms);
    _exit(0);
}
