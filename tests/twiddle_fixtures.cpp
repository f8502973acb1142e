#include "twiddle_fixtures.h"

#include "source_writer.h"
#include "twiddle_table.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <sstream>
#include <stdexcept>

namespace {

std::string written_by(const std::function<void(std::FILE *)> &write)
{
    std::FILE *file = std::tmpfile();
    if (file == nullptr)
        throw std::runtime_error("tmpfile failed");
    write(file);
    std::string text(static_cast<std::size_t>(std::ftell(file)), '\0');
    std::rewind(file);
    const std::size_t read = std::fread(text.data(), 1, text.size(), file);
    std::fclose(file);
    if (read != text.size())
        throw std::runtime_error("short read from tmpfile");
    return text;
}

} // namespace

std::vector<std::int16_t> table_for(std::int32_t n, double scale, rounding_rule rule)
{
    std::vector<std::int16_t> table(static_cast<std::size_t>(n));
    make_twiddle_table(table.data(), n, scale, rule);
    return table;
}

table_request default_request(std::int32_t n, double scale)
{
    table_request request{};
    request.layout = table_layouts[0];
    request.type = sample_type::q15;
    request.points = n;
    request.scale = scale;
    request.array_name = "w";
    request.alignment = alignment_style::ti;
    request.bank = no_bank;
    request.rounding = rounding_rule::toward_zero;
    return request;
}

std::string render(const std::vector<std::int16_t> &table, const table_request &request)
{
    table_description description;
    describe_table(request, description);
    description.arrays[0].values = const_cast<std::int16_t *>(table.data());
    return written_by([&](std::FILE *file) {
        write_twiddle_source(stream_sink(file), description, request);
    });
}

std::string render_table(const table_request &request)
{
    table_description description;
    describe_table(request, description);
    void *const values = reserve_values(description);
    fill_table(request, description);
    const std::string text = written_by([&](std::FILE *file) {
        write_twiddle_source(stream_sink(file), description, request);
    });
    std::free(values);
    return text;
}

std::string render(const std::vector<std::int16_t> &table, double scale)
{
    return render(table, default_request(static_cast<std::int32_t>(table.size()), scale));
}

std::string render_header(const table_request &request)
{
    table_description description;
    describe_table(request, description);
    return written_by([&](std::FILE *file) {
        write_twiddle_header(stream_sink(file), description, request);
    });
}

std::map<std::string, printed_table> tables_printed(const std::string &text)
{
    std::map<std::string, printed_table> tables;
    std::istringstream lines(text);
    printed_table *current = nullptr;
    for (std::string line; std::getline(lines, line);) {
        const std::size_t space = line.find(' ');
        if (space != std::string::npos) {
            current = &tables[line.substr(0, space)];
            current->address_mod_4 = std::stoi(line.substr(space + 1));
        } else if (current != nullptr) {
            current->entries.push_back(static_cast<std::int16_t>(std::stoi(line)));
        }
    }
    return tables;
}

std::map<std::string, std::string> section_alignments(const std::string &objdump_output)
{
    std::istringstream sections(objdump_output);
    std::map<std::string, std::string> alignment;
    for (std::string line; std::getline(sections, line);) {
        std::istringstream words(line);
        std::string index, name, size, vma, lma, offset, align;
        if (words >> index >> name >> size >> vma >> lma >> offset >> align)
            alignment[name] = align;
    }
    return alignment;
}

std::vector<written_array> arrays_written(const std::string &source)
{
    std::vector<written_array> arrays;
    std::istringstream lines(source);
    written_array *current = nullptr;
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.rfind("const ", 0) == 0 && line.find('[') != std::string::npos) {
            std::istringstream words(line.substr(6));
            written_array array;
            words >> array.type >> array.name;
            array.name = array.name.substr(0, array.name.find('['));
            arrays.push_back(array);
            current = &arrays.back();
        } else if (line.rfind("};", 0) == 0 || line.rfind("const ", 0) == 0) {
            current = nullptr;
        } else if (current != nullptr && line.rfind("    ", 0) == 0) {
            std::istringstream entries(line);
            for (std::string entry; std::getline(entries, entry, ',');) {
                const std::size_t digits = entry.find_first_not_of(" -");
                if (digits == std::string::npos)
                    continue;
                const bool hex = entry.find("0x") != std::string::npos;
                const long magnitude = std::stol(entry.substr(digits), nullptr, hex ? 16 : 10);
                current->entries.push_back(entry.find('-') != std::string::npos ? -magnitude : magnitude);
            }
        }
    }
    return arrays;
}

written_array array_named(const std::string &source, const std::string &name)
{
    for (const written_array &array : arrays_written(source))
        if (array.name == name)
            return array;
    return {};
}

std::string shown(long double figure, int decimals)
{
    if (std::isinf(figure))
        return figure > 0 ? "inf" : "-inf";
    const long double scaled = figure * std::pow(10.0L, decimals);
    const long double whole = std::trunc(scaled + std::copysign(0.5L + 1e-6L, scaled));
    char text[64];
    std::snprintf(text, sizeof text, "%.*Lf", decimals, (whole == 0 ? 0.0L : whole) / std::pow(10.0L, decimals));
    return text;
}
