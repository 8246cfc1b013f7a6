"""Finding tones in recorded samples: where they sound, their pitch, their
level and their dropouts."""
import itertools
import math

SINK_RATE = 48000
WINDOW = SINK_RATE // 200  # 5 ms analysis windows
LOUD_RMS = 2000.0  # a default-bank tone has an RMS near 11,600


def slot_frequency(slot):
    return 440.0 * 2.0 ** (slot / 12.0)


def true_runs(flags):
    """Runs of consecutive true flags, as (first index, end index) pairs."""
    runs, at = [], 0
    for flag, run in itertools.groupby(flags):
        length = len(list(run))
        if flag:
            runs.append((at, at + length))
        at += length
    return runs


def loud_runs(samples, window, threshold):
    """Runs of consecutive windows of `window` samples whose RMS exceeds
    `threshold`, as (first window, end window) index pairs."""
    return true_runs(math.sqrt(sum(v * v for v in samples[start:start + window]) / window) > threshold
                     for start in range(0, len(samples) - window + 1, window))


def segments(samples):
    """Sounding stretches as (first sample, end sample), to the sample."""
    found = []
    for i, j in loud_runs(samples, WINDOW, LOUD_RMS):
        # Refine both edges to the first and last sample of the tone.
        lo, hi = max(0, (i - 1) * WINDOW), min(len(samples), (j + 1) * WINDOW)
        edge = [k for k in range(lo, hi) if abs(samples[k]) > LOUD_RMS]
        found.append((edge[0], edge[-1] + 1))
    return found


def in_seconds(stretches):
    return [(a / SINK_RATE, b / SINK_RATE) for a, b in stretches]


def dropouts(samples, segment, level, edge=0.01):
    """Gaps inside a stretch of one steady tone, as (start seconds, length
    seconds): runs of 1 ms windows whose peak stays under a third of the
    tone's `level`. Any 1 ms of a tone below 500 Hz peaks at 0.64 of its
    amplitude, so only missing sound gets that low."""
    step = SINK_RATE // 1000
    first, end = segment[0] + int(edge * SINK_RATE), segment[1] - int(edge * SINK_RATE)
    starts = range(first, end - step + 1, step)
    edges = [*starts, end]
    return [(edges[i] / SINK_RATE, (edges[j] - edges[i]) / SINK_RATE)
            for i, j in true_runs(max(abs(v) for v in samples[k:k + step]) < level / 3 for k in starts)]


def bridge_dropouts(found, longest):
    """Joins stretches of sound split by a silence shorter than `longest`
    samples; returns the joined stretches and the silences bridged, as
    (start seconds, length seconds)."""
    joined, bridged = [found[0]] if found else [], []
    for start, end in found[1:]:
        if start - joined[-1][1] < longest:
            bridged.append((joined[-1][1] / SINK_RATE, (start - joined[-1][1]) / SINK_RATE))
            joined[-1] = (joined[-1][0], end)
        else:
            joined.append((start, end))
    return joined, bridged


def overlap(one, other, margin=0.005):
    """Whether two (start seconds, length seconds) stretches overlap, within
    the analysis windows' margin."""
    return one[0] < other[0] + other[1] + margin and other[0] < one[0] + one[1] + margin


def zero_crossing_frequency(piece):
    """The tone's pitch from its rising zero crossings, each placed between
    its two samples. A dropout or a skip in the recording shows as a period
    off the others, which is left out: the pitch is that of the sound
    around it."""
    rises = [k - 1 + piece[k - 1] / (piece[k - 1] - piece[k])
             for k in range(1, len(piece)) if piece[k - 1] < 0 <= piece[k]]
    if len(rises) < 2:
        return 0.0
    periods = [b - a for a, b in zip(rises, rises[1:])]
    typical = sorted(periods)[len(periods) // 2]
    kept = [p for p in periods if abs(p - typical) < typical * 0.01]
    return len(kept) * SINK_RATE / sum(kept)


def amplitude_at(piece, frequency):
    """Peak amplitude of the component at `frequency` (Goertzel over a Hann
    window, whose low side lobes keep a tone 30 Hz away from leaking in)."""
    omega = 2 * math.pi * frequency / SINK_RATE
    coefficient = 2 * math.cos(omega)
    n = len(piece)
    s1 = s2 = weights = 0.0
    for k, v in enumerate(piece):
        w = 0.5 - 0.5 * math.cos(2 * math.pi * k / (n - 1))
        weights += w
        s1, s2 = v * w + coefficient * s1 - s2, s1
    power = s1 * s1 + s2 * s2 - coefficient * s1 * s2
    return 2 * math.sqrt(max(power, 0.0)) / weights


def steady_amplitude(piece, frequency):
    """amplitude_at over 100 ms chunks, their median: a glitch in one chunk
    (a dropout, a skip in the recording) does not move it. Shorter pieces
    are taken whole."""
    chunk = SINK_RATE // 10
    amplitudes = sorted(amplitude_at(piece[k:k + chunk], frequency) for k in range(0, len(piece) - chunk + 1, chunk))
    return amplitudes[len(amplitudes) // 2] if amplitudes else amplitude_at(piece, frequency)


def interior(samples, segment, skip=0.03):
    """The segment without its edges, where the resampler's ringing and the
    cut at the release are."""
    first, end = segment
    margin = int(skip * SINK_RATE)
    return samples[first + margin:end - margin]


def ends_in_tone(samples, frequency, at_least=0.0):
    """Whether the samples end in a tone of `frequency`, unbroken for
    `at_least` seconds."""
    found = segments(samples)
    return (bool(found) and len(samples) - found[-1][1] < WINDOW and found[-1][1] - found[-1][0] >= at_least * SINK_RATE
            and abs(zero_crossing_frequency(interior(samples, found[-1])) - frequency) < frequency * 0.002)


def ends_in_silence(samples):
    """Whether the samples end in 50 ms of silence after a sound."""
    found = segments(samples)
    return bool(found) and len(samples) - found[-1][1] > SINK_RATE // 20


def stream_buffering(stream):
    """The buffering a server reports for a playback stream, in seconds.
    PipeWire's pulse layer reports no latency for a native stream; its graph
    then holds one quantum, the node.latency the stream asked for."""
    reported = (stream.get("Buffer Latency", 0.0) + stream.get("Sink Latency", 0.0)) / 1e6
    if reported == 0.0 and "node.latency" in stream:
        frames, rate = stream["node.latency"].split("/")
        return int(frames) / int(rate)
    return reported
