#pragma once
// OpenGL and WGL extensions of the OpenGL 2.0 generation: which the current
// context reports, and their entry points.
#include <wingdi.h>

#include <cstdint>
#include <span>
#include <string_view>

struct gl_extension {
    const char* name;
    std::uint16_t first_entry_point; // index into gl_entry_point_names
    std::uint16_t entry_point_count;
};

// The fixed table, in ASCII order of name, and the entry-point names of all
// extensions back to back.
extern const std::span<const gl_extension> gl_extensions;
extern const std::span<const char* const> gl_entry_point_names;

// Parallel to gl_extensions: set once the context reports the extension.
extern const std::span<bool> gl_extension_flags;
// Parallel to gl_entry_point_names: resolved addresses of found extensions.
extern const std::span<PROC> gl_entry_points;

// Whether `name` is one of the space-separated words of `extensions`;
// a null list contains nothing, and an empty name or one with a space
// never matches.
bool extension_listed(const char* extensions, std::string_view name);

// Flags every table extension that the current context reports and resolves
// its entry points. Needs a current context to find anything.
void load_gl_extensions();
