#include "builtin_classes.h"

#include "xaudio2_class_factory.h"

#include <xaudio2.h>

IClassFactory* builtin_class_object(REFCLSID clsid)
{
    if (clsid == CLSID_XAudio2)
        return xaudio2_class_object();
    return nullptr;
}
