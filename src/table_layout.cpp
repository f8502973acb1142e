#include "table_layout.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

extern const table_layout radix2_layout;
extern const table_layout cmsis_cfft_layout;
extern const table_layout cmsis_rfft_layout;

const table_layout *const table_layouts[] = {&radix2_layout, &cmsis_cfft_layout, &cmsis_rfft_layout};
const int table_layout_count = sizeof table_layouts / sizeof table_layouts[0];

const table_layout *find_layout(const char *name)
{
    for (const table_layout *layout : table_layouts)
        if (std::strcmp(layout->name, name) == 0)
            return layout;
    return nullptr;
}

void describe_table(const table_request &request, table_description &description)
{
    description = {};
    description.layout = request.layout;
    request.layout->describe(request, description);
}

namespace {

std::size_t element_size(element_type type)
{
    return type == element_type::q31 ? sizeof(std::int32_t) : sizeof(std::int16_t);
}

} // namespace

void *reserve_values(table_description &description)
{
    std::size_t bytes = 0;
    for (int i = 0; i < description.array_count; ++i) {
        const table_array &array = description.arrays[i];
        bytes += 2 * static_cast<std::size_t>(array.pairs) * element_size(array.type);
    }
    // calloc rather than new (std::nothrow), which throws and catches
    // std::bad_alloc inside, and so may end the process where memory is too
    // short even for the exception. Every element's size divides the ones
    // before it, so that each array starts aligned.
    auto *const block = static_cast<unsigned char *>(std::calloc(bytes, 1));
    if (block == nullptr)
        return nullptr;
    unsigned char *next = block;
    for (element_type type : {element_type::q31, element_type::q15, element_type::index}) {
        for (int i = 0; i < description.array_count; ++i) {
            table_array &array = description.arrays[i];
            if (array.type != type)
                continue;
            array.values = next;
            next += 2 * static_cast<std::size_t>(array.pairs) * element_size(array.type);
        }
    }
    return block;
}

void fill_table(const table_request &request, table_description &description)
{
    request.layout->fill(request, description);
}

table_array &add_array(table_description &description, const char *ident, const char *suffix,
                       const char *c_type, element_type type, std::int32_t pairs)
{
    table_array &array = description.arrays[description.array_count++];
    array = {};
    std::snprintf(array.name, sizeof array.name, "%s%s", ident, suffix);
    array.c_type = c_type;
    array.type = type;
    array.pairs = pairs;
    return array;
}

table_instance &add_instance(table_description &description, const char *ident,
                             const char *suffix, const char *c_type)
{
    table_instance &instance = description.instances[description.instance_count++];
    instance = {};
    std::snprintf(instance.name, sizeof instance.name, "%s%s", ident, suffix);
    instance.c_type = c_type;
    return instance;
}

void add_field(table_instance &instance, const char *format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    char *const field = instance.fields[instance.field_count++];
    std::vsnprintf(field, sizeof instance.fields[0], format, arguments);
    va_end(arguments);
}

void add_row(table_description &description, const char *label, bool in_header,
             const char *format, ...)
{
    comment_row &row = description.rows[description.row_count++];
    row.label = label;
    row.in_header = in_header;
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(row.value, sizeof row.value, format, arguments);
    va_end(arguments);
}

const char *rounding_name(rounding_rule rule)
{
    switch (rule) {
    case rounding_rule::nearest:
        return "to nearest";
    case rounding_rule::down:
        return "down";
    case rounding_rule::toward_zero:
        break;
    }
    return "toward zero";
}

const char *rounding_phrase(rounding_rule rule)
{
    switch (rule) {
    case rounding_rule::nearest:
        return "to nearest, halves away from zero";
    case rounding_rule::down:
        return "down, toward minus infinity";
    case rounding_rule::toward_zero:
        break;
    }
    return "toward zero";
}

void fill_values(table_description &description)
{
    for (int a = 0; a < description.array_count; ++a) {
        table_array &array = description.arrays[a];
        if (array.value == nullptr)
            continue;
        for (std::int32_t i = 0; i < 2 * array.pairs; ++i)
            store_value(array, i, array.value(array, i));
    }
}
