#include "gl_extensions.h"

#include <GL/gl.h>

#include <cstddef>

bool extension_listed(const char* extensions, std::string_view name)
{
    if (extensions == nullptr || name.empty() || name.find(' ') != std::string_view::npos)
        return false;
    const std::string_view list(extensions);
    for (std::size_t at = list.find(name); at != std::string_view::npos; at = list.find(name, at + 1)) {
        const std::size_t end = at + name.size();
        const bool starts_word = at == 0 || list[at - 1] == ' ';
        const bool ends_word = end == list.size() || list[end] == ' ';
        if (starts_word && ends_word)
            return true;
    }
    return false;
}

namespace {

const char* current_extension_string()
{
    return reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
}

void resolve_entry_points(const gl_extension& extension)
{
    const std::size_t end = extension.first_entry_point + extension.entry_point_count;
    for (std::size_t i = extension.first_entry_point; i < end; ++i)
        gl_entry_points[i] = wglGetProcAddress(gl_entry_point_names[i]);
}

} // namespace

void load_gl_extensions()
{
    for (std::size_t i = 0; i < gl_extensions.size(); ++i) {
        if (!extension_listed(current_extension_string(), gl_extensions[i].name))
            continue;
        gl_extension_flags[i] = true;
        resolve_entry_points(gl_extensions[i]);
    }
}
