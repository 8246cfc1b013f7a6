#pragma once
// The classes this platform provides without any registration: COM falls
// back to them when no class object was registered for an identifier.
#include <unknwn.h>

// The class object for clsid, or null when the platform has none.
IClassFactory* builtin_class_object(REFCLSID clsid);
