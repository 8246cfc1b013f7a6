#include "sound.h"

#include <cmath>

namespace {

constexpr double pi = 3.141592653589793;

// Truncation toward zero. Every value a kind computes lies within three
// times the amplitude, or is not a number (from an infinite or not-a-number
// phase, reachable only through such frequencies), which gives 0, as its
// low 16 bits would on hardware that converts it to the integer minimum.
std::int32_t truncate(double value)
{
    return value == value ? static_cast<std::int32_t>(value) : 0;
}

} // namespace

bool sound_t::phase_time(double t, double& tau) const
{
    const double start = center - half_width;
    const double end = half_width + center;
    // The same test as t >= max(start, 0) && t <= end, with fewer steps;
    // a not-a-number start fails the first comparison either way.
    if (!(t >= start && t >= 0 && t <= end)) {
        return false;
    }
    tau = t - start;
    return true;
}

std::int32_t sound_wave_t::value_at(double t) const
{
    double tau;
    if (!phase_time(t, tau)) {
        return 0;
    }
    return truncate(std::sin(((tau * frequency) * 2) * pi) * amplitude);
}

std::int32_t sound_middle_notches_t::value_at(double t) const
{
    double tau;
    if (!phase_time(t, tau)) {
        return 0;
    }
    const double r = std::fmod((tau * frequency) * 2, 2);
    double k;
    const double u = std::modf(r, &k);
    const double y = k == 0 ? u : 1 - u;
    return truncate((y * 2 - 1) * amplitude);
}

std::int32_t sound_forward_notches_t::value_at(double t) const
{
    double tau;
    if (!phase_time(t, tau)) {
        return 0;
    }
    const double r = std::fmod(tau * frequency, 1);
    return truncate((r * 2 - 1) * amplitude);
}

std::int32_t sound_backward_notches_t::value_at(double t) const
{
    double tau;
    if (!phase_time(t, tau)) {
        return 0;
    }
    const double r = std::fmod(tau * frequency, 1);
    return truncate(((1 - r) * 2 - 1) * amplitude);
}

const char* sound_wave_t::kind_name() const { return sound_kind_names[0]; }
const char* sound_middle_notches_t::kind_name() const { return sound_kind_names[1]; }
const char* sound_forward_notches_t::kind_name() const { return sound_kind_names[2]; }
const char* sound_backward_notches_t::kind_name() const { return sound_kind_names[3]; }

std::unique_ptr<sound_t> create_sound(std::size_t kind)
{
    switch (kind) {
    case 0: return std::make_unique<sound_wave_t>();
    case 1: return std::make_unique<sound_middle_notches_t>();
    case 2: return std::make_unique<sound_forward_notches_t>();
    case 3: return std::make_unique<sound_backward_notches_t>();
    default: return nullptr;
    }
}
