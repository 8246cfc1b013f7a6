#pragma once
// Keeps an output playing: a thread that looks every half second whether
// the output is closed, failed to open or has lost its sound server and,
// if so, closes it and opens it again on the chosen device. Once that has
// failed a few times running, each try also tries the server's default
// output after it, so that an unplugged device does not keep the player
// silent; the chosen device still comes first every time. Voices stay in the mixer meanwhile,
// so a held one sounds again once the output is back.
#include "audio_output.h"

#include <condition_variable>
#include <mutex>
#include <thread>

class output_supervisor {
public:
    // `opened`: whether the output is open and playing now.
    output_supervisor(audio_output& output, output_device device, int channels, voice_mixer& mixer, bool opened);
    // Returns within a few milliseconds, an open under way given up; the
    // output is left as it is.
    ~output_supervisor();
    output_supervisor(const output_supervisor&) = delete;
    output_supervisor& operator=(const output_supervisor&) = delete;

private:
    void watch();
    void reopen();
    bool try_open(const output_device& device);

    audio_output& output_;
    const output_device device_;
    const output_device fallback_;
    const int channels_;
    voice_mixer& mixer_;
    bool open_;           // the watching thread only
    int failed_tries_ = 0;  // the watching thread only
    std::mutex lock_;
    std::condition_variable wake_;
    bool stopping_ = false;
    std::thread thread_;
};
