#include "veltabgen.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "atomic_file.h"
#include "command_line.h"
#include "source_writer.h"
#include "twiddle_table.h"

namespace {

// Reports a fault in the command line: the usage text, then the error line
// unless the message is empty. Returns the exit status that ends the run.
int usage_exit(std::FILE *err, const char *message)
{
    std::fputs(usage_text, err);
    if (*message != '\0')
        std::fprintf(err, "ERROR:  %s\n", message);
    return EXIT_FAILURE;
}

int report_write_failure(std::FILE *err, const char *what, int error)
{
    std::fprintf(err, "ERROR:  Unable to write %s: %s\n", what, std::strerror(error));
    return EXIT_FAILURE;
}

int report_file_failure(std::FILE *err, const atomic_file &file)
{
    return report_write_failure(err, file.path, errno);
}

// Writes the header and the source files that the request names, each under
// a temporary name first; only once both are complete are they renamed over
// their paths, the header first. The source goes to out when no file is named
// for it.
int write_files(const std::int16_t *table, const table_request &request, std::FILE *out,
                std::FILE *err)
{
    atomic_file header{};
    atomic_file source{};
    if (request.header_path != nullptr) {
        if (!open_atomic_file(header, request.header_path))
            return report_file_failure(err, header);
        write_twiddle_header(header.stream, request);
        if (!close_atomic_file(header))
            return report_file_failure(err, header);
    }
    if (request.output_path != nullptr) {
        if (!open_atomic_file(source, request.output_path)) {
            discard_atomic_file(header);
            return report_file_failure(err, source);
        }
        write_twiddle_source(source.stream, table, request);
        if (!close_atomic_file(source)) {
            discard_atomic_file(header);
            return report_file_failure(err, source);
        }
    }
    if (request.header_path != nullptr && !commit_atomic_file(header)) {
        discard_atomic_file(source);
        return report_file_failure(err, header);
    }
    if (request.output_path == nullptr)
        write_twiddle_source(out, table, request);
    else if (!commit_atomic_file(source))
        return report_file_failure(err, source);
    return EXIT_SUCCESS;
}

int generate(const table_request &request, std::FILE *out, std::FILE *err)
{
    // calloc rather than new (std::nothrow), which throws and catches
    // std::bad_alloc inside, and so may end the process where memory is too
    // short even for the exception.
    const auto free_table = [](std::int16_t *table) { std::free(table); };
    const std::unique_ptr<std::int16_t[], decltype(free_table)> table(
        static_cast<std::int16_t *>(
            std::calloc(static_cast<std::size_t>(request.points), sizeof(std::int16_t))),
        free_table);
    if (table == nullptr) {
        std::fputs("ERROR:  Unable to allocate memory for twiddle factors\n", err);
        return EXIT_FAILURE;
    }
    make_twiddle_table(table.get(), request.points, request.scale);
    return write_files(table.get(), request, out, err);
}

// Closes out, and reports a failure to write it that a run which has
// otherwise succeeded has not yet seen: a full disk, a closed stream, or an
// error that shows only when the file is closed.
int close_output(std::FILE *out, std::FILE *err, int status)
{
    bool written = std::fflush(out) == 0 && !std::ferror(out);
    int error = errno;
    if (std::fclose(out) != 0 && written) {
        written = false;
        error = errno;
    }
    if (status == EXIT_SUCCESS && !written)
        return report_write_failure(err, "output", error);
    return status;
}

} // namespace

int run_veltabgen(int argc, char *argv[], std::FILE *out, std::FILE *err)
{
    const command_line command = read_command_line(argc, argv);
    int status = EXIT_SUCCESS;
    switch (command.action) {
    case run_action::report_fault:
        status = usage_exit(err, command.fault_message);
        break;
    case run_action::show_help:
        std::fputs(usage_text, out);
        std::fputs(option_summary, out);
        break;
    case run_action::show_version:
        std::fputs("veltabgen " VELTABGEN_VERSION "\n", out);
        break;
    case run_action::generate:
        status = generate(command.request, out, err);
        break;
    }
    return close_output(out, err, status);
}
