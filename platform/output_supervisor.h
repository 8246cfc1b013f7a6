#pragma once
// Keeps an open output playing: a thread that looks every half second
// whether the output has lost its sound server and, if so, reopens it on
// the same device. Voices stay in the mixer meanwhile, so a held one
// sounds again once the output is back.
#include "audio_output.h"

#include <condition_variable>
#include <mutex>
#include <thread>

class output_supervisor {
public:
    output_supervisor(audio_output& output, output_device device, int channels, voice_mixer& mixer);
    // Returns once the thread has ended; the output is left as it is.
    ~output_supervisor();
    output_supervisor(const output_supervisor&) = delete;
    output_supervisor& operator=(const output_supervisor&) = delete;

private:
    void watch();

    audio_output& output_;
    const output_device device_;
    const int channels_;
    voice_mixer& mixer_;
    std::mutex lock_;
    std::condition_variable wake_;
    bool stopping_ = false;
    std::thread thread_;
};
