/* Preloaded into vellicor to time a key press to its sound: marks the entry
 * of freeglut's keyboard callback, the return of the first audio period
 * that carries sound after it, and the call that hands that sound to the
 * sound server (pa_stream_write for PulseAudio, which the engine and
 * Debian's SDL link; pw_stream_queue_buffer for PipeWire, which the engine
 * links and SDL looks up with dlsym, so dlsym is wrapped too). The engine's
 * own outputs render in the call that hands over, so there the period's
 * mark is the handover's. Prints the settings once the stream is made,
 * then one line per press on standard error, in CLOCK_MONOTONIC
 * nanoseconds:
 *   keylat-settings: TEXT
 *   keylat: KEYBOARD PERIOD SERVER
 * and at exit, through PulseAudio, the underflows the server reported:
 *   keylat-underflows: COUNT
 * Each step the engine's own output takes in its buffering is printed as
 * it is asked of the server, in seconds since the stream was made:
 *   keylat-step: SECONDS TEXT
 * KEYLAT_PERIOD, when set, replaces the engine's period in frames. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdatomic.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

typedef void (*audio_callback)(void*, uint8_t*, int);

/* SDL_AudioSpec, as laid out by SDL2. */
struct audio_spec {
    int freq;
    uint16_t format;
    uint8_t channels;
    uint8_t silence;
    uint16_t samples;
    uint16_t padding;
    uint32_t size;
    audio_callback callback;
    void* userdata;
};

/* The few PipeWire buffer records the queue call needs, as laid out by
 * libpipewire 0.3. */
struct spa_chunk { uint32_t offset, size; int32_t stride, flags; };
struct spa_data { uint32_t type, flags; int64_t fd; uint32_t mapoffset, maxsize; void* data; struct spa_chunk* chunk; };
struct spa_buffer { uint32_t n_metas, n_datas; void* metas; struct spa_data* datas; };
struct pw_buffer { struct spa_buffer* buffer; };

enum { idle, pressed, rendered };
static _Atomic int stage = idle;
static _Atomic int64_t keyboard_ns, period_ns;

static audio_callback engine_fill;
static _Atomic int through_sdl;
static void* engine;
static void (*app_keyboard)(unsigned char, int, int);
static int (*real_pa_write)(void*, const void*, size_t, void*, int64_t, int);
static int (*real_pw_queue)(void*, struct pw_buffer*);

static _Atomic long underflows;
static _Atomic int64_t stream_made_ns;

static int64_t now_ns(void)
{
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (int64_t)now.tv_sec * 1000000000 + now.tv_nsec;
}

static void print_step(const char* format, unsigned a, unsigned b)
{
    char text[64];
    snprintf(text, sizeof text, format, a, b);
    fprintf(stderr, "keylat-step: %.1f %s\n", (now_ns() - atomic_load(&stream_made_ns)) / 1e9, text);
}

static int sounding(const void* data, size_t bytes)
{
    const int16_t* samples = data;
    for (size_t i = 0; i < bytes / 2; ++i)
        if (samples[i] != 0)
            return 1;
    return 0;
}

static void handed_over(const void* data, size_t bytes)
{
    if (atomic_load(&stage) == pressed && sounding(data, bytes)) {
        atomic_store(&period_ns, now_ns());
        atomic_store(&stage, rendered);
    }
    if (atomic_load(&stage) == rendered && sounding(data, bytes)) {
        fprintf(stderr, "keylat: %lld %lld %lld\n", (long long)atomic_load(&keyboard_ns),
                (long long)atomic_load(&period_ns), (long long)now_ns());
        atomic_store(&stage, idle);
    }
}

static void timed_keyboard(unsigned char key, int x, int y)
{
    /* Armed before the engine starts the voice, so the next sounding
     * period is this press's. */
    atomic_store(&keyboard_ns, now_ns());
    atomic_store(&stage, pressed);
    app_keyboard(key, x, y);
}

