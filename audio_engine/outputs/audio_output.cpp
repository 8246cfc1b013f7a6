#include "audio_output.h"

#include <algorithm>

namespace {

constexpr int unknown_layout_channels = 2;

}  // namespace

output_device starting_server_output()
{
    return default_output(unknown_layout_channels);
}

output_device default_output(int channels)
{
    return {"", "System default output", channels};
}

std::vector<output_device> default_first(const std::vector<output_device>& sinks, const std::string& default_id)
{
    const auto standard = std::ranges::find(sinks, default_id, &output_device::id);
    std::vector<output_device> devices{
        default_output(standard != sinks.end() ? standard->channels : unknown_layout_channels)};
    devices.insert(devices.end(), sinks.begin(), sinks.end());
    return devices;
}
