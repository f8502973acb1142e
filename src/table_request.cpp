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

const char *type_name(sample_type type)
{
    switch (type) {
    case sample_type::q31:
        return "q31";
    case sample_type::f32:
        return "f32";
    case sample_type::f16:
        return "f16";
    case sample_type::q15:
        break;
    }
    return "q15";
}