static void timed_fill(void* userdata, uint8_t* stream, int length)
{
    (void)userdata;
    engine_fill(engine, stream, length);
    if (atomic_load(&stage) == pressed && sounding(stream, (size_t)length)) {
        atomic_store(&period_ns, now_ns());
        atomic_store(&stage, rendered);
    }
}

void glutKeyboardFunc(void (*callback)(unsigned char, int, int))
{
    void (*real)(void (*)(unsigned char, int, int)) = dlsym(RTLD_NEXT, "glutKeyboardFunc");
    app_keyboard = callback;
    real(callback ? timed_keyboard : NULL);
}

uint32_t SDL_OpenAudioDevice(const char* device, int iscapture, const struct audio_spec* desired,
                             struct audio_spec* obtained, int allowed_changes)
{
    uint32_t (*real)(const char*, int, const struct audio_spec*, struct audio_spec*, int) =
        dlsym(RTLD_NEXT, "SDL_OpenAudioDevice");
    atomic_store(&through_sdl, 1);
    struct audio_spec wrapped = *desired;
    engine_fill = desired->callback;
    engine = desired->userdata;
    wrapped.callback = timed_fill;
    const char* period = getenv("KEYLAT_PERIOD");
    if (period != NULL)
        wrapped.samples = (uint16_t)atoi(period);
    const uint32_t opened = real(device, iscapture, &wrapped, obtained, allowed_changes);
    if (opened != 0)
        fprintf(stderr, "keylat-settings: SDL's %s driver, %u-frame periods\n", getenv("SDL_AUDIODRIVER"),
                (unsigned)wrapped.samples);
    return opened;
}

int pa_stream_write(void* stream, const void* data, size_t bytes, void* free_cb, int64_t offset, int seek)
{
    if (real_pa_write == NULL)
        real_pa_write = (int (*)(void*, const void*, size_t, void*, int64_t, int))dlsym(RTLD_NEXT, "pa_stream_write");
    handed_over(data, bytes);
    return real_pa_write(stream, data, bytes, free_cb, offset, seek);
}

int pw_stream_queue_buffer(void* stream, struct pw_buffer* buffer);

static int timed_pw_queue(void* stream, struct pw_buffer* buffer)
{
    if (buffer != NULL && buffer->buffer != NULL && buffer->buffer->n_datas > 0) {
        const struct spa_data* d = &buffer->buffer->datas[0];
        if (d->data != NULL && d->chunk != NULL)
            handed_over((const char*)d->data + d->chunk->offset, d->chunk->size);
    }
    return real_pw_queue(stream, buffer);
}

/* The player's own underflow callback, if it sets one, still runs. */
static void (*player_underflow)(void*, void*);
static void* player_underflow_data;

static void count_underflow(void* stream, void* userdata)
{
    (void)userdata;
    atomic_fetch_add(&underflows, 1);
    if (player_underflow != NULL)
        player_underflow(stream, player_underflow_data);
}

void pa_stream_set_underflow_callback(void* stream, void (*callback)(void*, void*), void* userdata)
{
    void (*real)(void*, void (*)(void*, void*), void*) = dlsym(RTLD_NEXT, "pa_stream_set_underflow_callback");
    player_underflow = callback;
    player_underflow_data = userdata;
    real(stream, count_underflow, NULL);
}

/* The engine's own PipeWire stream: the quantum it asks for. */
void* pw_stream_new(void* core, const char* name, void* props)
{
    void* (*real)(void*, const char*, void*) = dlsym(RTLD_NEXT, "pw_stream_new");
    const char* (*get)(void*, const char*) = dlsym(RTLD_DEFAULT, "pw_properties_get");
    real_pw_queue = (int (*)(void*, struct pw_buffer*))dlsym(RTLD_NEXT, "pw_stream_queue_buffer");
    atomic_store(&stream_made_ns, now_ns());
    fprintf(stderr, "keylat-settings: the engine's PipeWire stream, node.latency %s\n",
            props != NULL && get != NULL ? get(props, "node.latency") : "?");
    return real(core, name, props);
}

