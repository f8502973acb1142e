#include "veltabgen.h"

#include <cerrno>
#include <cstdarg>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "atomic_file.h"
#include "coefficient_file.h"
#include "command_line.h"
#include "platform.h"
#include "source_writer.h"
#include "table_stats.h"
#include "text_check.h"
#include "table_layout.h"

namespace {

// Reports a fault in the command line: the usage text, then the error line
// unless the message is empty. A command line with long options is answered
// in the terms of today's tool; one without, as it always has been. Returns
// the exit status that ends the run.
int usage_exit(std::FILE *err, const char *message, bool long_options)
{
    if (long_options) {
        std::fputs(option_usage, err);
        std::fputs(help_pointer, err);
    } else {
        std::fputs(usage_text, err);
    }
    if (*message != '\0')
        std::fprintf(err, "ERROR:  %s\n", message);
    return EXIT_FAILURE;
}

// Writes an error line that names a file: before, the path as shown (with
// its control characters escaped, so that the error stays one line), then
// the line's end, after, formatted.
void show_path(std::FILE *err, const char *path)
{
    char shown[4];
    for (const char *c = path; *c != '\0'; ++c)
        std::fwrite(shown, 1, show_character(*c, shown), err);
}

[[gnu::format(printf, 4, 5)]] void report_on_file(std::FILE *err, const char *before,
                                                  const char *path, const char *after, ...)
{
    std::fputs(before, err);
    show_path(err, path);
    va_list arguments;
    va_start(arguments, after);
    std::vfprintf(err, after, arguments);
    va_end(arguments);
}

int report_write_failure(std::FILE *err, const char *what, int error)
{
    report_on_file(err, "ERROR:  Unable to write ", what, ": %s\n",
                   std::strerror(write_failure_reason(error)));
    return EXIT_FAILURE;
}

int report_file_failure(std::FILE *err, const atomic_file &file, int error)
{
    if (!file.folder_refused)
        return report_write_failure(err, file.path, error);
    report_on_file(err, "ERROR:  Unable to write ", file.path,
                   ": its folder is not writable (%s)\n", std::strerror(error));
    return EXIT_FAILURE;
}

// Opens the file, has write fill it, and checks that all of it reached the
// file.
template <typename writer>
bool prepare_atomic_file(atomic_file &file, const char *path, writer write)
{
    if (!open_atomic_file(file, path))
        return false;
    write(file.stream);
    return close_atomic_file(file);
}

// Reports a name that the run could not remove after it, whether the run
// wrote its files or failed: a file is never left without a word.
int report_leftover(std::FILE *err, const atomic_file &file)
{
    // Static, as the stack may be small.
    static char left[4096];
    name_leftover(file, left, sizeof left);
    const bool older = file.left == leftover::older_file;
    std::fputs(older ? "ERROR:  Unable to put the older " : "ERROR:  Unable to remove ", err);
    show_path(err, older ? file.path : left);
    std::fputs(older ? " back: it is kept as " : ", left beside ", err);
    show_path(err, older ? left : file.path);
    std::fprintf(err, ": %s\n", std::strerror(file.left_error));
    return EXIT_FAILURE;
}

// Writes the header and the source that the request names, each under a
// temporary name first, the source to out when no file is named for it. The
// header is put in place only once the source is whole, in its file or
// flushed to out, and the two files are put in place together: a run that
// fails leaves both as they were.
int write_pair(const table_description &table, const table_request &request, std::FILE *out,
               std::FILE *err, atomic_file &header, atomic_file &source)
{
    const bool header_wanted = request.header_path != nullptr;
    const bool source_wanted = request.output_path != nullptr;
    const auto write_header = [&](std::FILE *file) {
        write_twiddle_header(stream_sink(file), table, request);
    };
    const auto write_source = [&](std::FILE *file) {
        write_twiddle_source(stream_sink(file), table, request);
    };
    const atomic_file *failed = nullptr;
    if (header_wanted && !prepare_atomic_file(header, request.header_path, write_header))
        failed = &header;
    else if (source_wanted && !prepare_atomic_file(source, request.output_path, write_source))
        failed = &source;

    if (failed == nullptr && !source_wanted) {
        write_twiddle_source(stream_sink(out), table, request);
        if (std::fflush(out) != 0 || std::ferror(out)) {
            const int error = errno;
            discard_atomic_file(header);
            return report_write_failure(err, "output", error);
        }
    }
    if (failed == nullptr)
        failed = commit_atomic_files(header, source);
    if (failed != nullptr) {
        const int error = errno;
        discard_atomic_file(header);
        discard_atomic_file(source);
        return report_file_failure(err, *failed, error);
    }
    return EXIT_SUCCESS;
}

int write_files(const table_description &table, const table_request &request, std::FILE *out,
                std::FILE *err)
{
    atomic_file header{};
    atomic_file source{};
    int status = write_pair(table, request, out, err, header, source);
    for (const atomic_file *file : {&header, &source})
        if (file->left != leftover::none)
            status = report_leftover(err, *file);
    return status;
}

int report_read_failure(std::FILE *err, const char *path, int error)
{
    report_on_file(err, "ERROR:  Unable to read ", path, ": %s\n", std::strerror(error));
    return EXIT_FAILURE;
}

// Compares each file that the request names, the source first, with the text
// that it would hold, and reports the first that differs or cannot be read.
// Writes nothing.
int check_files(const table_description &table, const table_request &request, std::FILE *err)
{
    const char *const paths[] = {request.output_path, request.header_path};
    for (const char *path : paths) {
        if (path == nullptr)
            continue;
        text_check check{};
        if (!start_text_check(check, path))
            return report_read_failure(err, path, errno);
        if (path == request.output_path)
            write_twiddle_source(text_check_sink(check), table, request);
        else
            write_twiddle_header(text_check_sink(check), table, request);
        if (finish_text_check(check))
            continue;
        if (check.read_error != 0)
            return report_read_failure(err, path, check.read_error);
        report_on_file(err, "ERROR:  ", path, " differs from the generated text at line %ld.\n",
                       static_cast<long>(check.differing_line));
        return EXIT_FAILURE;
    }
    return EXIT_SUCCESS;
}

// Whether the request would write its two files to one: the header and
// the source named two ways, or the header and the file of standard output
// that the source goes to, which the header would replace.
bool pair_shares_a_file(const table_request &request)
{
    if (request.header_path == nullptr)
        return false;
    if (request.output_path != nullptr && same_file(request.header_path, request.output_path))
        return true;
    return names_standard_output(request.header_path) &&
           (request.output_path == nullptr || names_standard_output(request.output_path));
}

// Reads the filter's design that the request names, whole, and refuses one
// that the request cannot make: each with one error line, without the
// usage text, as the command line itself is sound.
bool read_request_design(table_request &request, filter_design &design, std::FILE *err)
{
    const table_layout &layout = *request.layout;
    if (layout.read_limits == nullptr)
        return true;
    static char message[1024];
    std::int32_t most = 0;
    const char *too_many = "";
    const design_kind kind = layout.read_limits(request, most, too_many);
    if (read_design(request.coefficients_path, kind, most, too_many, design, message, sizeof message)) {
        request.design = &design;
        if (!layout.refuse_design(request, message, sizeof message))
            return true;
    }
    std::fprintf(err, "ERROR:  %s\n", message);
    return false;
}

int generate(const table_request &asked, std::FILE *out, std::FILE *err)
{
    table_request request = asked;
    static filter_design design;
    if (!read_request_design(request, design, err))
        return EXIT_FAILURE;
    // Static, as the description holds a few kilobytes of names, and the stack may be small.
    static table_description table;
    describe_table(request, table);
    const auto free_values = [](void *values) { std::free(values); };
    const std::unique_ptr<void, decltype(free_values)> values(reserve_values(table), free_values);
    if (values == nullptr) {
        std::fputs("ERROR:  Unable to allocate memory for twiddle factors\n", err);
        return EXIT_FAILURE;
    }
    fill_table(request, table);
    if (request.stats) {
        write_table_report(out, table);
        return EXIT_SUCCESS;
    }
    if (request.check)
        return check_files(table, request, err);
    return write_files(table, request, out, err);
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
        status = usage_exit(err, command.fault_message, command.long_options);
        break;
    case run_action::show_help:
        std::fputs(option_usage, out);
        std::fputs(help_text, out);
        write_layout_help(out);
        break;
    case run_action::show_version:
        std::fputs("veltabgen " VELTABGEN_VERSION "\n", out);
        break;
    case run_action::generate:
        // Two spellings of one file would leave the source including itself,
        // or the header alone.
        if (pair_shares_a_file(command.request))
            status = usage_exit(err, "The --header and --output files must differ.",
                                command.long_options);
        else
            status = generate(command.request, out, err);
        break;
    }
    return close_output(out, err, status);
}
