#pragma once
// A sound: one timed partial of a tone, a waveform of fixed kind that sounds
// only inside its time window [center - half_width, half_width + center].
#include <array>
#include <cstdint>
#include <memory>

struct sound_t {
    double center = 0.0;     // seconds
    double half_width = 0.0; // seconds
    double harmonic = 0.0;   // partial number within the slot
    double frequency = 0.0;  // Hz, harmonic already applied
    std::int16_t amplitude = 0;

    // Value at time t (seconds), truncated toward zero; 0 outside the window.
    virtual std::int32_t value_at(double t) const = 0;
    virtual const char* kind_name() const = 0;
    virtual ~sound_t() = default;

protected:
    // Time since the unclamped start, when t lies inside the window
    // clamped at 0; false otherwise (also for any not-a-number input).
    bool phase_time(double t, double& tau) const;
};

struct sound_wave_t final : sound_t {
    std::int32_t value_at(double t) const override;
    const char* kind_name() const override;
};

struct sound_middle_notches_t final : sound_t {
    std::int32_t value_at(double t) const override;
    const char* kind_name() const override;
};

struct sound_forward_notches_t final : sound_t {
    std::int32_t value_at(double t) const override;
    const char* kind_name() const override;
};

struct sound_backward_notches_t final : sound_t {
    std::int32_t value_at(double t) const override;
    const char* kind_name() const override;
};

// Kind names in kind-number order, as printed and as written in tone files.
inline constexpr std::array<const char*, 4> sound_kind_names = {
    "sin wave",
    "middle notches",
    "forward notches",
    "backwawrd notches",
};

// A new sound of the given kind number (0 to 3), fields zeroed.
std::unique_ptr<sound_t> create_sound(std::size_t kind);
