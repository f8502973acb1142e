#include "table_request.h"

#include "platform.h"

const char *base_name(const char *path)
{
    const char *name = path;
    for (const char *c = path; *c != '\0'; ++c)
        if (is_path_separator(*c))
            name = c + 1;
    return name;
}