int pw_stream_queue_buffer(void* stream, struct pw_buffer* buffer)
{
    return timed_pw_queue(stream, buffer);
}

struct spa_dict_item { const char* key; const char* value; };
struct spa_dict { uint32_t flags, n_items; const struct spa_dict_item* items; };

int pw_stream_update_properties(void* stream, const struct spa_dict* dict)
{
    int (*real)(void*, const struct spa_dict*) = dlsym(RTLD_NEXT, "pw_stream_update_properties");
    for (uint32_t i = 0; i < dict->n_items; ++i)
        if (strcmp(dict->items[i].key, "node.latency") == 0) {
            unsigned frames = 0, rate = 0;
            sscanf(dict->items[i].value, "%u/%u", &frames, &rate);
            print_step("node.latency %u/%u", frames, rate);
        }
    return real(stream, dict);
}

/* pa_buffer_attr and pa_sample_spec, as laid out by libpulse. */
struct pa_attr { uint32_t maxlength, tlength, prebuf, minreq, fragsize; };
struct pa_spec { int format; uint32_t rate; uint8_t channels; };

/* Both SDL and the engine connect their stream with the main loop locked,
 * as setting a callback needs. */
int pa_stream_connect_playback(void* stream, const char* device, const void* attr, int flags, const void* volume,
                               void* sync)
{
    const struct pa_spec* (*spec_of)(void*) = dlsym(RTLD_NEXT, "pa_stream_get_sample_spec");
    const struct pa_attr* wanted = attr;
    if (!atomic_load(&through_sdl) && wanted != NULL && spec_of != NULL) {
        const unsigned frame = 2u * spec_of(stream)->channels;
        atomic_store(&stream_made_ns, now_ns());
        fprintf(stderr, "keylat-settings: the engine's PulseAudio stream, tlength %u frames, minreq %u frames\n",
                wanted->tlength / frame, wanted->minreq / frame);
    }
    int (*real)(void*, const char*, const void*, int, const void*, void*) =
        dlsym(RTLD_NEXT, "pa_stream_connect_playback");
    void (*set_underflow)(void*, void (*)(void*, void*), void*) = dlsym(RTLD_NEXT, "pa_stream_set_underflow_callback");
    if (set_underflow != NULL && player_underflow == NULL)
        set_underflow(stream, count_underflow, NULL);
    return real(stream, device, attr, flags, volume, sync);
}

void* pa_stream_set_buffer_attr(void* stream, const struct pa_attr* attr, void* callback, void* userdata)
{
    void* (*real)(void*, const struct pa_attr*, void*, void*) = dlsym(RTLD_NEXT, "pa_stream_set_buffer_attr");
    const struct pa_spec* (*spec_of)(void*) = dlsym(RTLD_NEXT, "pa_stream_get_sample_spec");
    if (!atomic_load(&through_sdl) && spec_of != NULL) {
        const unsigned frame = 2u * spec_of(stream)->channels;
        print_step("tlength %u frames, minreq %u frames", attr->tlength / frame, attr->minreq / frame);
    }
    return real(stream, attr, callback, userdata);
}

__attribute__((destructor)) static void print_underflows(void)
{
    if (real_pa_write != NULL)
        fprintf(stderr, "keylat-underflows: %ld\n", atomic_load(&underflows));
}

void* dlsym(void* handle, const char* name)
{
    static void* (*real)(void*, const char*);
    if (real == NULL)
        real = dlvsym(RTLD_NEXT, "dlsym", "GLIBC_2.34");
    if (real == NULL)
        real = dlvsym(RTLD_NEXT, "dlsym", "GLIBC_2.2.5");
    void* found = real(handle, name);
    if (found != NULL && handle != RTLD_NEXT && strcmp(name, "pw_stream_queue_buffer") == 0) {
        real_pw_queue = (int (*)(void*, struct pw_buffer*))found;
        return (void*)timed_pw_queue;
    }
    return found;
}
