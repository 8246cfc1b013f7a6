#pragma once
// One way of reaching the sound hardware: a sound server spoken to
// natively, or SDL's audio subsystem. It lists its output devices and
// plays the mixer's output on one of them from a thread of its own.
#include "mix/voice_mixer.h"

#include <atomic>
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
    // first; false when it does not answer. A sound server whose socket
    // takes the connection but that has not answered yet is starting: it
    // counts as reached, with its default output as the only device.
    virtual bool start() = 0;

    // Starts rendering the mixer into interleaved 16-bit frames of the
    // given channel count at 44100 frames per second.
    virtual bool open(const output_device& device, int channels, voice_mixer& mixer) = 0;

    // False once the server has gone away, when not open, and after an
    // open() that failed.
    virtual bool playing() const = 0;

    // Returns once the output no longer calls the mixer, and has let go of
    // every thread and connection an open() made, whether it worked or not.
    virtual void close() = 0;

    const std::vector<output_device>& devices() const { return devices_; }

    // Whether start() reached a sound server, answering or starting: an
    // output that does not open on it yet is worth trying again.
    bool reached_server() const { return reached_server_; }

    // While set, an open() under way on another thread gives up within a
    // few milliseconds, and later ones fail.
    void interrupt_opens(bool interrupted) { interrupted_ = interrupted; }

protected:
    bool opens_interrupted() const { return interrupted_; }

    std::vector<output_device> devices_;
    bool reached_server_ = false;

private:
    std::atomic<bool> interrupted_{false};
};

// The entry of a server's default output.
output_device default_output(int channels);

// What a server still starting lists: its default output, of a layout not
// known yet.
output_device starting_server_output();

// The device list of a sound server: its default output (opened without a
// device id, so that it follows the server's default), then its sinks.
std::vector<output_device> default_first(const std::vector<output_device>& sinks, const std::string& default_id);
