#include "endpoint_devices.h"

#include "device_order.h"

#include <audioclient.h>
#include <initguid.h>
#include <functiondiscoverykeys_devpkey.h>
#include <mmdeviceapi.h>

#include <algorithm>
#include <memory>
#include <string>

namespace {

struct com_release {
    void operator()(IUnknown* object) const { object->Release(); }
};
template <class Interface>
using com_ptr = std::unique_ptr<Interface, com_release>;

struct endpoint {
    std::wstring id;
    com_ptr<IMMDevice> device;
};

std::wstring endpoint_id(IMMDevice& device)
{
    LPWSTR id = nullptr;
    if (FAILED(device.GetId(&id)))
        return {};
    std::wstring copy = id;
    CoTaskMemFree(id);
    return copy;
}

std::wstring default_output_id(IMMDeviceEnumerator& enumerator)
{
    IMMDevice* device = nullptr;
    if (FAILED(enumerator.GetDefaultAudioEndpoint(eRender, eConsole, &device)))
        return {};
    com_ptr<IMMDevice> owned(device);
    return endpoint_id(*owned);
}

std::vector<endpoint> active_outputs(IMMDeviceEnumerator& enumerator)
{
    IMMDeviceCollection* raw = nullptr;
    if (FAILED(enumerator.EnumAudioEndpoints(eRender, DEVICE_STATE_ACTIVE, &raw)))
        return {};
    com_ptr<IMMDeviceCollection> collection(raw);
    UINT count = 0;
    collection->GetCount(&count);
    std::vector<endpoint> outputs;
    for (UINT i = 0; i < count; ++i) {
        IMMDevice* device = nullptr;
        if (SUCCEEDED(collection->Item(i, &device)))
            outputs.push_back({endpoint_id(*device), com_ptr<IMMDevice>(device)});
    }
    return outputs;
}

// Copies a string into one of the record's fixed fields; false when it
// does not fit.
bool copy_to(WCHAR (&field)[256], const std::wstring& text)
{
    if (text.size() >= std::size(field))
        return false;
    std::copy(text.begin(), text.end(), field);
    field[text.size()] = L'\0';
    return true;
}

std::wstring friendly_name(IMMDevice& device)
{
    IPropertyStore* raw = nullptr;
    if (FAILED(device.OpenPropertyStore(STGM_READ, &raw)))
        return {};
    com_ptr<IPropertyStore> store(raw);
    PROPVARIANT value;
    PropVariantInit(&value);
    std::wstring name;
    if (SUCCEEDED(store->GetValue(PKEY_Device_FriendlyName, &value)) && value.vt == VT_LPWSTR)
        name = value.pwszVal;
    PropVariantClear(&value);
    return name;
}

// The format the system mixes the endpoint's output in; left zero (no
// channels) when it cannot be read.
void read_mix_format(IMMDevice& device, WAVEFORMATEXTENSIBLE& format)
{
    IAudioClient* raw = nullptr;
    if (FAILED(device.Activate(__uuidof(IAudioClient), CLSCTX_ALL, nullptr, reinterpret_cast<void**>(&raw))))
        return;
    com_ptr<IAudioClient> client(raw);
    WAVEFORMATEX* mix = nullptr;
    if (FAILED(client->GetMixFormat(&mix)))
        return;
    std::size_t size = std::min(sizeof format, sizeof(WAVEFORMATEX) + mix->cbSize);
    std::copy_n(reinterpret_cast<const BYTE*>(mix), size, reinterpret_cast<BYTE*>(&format));
    CoTaskMemFree(mix);
}

}  // namespace

std::vector<XAUDIO2_DEVICE_DETAILS> endpoint_devices()
{
    IMMDeviceEnumerator* raw = nullptr;
    if (FAILED(CoCreateInstance(__uuidof(MMDeviceEnumerator), nullptr, CLSCTX_INPROC_SERVER,
                                __uuidof(IMMDeviceEnumerator), reinterpret_cast<void**>(&raw))))
        return {};
    com_ptr<IMMDeviceEnumerator> enumerator(raw);
    std::wstring default_id = default_output_id(*enumerator);
    std::vector<endpoint> outputs = active_outputs(*enumerator);
    std::vector<std::wstring> ids;
    for (const endpoint& output : outputs)
        ids.push_back(output.id);

    std::vector<XAUDIO2_DEVICE_DETAILS> devices;
    for (std::size_t i : device_order(ids, default_id)) {
        XAUDIO2_DEVICE_DETAILS details{};
        if (outputs[i].id.empty() || !copy_to(details.DeviceID, outputs[i].id))
            continue;
        copy_to(details.DisplayName, friendly_name(*outputs[i].device));
        details.Role = outputs[i].id == default_id ? GlobalDefaultDevice : NotDefaultDevice;
        read_mix_format(*outputs[i].device, details.OutputFormat);
        devices.push_back(details);
    }
    return devices;
}
