#pragma once
// One way of reaching the sound hardware: a sound server spoken to
// natively, or SDL's audio subsystem. It lists its output devices and
// plays the mixer's output on one of them from a thread of its own.
#include "voice_mixer.h"

#include <string>
#include <vector>

struct output_device {
    std::string id;    // what open() is given; empty for the default output
    std::string name;  // shown to the user
    int channels = 2;
};

class audio_output {
public:
    virtual ~audio_output() = default;

    // Reaches the sound system and reads its devices, the default output
    // first; false when it does not answer.
    virtual bool start() = 0;

    // Starts rendering the mixer into interleaved 16-bit frames of the
    // given channel count at 44100 frames per second.
    virtual bool open(const output_device& device, int channels, voice_mixer& mixer) = 0;

    // False once the server has gone away, or when not open.
    virtual bool playing() const = 0;

    // Returns once the output no longer calls the mixer.
    virtual void close() = 0;

    const std::vector<output_device>& devices() const { return devices_; }

protected:
    std::vector<output_device> devices_;
};

// The device list of a sound server: its default output (opened without a
// device id, so that it follows the server's default), then its sinks.
std::vector<output_device> default_first(const std::vector<output_device>& sinks, const std::string& default_id);
