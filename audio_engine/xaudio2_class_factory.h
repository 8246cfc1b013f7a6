#pragma once
// The class object that creates audio engines.
#include <unknwn.h>

// One object for the whole process; its reference count is nominal.
IClassFactory* xaudio2_class_object();
