#include "crt.h"

#include <sys/stat.h>

namespace {

unsigned char ascii_lower(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

} // namespace

int _mkdir(const char* path)
{
    return ::mkdir(path, 0777);
}

int _stricmp(const char* left, const char* right)
{
    const auto* l = reinterpret_cast<const unsigned char*>(left);
    const auto* r = reinterpret_cast<const unsigned char*>(right);
    while (*l != 0 && ascii_lower(*l) == ascii_lower(*r)) {
        ++l;
        ++r;
    }
    return ascii_lower(*l) - ascii_lower(*r);
}
