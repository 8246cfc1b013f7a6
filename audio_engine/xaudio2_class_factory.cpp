#include "xaudio2_class_factory.h"

#include "xaudio2_engine.h"

#include <new>

namespace {

class xaudio2_class_factory final : public IClassFactory {
public:
    HRESULT QueryInterface(REFIID riid, void** ppvObject) override
    {
        if (ppvObject == nullptr)
            return E_POINTER;
        if (riid != IID_IUnknown && riid != IID_IClassFactory) {
            *ppvObject = nullptr;
            return E_NOINTERFACE;
        }
        *ppvObject = static_cast<IClassFactory*>(this);
        return S_OK;
    }

    // The object lives as long as the process, so counting is not needed.
    ULONG AddRef() override { return 2; }
    ULONG Release() override { return 1; }

    HRESULT CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) override
    {
        if (ppvObject == nullptr)
            return E_POINTER;
        *ppvObject = nullptr;
        if (pUnkOuter != nullptr)
            return CLASS_E_NOAGGREGATION;
        auto* engine = new (std::nothrow) xaudio2_engine;
        if (engine == nullptr)
            return E_OUTOFMEMORY;
        const HRESULT result = engine->QueryInterface(riid, ppvObject);
        engine->Release();
        return result;
    }
};

}  // namespace

IClassFactory* xaudio2_class_object()
{
    static xaudio2_class_factory factory;
    return &factory;
}
