#include "twiddle_fixtures.h"

#include "source_writer.h"
#include "twiddle_table.h"

#include <cstdio>
#include <stdexcept>

std::vector<std::int16_t> table_for(std::int32_t n, double scale)
{
    std::vector<std::int16_t> table(static_cast<std::size_t>(n));
    make_twiddle_table(table.data(), n, scale);
    return table;
}

std::string render(const std::vector<std::int16_t> &table, double scale)
{
    std::FILE *file = std::tmpfile();
    if (file == nullptr)
        throw std::runtime_error("tmpfile failed");
    write_twiddle_source(file, table.data(), static_cast<std::int32_t>(table.size()), scale);
    std::string text(static_cast<std::size_t>(std::ftell(file)), '\0');
    std::rewind(file);
    const std::size_t read = std::fread(text.data(), 1, text.size(), file);
    std::fclose(file);
    if (read != text.size())
        throw std::runtime_error("short read from tmpfile");
    return text;
}
