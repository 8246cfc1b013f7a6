#include "pipewire_devices.h"

#include <pipewire/extensions/metadata.h>
#include <spa/utils/dict.h>

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

// Sinks and the default sink's name as the registry and the "default"
// metadata announce them.
struct sink_listing {
    pw_registry* registry = nullptr;
    spa_hook registry_listener{};
    pw_metadata* metadata = nullptr;
    spa_hook metadata_listener{};
    std::string default_sink;
    std::vector<output_device> sinks;

    ~sink_listing()
    {
        if (metadata != nullptr) {
            spa_hook_remove(&metadata_listener);
            pw_proxy_destroy(reinterpret_cast<pw_proxy*>(metadata));
        }
        if (registry != nullptr) {
            spa_hook_remove(&registry_listener);
            pw_proxy_destroy(reinterpret_cast<pw_proxy*>(registry));
        }
    }
};

std::string text_of(const spa_dict* props, const char* key)
{
    const char* value = spa_dict_lookup(props, key);
    return value != nullptr ? value : "";
}

// The value is JSON: {"name":"<node name>"}.
std::string name_in(const char* json)
{
    const std::string text = json != nullptr ? json : "";
    const std::string key = "\"name\":\"";
    const std::size_t start = text.find(key);
    if (start == std::string::npos)
        return "";
    const std::size_t first = start + key.size();
    return text.substr(first, text.find('"', first) - first);
}

int on_metadata_property(void* data, std::uint32_t, const char* key, const char*, const char* value)
{
    auto& listing = *static_cast<sink_listing*>(data);
    if (key != nullptr && std::string(key) == "default.audio.sink")
        listing.default_sink = name_in(value);
    return 0;
}

const pw_metadata_events metadata_events = {
    .version = PW_VERSION_METADATA_EVENTS,
    .property = on_metadata_property,
};

void on_global(void* data, std::uint32_t id, std::uint32_t, const char* type, std::uint32_t, const spa_dict* props)
{
    auto& listing = *static_cast<sink_listing*>(data);
    if (props == nullptr)
        return;
    const std::string kind = type;
    if (kind == PW_TYPE_INTERFACE_Node && text_of(props, PW_KEY_MEDIA_CLASS) == "Audio/Sink") {
        const std::string name = text_of(props, PW_KEY_NODE_NAME);
        const std::string description = text_of(props, PW_KEY_NODE_DESCRIPTION);
        const int channels = std::atoi(text_of(props, PW_KEY_AUDIO_CHANNELS).c_str());
        listing.sinks.push_back({name, description.empty() ? name : description, channels > 0 ? channels : 2});
    } else if (kind == PW_TYPE_INTERFACE_Metadata && listing.metadata == nullptr &&
               text_of(props, PW_KEY_METADATA_NAME) == "default") {
        listing.metadata = static_cast<pw_metadata*>(
            pw_registry_bind(listing.registry, id, PW_TYPE_INTERFACE_Metadata, PW_VERSION_METADATA, 0));
        if (listing.metadata != nullptr)
            pw_metadata_add_listener(listing.metadata, &listing.metadata_listener, &metadata_events, &listing);
    }
}

const pw_registry_events registry_events = [] {
    pw_registry_events events{};
    events.version = PW_VERSION_REGISTRY_EVENTS;
    events.global = on_global;
    return events;
}();

}  // namespace

bool read_pipewire_devices(pw_core* core, const std::function<bool()>& roundtrip, std::vector<output_device>& devices)
{
    sink_listing listing;
    listing.registry = pw_core_get_registry(core, PW_VERSION_REGISTRY, 0);
    if (listing.registry == nullptr)
        return false;
    pw_registry_add_listener(listing.registry, &listing.registry_listener, &registry_events, &listing);
    // The registry's globals, then the metadata bound meanwhile.
    if (!roundtrip() || !roundtrip())
        return false;
    devices = default_first(listing.sinks, listing.default_sink);
    return true;
}
