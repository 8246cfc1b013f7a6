#include "window_registry.h"

#include <GL/freeglut.h>

namespace mosk {

std::map<int, glutyAPI*> window_registry;

glutyAPI* current_window_object()
{
    const auto entry = window_registry.find(glutGetWindow());
    return entry == window_registry.end() ? nullptr : entry->second;
}

} // namespace mosk
