// COM's object creation: a class identifier is looked up first among the
// class objects registered at run time, newest first, then among the
// classes built into the platform.
#include "builtin_classes.h"

#include <objbase.h>

#include <algorithm>
#include <mutex>
#include <vector>

namespace {

struct class_registration {
    DWORD cookie;
    CLSID clsid;
    IClassFactory* factory;
};

std::mutex registry_lock;
std::vector<class_registration> registrations;
DWORD last_cookie = 0;

// The class object for clsid with a reference for the caller, or null.
IClassFactory* find_class_object(REFCLSID clsid)
{
    {
        std::scoped_lock held(registry_lock);
        const auto found = std::find_if(registrations.rbegin(), registrations.rend(),
                                        [&clsid](const class_registration& entry) { return entry.clsid == clsid; });
        if (found != registrations.rend()) {
            found->factory->AddRef();
            return found->factory;
        }
    }
    IClassFactory* builtin = builtin_class_object(clsid);
    if (builtin != nullptr)
        builtin->AddRef();
    return builtin;
}

}  // namespace

// Every thread may use COM; apartments make no difference here.
HRESULT CoInitializeEx(void* pvReserved, DWORD)
{
    return pvReserved == nullptr ? S_OK : E_INVALIDARG;
}

HRESULT CoCreateInstance(REFCLSID rclsid, IUnknown* pUnkOuter, DWORD dwClsContext, REFIID riid, void** ppv)
{
    if (ppv == nullptr)
        return E_POINTER;
    *ppv = nullptr;
    if ((dwClsContext & CLSCTX_INPROC_SERVER) == 0)
        return REGDB_E_CLASSNOTREG;
    IClassFactory* factory = find_class_object(rclsid);
    if (factory == nullptr)
        return REGDB_E_CLASSNOTREG;
    const HRESULT result = factory->CreateInstance(pUnkOuter, riid, ppv);
    factory->Release();
    return result;
}

HRESULT CoRegisterClassObject(REFCLSID rclsid, IUnknown* pUnk, DWORD, DWORD, DWORD* lpdwRegister)
{
    if (pUnk == nullptr || lpdwRegister == nullptr)
        return E_INVALIDARG;
    void* factory = nullptr;
    const HRESULT result = pUnk->QueryInterface(IID_IClassFactory, &factory);
    if (FAILED(result))
        return result;
    std::scoped_lock held(registry_lock);
    *lpdwRegister = ++last_cookie;
    registrations.push_back({*lpdwRegister, rclsid, static_cast<IClassFactory*>(factory)});
    return S_OK;
}

HRESULT CoRevokeClassObject(DWORD dwRegister)
{
    IClassFactory* factory = nullptr;
    {
        std::scoped_lock held(registry_lock);
        const auto found = std::find_if(registrations.begin(), registrations.end(),
                                        [dwRegister](const class_registration& entry) { return entry.cookie == dwRegister; });
        if (found == registrations.end())
            return E_INVALIDARG;
        factory = found->factory;
        registrations.erase(found);
    }
    factory->Release();
    return S_OK;
}
