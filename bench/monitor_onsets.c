/* When a PipeWire sink starts to play each tone, seen from the sink itself:
 * captures the sink's monitor on the graph's realtime thread and prints
 *   onset: NANOSECONDS
 * for each tone that starts after at least 20 ms below a quiet level, in
 * CLOCK_MONOTONIC nanoseconds: the start of the graph cycle in which the
 * sink takes the first of it, plus the tone's offset in that cycle. A sink
 * that drives the graph takes at the start of each cycle what its clients
 * rendered in the one before; a sound card's own buffer would come on top.
 * This counts every buffer between a client and the sink, whatever the
 * client reports about itself.
 *   monitor_onsets SINK_NAME  (until SIGINT or SIGTERM) */
#include <pipewire/pipewire.h>
#include <spa/param/audio/format-utils.h>

#include <signal.h>
#include <stdio.h>
#include <stdlib.h>

enum { rate = 48000, onset_level = 1000, silence_frames = rate / 50 };

struct probe {
    struct pw_main_loop* loop;
    struct pw_stream* stream;
    struct spa_io_position* position;
    long quiet_run;  // frames since the last one at onset_level or above
};

static void on_io_changed(void* data, uint32_t id, void* area, uint32_t size)
{
    struct probe* probe = data;
    if (id == SPA_IO_Position)
        probe->position = area != NULL && size >= sizeof(struct spa_io_position) ? area : NULL;
}

static void on_process(void* data)
{
    struct probe* probe = data;
    struct pw_buffer* buffer = pw_stream_dequeue_buffer(probe->stream);
    if (buffer == NULL)
        return;
    const struct spa_data* d = &buffer->buffer->datas[0];
    const struct spa_io_clock* clock = probe->position != NULL ? &probe->position->clock : NULL;
    if (d->data != NULL && d->chunk != NULL && clock != NULL && clock->rate.denom != 0) {
        const int16_t* samples = (const int16_t*)((const char*)d->data + d->chunk->offset);
        const uint32_t frames = d->chunk->size / sizeof(int16_t);
        for (uint32_t i = 0; i < frames; ++i) {
            if (abs(samples[i]) < onset_level) {
                probe->quiet_run += probe->quiet_run < silence_frames;
                continue;
            }
            if (probe->quiet_run >= silence_frames) {
                const uint64_t offset_ns = (uint64_t)i * SPA_NSEC_PER_SEC * clock->rate.num / clock->rate.denom;
                printf("onset: %llu\n", (unsigned long long)(clock->nsec + offset_ns));
                fflush(stdout);
            }
            probe->quiet_run = 0;
        }
    }
    pw_stream_queue_buffer(probe->stream, buffer);
}

static void on_quit(void* data, int signal)
{
    (void)signal;
    pw_main_loop_quit(((struct probe*)data)->loop);
}

static const struct pw_stream_events events = {
    PW_VERSION_STREAM_EVENTS, .io_changed = on_io_changed, .process = on_process,
};

int main(int argc, char** argv)
{
    if (argc != 2)
        return fprintf(stderr, "usage: monitor_onsets SINK_NAME\n"), 2;
    pw_init(&argc, &argv);
    struct probe probe = {.quiet_run = silence_frames};
    probe.loop = pw_main_loop_new(NULL);
    if (probe.loop == NULL)
        return fprintf(stderr, "monitor_onsets: no main loop\n"), 1;
    pw_loop_add_signal(pw_main_loop_get_loop(probe.loop), SIGINT, on_quit, &probe);
    pw_loop_add_signal(pw_main_loop_get_loop(probe.loop), SIGTERM, on_quit, &probe);
    // A quantum this long never makes the graph's quantum smaller.
    probe.stream = pw_stream_new_simple(
        pw_main_loop_get_loop(probe.loop), "onset-probe",
        pw_properties_new(PW_KEY_MEDIA_TYPE, "Audio", PW_KEY_MEDIA_CATEGORY, "Capture", PW_KEY_MEDIA_ROLE, "Music",
                          PW_KEY_STREAM_CAPTURE_SINK, "true", PW_KEY_TARGET_OBJECT, argv[1], PW_KEY_NODE_LATENCY,
                          "4096/48000", NULL),
        &events, &probe);
    uint8_t pod[256];
    struct spa_pod_builder builder = SPA_POD_BUILDER_INIT(pod, sizeof pod);
    struct spa_audio_info_raw format = {.format = SPA_AUDIO_FORMAT_S16, .rate = rate, .channels = 1,
                                        .position = {SPA_AUDIO_CHANNEL_MONO}};
    const struct spa_pod* params[] = {spa_format_audio_raw_build(&builder, SPA_PARAM_EnumFormat, &format)};
    if (probe.stream == NULL ||
        pw_stream_connect(probe.stream, PW_DIRECTION_INPUT, PW_ID_ANY,
                          PW_STREAM_FLAG_AUTOCONNECT | PW_STREAM_FLAG_MAP_BUFFERS | PW_STREAM_FLAG_RT_PROCESS, params,
                          1) < 0)
        return fprintf(stderr, "monitor_onsets: cannot capture %s\n", argv[1]), 1;
    pw_main_loop_run(probe.loop);
    pw_stream_destroy(probe.stream);
    pw_main_loop_destroy(probe.loop);
    pw_deinit();
    return 0;
}
