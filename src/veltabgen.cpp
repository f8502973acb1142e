#include "veltabgen.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "source_writer.h"
#include "twiddle_table.h"

namespace {

constexpr char usage_text[] =
    "                                                                        \n"
    "USAGE                                                                   \n"
    "    This is a stand-alone program intended to generate twiddle-factor   \n"
    "    arrays for the QMX_cfftbf library routine.  It is called as follows:\n"
    "                                                                        \n"
    "        veltabgen [-s scale] N > outputfile.c                           \n"
    "                                                                        \n"
    "    The argument 'N' specifies the size of the FFT.  This value         \n"
    "    must be a power of 2.  The switch '-s scale' allows selecting       \n"
    "    a different scale factor for the coefficients.  The default         \n"
    "    scale factor is 32767.5.                                            \n"
    "                                                                        \n"
    "    This program will generate the twiddle factor array 'w' and         \n"
    "    output the result to the display.  Redirect the output to           \n"
    "    a file as shown above.                                              \n"
    "                                                                        \n";

constexpr std::int32_t min_points = 16;
constexpr std::int32_t max_points = 32768;
constexpr std::int32_t no_points = -1;

// Half a unit above full scale, so that -scale * cos(0) truncates to -32767.
constexpr double default_scale = 32767.5;
constexpr double max_scale = 32767.6;

struct table_request {
    std::int32_t points;
    double scale;
};

// A fault in the command line, on its way to be reported by run_veltabgen.
// Ending the run this way rather than by exiting lets the whole flow run
// inside another program, as the fuzzer does.
struct usage_fault {
    std::optional<std::string> message;
};

[[noreturn]] void usage_exit(const char *message)
{
    throw usage_fault{message != nullptr ? std::optional<std::string>(message) : std::nullopt};
}

void report(std::FILE *err, const usage_fault &fault)
{
    std::fputs(usage_text, err);
    if (fault.message)
        std::fprintf(err, "ERROR:  %s\n", fault.message->c_str());
}

bool is_digit(char c)
{
    return c >= '0' && c <= '9';
}

double read_scale(const char *text)
{
    // sscanf rather than strtod: the scale is read exactly as "%lf" reads it,
    // and the two differ on some inputs ("0x" is 0 to strtod, no number here).
    double scale = 0.0;
    if (std::sscanf(text, "%lf", &scale) != 1)
        usage_exit("The -s switch requires a numeric argument.\n");
    // Written so that NaN fails it as well.
    if (!(scale > 0.0 && scale <= max_scale))
        usage_exit("Scale factor out of range.\n");
    return scale;
}

std::int32_t read_points(const char *text)
{
    if (!is_digit(text[0])) {
        char message[64];
        std::snprintf(message, sizeof message, "Unrecognized argument:  %-.32s\n", text);
        usage_exit(message);
    }
    // The leading digits, as "%d" reads them, but held just above the largest
    // size so that no number of digits can wrap around into the valid range.
    std::int32_t points = 0;
    for (const char *digit = text; is_digit(*digit); ++digit)
        points = std::min(points * 10 + (*digit - '0'), max_points + 1);

    if (points < min_points || points > max_points)
        usage_exit("FFT size must be between 16 and 32768 points.");
    if ((points & (points - 1)) != 0)
        usage_exit("FFT size must be a power of 2\n");
    return points;
}

// Each value is checked as it is met, so the leftmost fault is the one
// reported; a later valid value replaces an earlier one.
table_request read_command_line(int argc, char *argv[])
{
    if (argc <= 1)
        usage_exit(nullptr);

    table_request request{no_points, default_scale};
    for (int i = 1; i < argc; ++i) {
        const char *arg = argv[i];
        const bool is_switch = (arg[0] == '-' || arg[0] == '/') && arg[1] != '\0';
        if (!is_switch) {
            request.points = read_points(arg);
        } else if (arg[1] == 's' || arg[1] == 'S') {
            // The value is either attached (-s500) or the next argument,
            // which is taken whatever it begins with (-s -5).
            const char *value = arg + 2;
            if (*value == '\0')
                value = i + 1 < argc ? argv[++i] : "";
            request.scale = read_scale(value);
        } else {
            char message[64];
            std::snprintf(message, sizeof message, "Unrecognized switch character: '%c'\n",
                          arg[1]);
            usage_exit(message);
        }
    }
    if (request.points == no_points)
        usage_exit("Must specify FFT size.");
    return request;
}

} // namespace

int run_veltabgen(int argc, char *argv[], std::FILE *out, std::FILE *err)
{
    table_request request{};
    try {
        request = read_command_line(argc, argv);
    } catch (const usage_fault &fault) {
        report(err, fault);
        return EXIT_FAILURE;
    }

    std::vector<std::int16_t> table;
    try {
        table.resize(static_cast<std::size_t>(request.points));
    } catch (const std::bad_alloc &) {
        std::fputs("ERROR:  Unable to allocate memory for twiddle factors\n", err);
        return EXIT_FAILURE;
    }

    make_twiddle_table(table.data(), request.points, request.scale);
    write_twiddle_source(out, table.data(), request.points, request.scale);

    if (std::fflush(out) != 0 || std::ferror(out)) {
        std::fprintf(err, "ERROR:  Unable to write output: %s\n", std::strerror(errno));
        return EXIT_FAILURE;
    }
    return EXIT_SUCCESS;
}
