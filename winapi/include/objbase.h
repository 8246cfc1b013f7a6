#pragma once
// COM entry points: apartment entry, object creation by class identifier,
// and registration of class objects that take precedence over the classes
// built into this platform.
#include "unknwn.h"

constexpr DWORD COINIT_MULTITHREADED = 0x0;
constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;
constexpr DWORD REGCLS_MULTIPLEUSE = 0x1;

HRESULT CoInitializeEx(void* pvReserved, DWORD dwCoInit);

HRESULT CoCreateInstance(REFCLSID rclsid, IUnknown* pUnkOuter, DWORD dwClsContext, REFIID riid, void** ppv);

// pUnk must answer IID_IClassFactory. The registration holds a reference
// until it is revoked with the cookie written to *lpdwRegister.
HRESULT CoRegisterClassObject(REFCLSID rclsid, IUnknown* pUnk, DWORD dwClsContext, DWORD flags, DWORD* lpdwRegister);
HRESULT CoRevokeClassObject(DWORD dwRegister);
