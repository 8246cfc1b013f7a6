// Creation of the XAudio2 class: version 2.7 through COM where it is
// installed (the DirectX End-User Runtime), else the 2.7 interface over the
// XAudio2 that Windows 10 and 11 (2.9) or Windows 8 (2.8) carry.
#include "xaudio2_27_adapter.h"

#include <objbase.h>
#include <xaudio2.h>

namespace {

// XAudio2Create of the first of xaudio2_9.dll and xaudio2_8.dll that loads
// from the system directory; the DLL stays loaded for the engine's life,
// which is the process's.
XAudio2Create_9 newer_engine_creator()
{
    for (const wchar_t* dll : {L"xaudio2_9.dll", L"xaudio2_8.dll"}) {
        HMODULE module = LoadLibraryExW(dll, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        if (module == nullptr)
            continue;
        FARPROC create = GetProcAddress(module, "XAudio2Create");
        if (create != nullptr)
            return reinterpret_cast<XAudio2Create_9>(reinterpret_cast<void (*)()>(create));
        FreeLibrary(module);
    }
    return nullptr;
}

}  // namespace

HRESULT CoCreateInstance(const xaudio2_class_id& clsid, IUnknown* outer, DWORD context, REFIID iid, void** object)
{
    HRESULT result = ::CoCreateInstance(static_cast<const GUID&>(clsid), outer, context, iid, object);
    if (SUCCEEDED(result) || outer != nullptr)
        return result;
    XAudio2Create_9 create = newer_engine_creator();
    if (create == nullptr)
        return result;
    auto* engine = new xaudio2_27_adapter(create);
    result = engine->QueryInterface(iid, object);
    engine->Release();
    return result;
}
