#pragma once
// The process-wide map from freeglut window identifier to window object.
#include "gluty_api.h"

#include <map>

namespace mosk {

// Does not own the objects; entries are added by glutyAPI::createWindow and
// stay until the process exits.
extern std::map<int, glutyAPI*> window_registry;

// The object registered for the library's current window, or null.
glutyAPI* current_window_object();

} // namespace mosk
