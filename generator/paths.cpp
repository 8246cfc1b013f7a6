#include "paths.h"

namespace {

constexpr std::size_t max_part_length = path_buffer_size - 1;

std::string cut(std::string text)
{
    if (text.size() > max_part_length) {
        text.resize(max_part_length);
    }
    return text;
}

std::size_t last_separator(const std::string& path)
{
    return path.find_last_of("/\\");
}

} // namespace

std::string program_name(const std::string& invocation_path)
{
    const std::size_t separator = last_separator(invocation_path);
    std::string component =
        separator == std::string::npos ? invocation_path : invocation_path.substr(separator + 1);
    const std::size_t dot = component.rfind('.');
    if (dot != std::string::npos) {
        component.resize(dot);
    }
    return cut(component);
}

path_parts split_path(const std::string& path)
{
    path_parts parts;
    std::string rest = path;
    const std::size_t colon = rest.find(':');
    if (colon != std::string::npos) {
        parts.drive = rest.substr(0, colon + 1);
        rest.erase(0, colon + 1);
    }
    const std::size_t separator = last_separator(rest);
    std::string component = rest;
    if (separator != std::string::npos) {
        parts.directory = rest.substr(0, separator);
        component = rest.substr(separator + 1);
    }
    const std::size_t dot = component.rfind('.');
    if (dot != std::string::npos) {
        parts.extension = component.substr(dot);
        component.resize(dot);
    }
    parts.name = component;

    parts.drive = cut(parts.drive);
    parts.directory = cut(parts.directory);
    parts.name = cut(parts.name);
    parts.extension = cut(parts.extension);
    return parts;
}

std::string directory_of(const std::string& path)
{
    const std::size_t separator = last_separator(path);
    if (separator == std::string::npos) {
        return ".";
    }
    // The root directory keeps its separator.
    return path.substr(0, separator == 0 ? 1 : separator);
}
