#include "table_request.h"

const char *base_name(const char *path)
{
    const char *name = path;
    for (const char *c = path; *c != '\0'; ++c) {
#ifdef _WIN32
        const bool is_separator = *c == '/' || *c == '\\' || *c == ':';
#else
        const bool is_separator = *c == '/';
#endif
        if (is_separator)
            name = c + 1;
    }
    return name;
}
