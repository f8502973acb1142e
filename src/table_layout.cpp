#include "table_layout.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

extern const table_layout radix2_layout;
extern const table_layout cmsis_cfft_layout;
extern const table_layout cmsis_rfft_layout;
extern const table_layout window_layout;
extern const table_layout cmsis_mfcc_layout;
extern const table_layout cmsis_biquad_layout;
extern const table_layout cmsis_fir_layout;

const table_layout *const table_layouts[] = {&radix2_layout,    &cmsis_cfft_layout,   &cmsis_rfft_layout,
                                             &window_layout,    &cmsis_mfcc_layout,   &cmsis_biquad_layout,
                                             &cmsis_fir_layout};
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
    // Each row, test, refusal, array and instance is set whole as a layout
    // adds it, so only what stands outside them is cleared here: clearing
    // the whole room, 20 KiB, would cost as much as a tenth of the largest
    // table's formatting.
    description.layout = request.layout;
    description.title = nullptr;
    description.header_title = nullptr;
    description.types_header = nullptr;
    description.summary[0] = '\0';
    description.row_count = 0;
    description.test_count = 0;
    description.refusal_count = 0;
    description.array_count = 0;
    description.instance_count = 0;
    description.macro_count = 0;
    description.report_count = 0;
    description.ident = request.array_name;
    request.layout->describe(request, description);
}

std::size_t element_size(element_type type)
{
    return type == element_type::q31 || type == element_type::offset || type == element_type::f32
               ? sizeof(std::int32_t)
               : sizeof(std::int16_t);
}

void *reserve_values(table_description &description)
{
    std::size_t bytes = 0;
    // The client's state has no values here: it is zeroed where it runs.
    for (int i = 0; i < description.array_count; ++i) {
        const table_array &array = description.arrays[i];
        if (!array.writable)
            bytes += static_cast<std::size_t>(array.count + array.tail) * element_size(array.type);
    }
    // calloc rather than new (std::nothrow), which throws and catches
    // std::bad_alloc inside, and so may end the process where memory is too
    // short even for the exception. The arrays of 4-byte elements come first,
    // so that each array starts aligned.
    auto *const block = static_cast<unsigned char *>(std::calloc(bytes, 1));
    if (block == nullptr)
        return nullptr;
    unsigned char *next = block;
    for (const std::size_t size : {sizeof(std::int32_t), sizeof(std::int16_t)}) {
        for (int i = 0; i < description.array_count; ++i) {
            table_array &array = description.arrays[i];
            if (element_size(array.type) != size || array.writable)
                continue;
            array.values = next;
            next += static_cast<std::size_t>(array.count + array.tail) * size;
        }
    }
    return block;
}

void fill_table(const table_request &request, table_description &description)
{
    request.layout->fill(request, description);
}

table_array &add_array(table_description &description, const char *ident, const char *suffix,
                       const char *c_type, element_type type, std::int32_t count)
{
    table_array &array = description.arrays[description.array_count++];
    array = {};
    std::snprintf(array.name, sizeof array.name, "%s%s", ident, suffix);
    array.c_type = c_type;
    array.type = type;
    array.count = count;
    return array;
}

table_instance &add_instance(table_description &description, const char *ident,
                             const char *suffix, const char *c_type)
{
    table_instance &instance = description.instances[description.instance_count++];
    instance = {};
    std::snprintf(instance.name, sizeof instance.name, "%s%s", ident, suffix);
    instance.c_type = c_type;
    instance.defined = true;
    return instance;
}

instance_field &add_field(table_instance &instance, field_kind kind, const char *format, ...)
{
    instance_field &field = instance.fields[instance.field_count++];
    field = {};
    field.kind = kind;
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(field.text, sizeof field.text, format, arguments);
    va_end(arguments);
    return field;
}

instance_field &add_instance_field(table_instance &instance, int held_instance)
{
    instance_field &field = instance.fields[instance.field_count++];
    field = {};
    field.kind = field_kind::instance;
    field.instance = held_instance;
    return field;
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

table_macro &add_macro(table_description &description, const char *suffix, long value)
{
    table_macro &macro = description.macros[description.macro_count++];
    std::snprintf(macro.name, sizeof macro.name, "%s%s", description.ident, suffix);
    macro.value = value;
    macro.where = every_build;
    return macro;
}

void add_report_row(table_description &description, const char *label, const char *format, ...)
{
    report_row &row = description.report[description.report_count++];
    row.label = label;
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(row.value, sizeof row.value, format, arguments);
    va_end(arguments);
}

unsigned char add_build_test(table_description &description, const build_test &test)
{
    int t = 0;
    while (t < description.test_count && description.tests[t].expression != test.expression)
        ++t;
    if (t == description.test_count)
        description.tests[description.test_count++] = test;
    return static_cast<unsigned char>(1u << t);
}

const char *rounding_name(rounding_rule rule)
{
    switch (rule) {
    case rounding_rule::nearest:
        return "to nearest";
    case rounding_rule::nearest_even:
        return "to nearest, halves to even";
    case rounding_rule::down:
        return "down";
    case rounding_rule::down_after_a_twentieth:
        return "down after adding 0.05";
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
    case rounding_rule::nearest_even:
        return "to nearest, halves to even";
    case rounding_rule::down:
        return "down, toward minus infinity";
    case rounding_rule::down_after_a_twentieth:
        return "down, after adding 0.05";
    case rounding_rule::toward_zero:
        break;
    }
    return "toward zero";
}

void fill_values(table_description &description)
{
    for (int a = 0; a < description.array_count; ++a) {
        table_array &array = description.arrays[a];
        if (array.fill != nullptr)
            array.fill(array);
        if (array.value == nullptr)
            continue;
        for (std::int32_t i = 0; i < array.count + array.tail; ++i)
            store_value(array, i, array.value(array, i));
    }
}

void fill_from_values(const table_request &, table_description &description)
{
    fill_values(description);
}
