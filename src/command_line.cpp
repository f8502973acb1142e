#include "command_line.h"

#include <cstdio>
#include <cstring>

#include "layout_window.h"
#include "scan_double.h"
#include "table_layout.h"

const char usage_text[] =
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

const char option_usage[] =
    "Usage: veltabgen [-s scale | --scale=S] [--round=RULE] [--layout=LAYOUT]\n"
    "                 [--type=TYPE] [--window=WINDOW] [--symmetric]\n"
    "                 [--sample-rate=HZ] [--mel-filters=M] [--dct-outputs=K]\n"
    "                 [--fmin=HZ] [--fmax=HZ] [--frame-length=L]\n"
    "                 [--coefficients=FILE] [--name=IDENT] [--align=STYLE]\n"
    "                 [--section=NAME] [--bank=B] [--header=FILE] [--output=FILE]\n"
    "                 [--check | --stats] N\n"
    "       veltabgen --help | --version\n";

const char help_pointer[] = "Run 'veltabgen --help' for what each option does.\n";

const char help_text[] =
    "\n"
    "Writes the twiddle factors of an N-point fixed-point radix-2 FFT as a C\n"
    "source file that defines them as the constant array w, to standard output;\n"
    "or the tables of CMSIS-DSP's fixed-point FFTs or MFCC for exactly that\n"
    "size, a window function's table, or CMSIS-DSP's biquad cascade or FIR for\n"
    "a design of one's own, filtering blocks of N samples.\n"
    "\n"
    "  N               The FFT size: 16, 32, 64, 128, 256, 512, 1024, 2048, 4096,\n"
    "                  8192, 16384 or 32768; for the other layouts, below.\n"
    "  -s scale        The scale factor, above 0 and at most 32767.6; by default\n"
    "                  32767.5. Also -sSCALE, -S, /s and /S.\n"
    "  --scale=S       The scale factor, read as -s reads it, above 0 and at\n"
    "                  most 32768: with --round=nearest, 32768 makes the best\n"
    "                  table for an FFT that shifts its products right by 15.\n"
    "  --round=RULE    Make each entry an integer by rounding toward zero (zero,\n"
    "                  the default for radix2), to the nearest, halves away from\n"
    "                  zero (nearest), or down (floor). All saturate. The other\n"
    "                  layouts round each array as CMSIS-DSP's own by default,\n"
    "                  and a window to nearest; floats always so.\n"
    "  --layout=LAYOUT What to write: radix2 (the default), the table above;\n"
    "                  cmsis-cfft, the twiddle factors, bit reversal and\n"
    "                  arm_cfft_instance of CMSIS-DSP's complex FFT, named\n"
    "                  IDENT_twiddle, IDENT_bitrev and IDENT; cmsis-rfft,\n"
    "                  those of its real FFT: IDENT_a, IDENT_b, the complex\n"
    "                  FFT's as IDENT_cfft..., and the arm_rfft_instances\n"
    "                  IDENT_forward and IDENT_inverse (in f32 and f16,\n"
    "                  IDENT_twiddle and the arm_rfft_fast_instance IDENT);\n"
    "                  window, a window of N values, IDENT; cmsis-mfcc, the\n"
    "                  window, mel filters and DCT of CMSIS-DSP's MFCC, the\n"
    "                  tables of its FFT, and the arm_mfcc_instance IDENT;\n"
    "                  cmsis-biquad, the coefficients IDENT_coefficients,\n"
    "                  state IDENT_state and arm_biquad_casd_df1_inst IDENT of\n"
    "                  CMSIS-DSP's biquad cascade; cmsis-fir, the taps\n"
    "                  IDENT_taps, state and arm_fir_instance IDENT of its\n"
    "                  FIR. The CMSIS layouts also hold Helium's tables, for a\n"
    "                  build that takes them.\n"
    "  --type=TYPE     q15 (the default) or q31, but with radix2; f32 or f16,\n"
    "                  CMSIS-DSP's floating-point FFTs and MFCC.\n"
    "  --window=WINDOW The window: hann (the default of window), hamming (of\n"
    "                  cmsis-mfcc), blackman or flattop.\n"
    "  --symmetric     The symmetric window, for filter design, in place of the\n"
    "                  periodic one, for spectral analysis.\n"
    "  --sample-rate=HZ The MFCC's sample rate in hertz, 16000 by default.\n"
    "  --mel-filters=M The MFCC's mel filters, 1 to 4096; 20 by default.\n"
    "  --dct-outputs=K Its DCT outputs, 1 to M; 13 by default.\n"
    "  --fmin=HZ       The lowest frequency of its filters, 0 by default.\n"
    "  --fmax=HZ       The highest, at most and by default half the sample rate.\n"
    "  --frame-length=L The MFCC's frames, 2 to N samples, which its window,\n"
    "                  of L values, pads with zeros to N; N by default.\n"
    "  --coefficients=FILE The filter's design: of a biquad cascade, a section to\n"
    "                  a line, b0 b1 b2 a0 a1 a2; of an FIR, its taps h[0] ...\n"
    "                  h[N-1]; as numpy.savetxt or MATLAB's writematrix write\n"
    "                  them, # to the end of a line a comment.\n"
    "  --name=IDENT    Name the array IDENT instead of w.\n"
    "  --align=STYLE   Ask for the 4-byte alignment with ti (the default for\n"
    "                  radix2: #pragma DATA_ALIGN, after a note on memory banks),\n"
    "                  gnu (__attribute__((aligned)), the default of the others),\n"
    "                  c11 (_Alignas) or none.\n"
    "  --section=NAME  Place the arrays and instances in the section NAME: a\n"
    "                  pragma with ti, an attribute with gnu.\n"
    "  --bank=B        Place the array in memory bank B, 0 to 15, with\n"
    "                  #pragma DATA_MEM_BANK in place of DATA_ALIGN (ti only).\n"
    "  --header=FILE   Also write FILE, a C and C++ header that declares the\n"
    "                  arrays and instances; the source includes it.\n"
    "  --output=FILE   Write the source to FILE, replacing FILE only once the\n"
    "                  whole source is written.\n"
    "  --check         Write nothing: compare the files of --output and --header\n"
    "                  with what would be written, and exit 1 where they differ.\n"
    "  --stats         Write nothing but a report of the table's error against the\n"
    "                  exact values, of what it costs an FFT and of its bytes, to\n"
    "                  standard output.\n"
    "  --help          Show this text.\n"
    "  --version       Show the version.\n"
    "\n"
    "An option's value may also be the next argument: --name IDENT. A fault is\n"
    "reported after the usage above where the command line has a long option,\n"
    "and after the classic usage text where it has none.\n"
    "\n"
    "The layouts, with their sizes N and the options that not every layout takes:\n";

std::size_t show_character(char c, char *out)
{
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte != 0x7F) {
        out[0] = c;
        return 1;
    }
    out[0] = '\\';
    switch (c) {
    case '\n':
        out[1] = 'n';
        return 2;
    case '\t':
        out[1] = 't';
        return 2;
    case '\r':
        out[1] = 'r';
        return 2;
    default:
        break;
    }
    static constexpr char hex_digits[] = "0123456789abcdef";
    out[1] = 'x';
    out[2] = hex_digits[byte >> 4];
    out[3] = hex_digits[byte & 0xF];
    return 4;
}

namespace {

constexpr std::int32_t max_points = 32768;
constexpr std::int32_t no_points = -1;

// Half a unit above full scale, so that -scale * cos(0) truncates to -32767.
constexpr double default_scale = 32767.5;
constexpr double max_scale = 32767.6;
// Full scale for an FFT that divides its products by 32768, where the
// entries of +1.0 saturate to 32767.
constexpr double max_long_scale = 32768.0;

constexpr std::size_t max_name_length = 63;
constexpr std::size_t max_section_length = 64;
constexpr std::size_t shown_argument_length = 32;

// The room of a fault's message: static, as the stack may be small, and
// large enough for two numbers of a configuration in full.
char fault_text[1024];

// Ends the reading with a fault. Returns false, for the readers to return.
bool fail(command_line &command, const char *message)
{
    command.action = run_action::report_fault;
    std::snprintf(fault_text, sizeof fault_text, "%s", message);
    command.fault_message = fault_text;
    return false;
}

// The same, for a message that shows a value: format holds one "%s", which
// shows at most the first 32 bytes of the first length of text, cut where a
// UTF-8 character begins, with control characters escaped.
bool fail_showing(command_line &command, const char *format, const char *text,
                  std::size_t length)
{
    std::size_t shown = length < shown_argument_length ? length : shown_argument_length;
    // The character that the cut falls in begins at most 3 bytes before it,
    // where its first byte tells its length.
    for (std::size_t back = 1; shown < length && back <= 3 && back <= shown; ++back) {
        const auto first = static_cast<unsigned char>(text[shown - back]);
        if ((first & 0xC0) == 0x80)
            continue;
        const std::size_t bytes = first >= 0xF0 ? 4 : first >= 0xE0 ? 3 : first >= 0xC0 ? 2 : 1;
        if (bytes > back)
            shown -= back;
        break;
    }
    char value[shown_argument_length * 4 + 1];
    std::size_t written = 0;
    for (std::size_t i = 0; i < shown; ++i)
        written += show_character(text[i], value + written);
    value[written] = '\0';
    command.action = run_action::report_fault;
    std::snprintf(fault_text, sizeof fault_text, format, value);
    command.fault_message = fault_text;
    return false;
}

bool is_digit(char c)
{
    return c >= '0' && c <= '9';
}

bool is_identifier_start(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}

bool read_scale(command_line &command, const char *text)
{
    double scale = 0.0;
    if (!scan_double(text, scale))
        return fail(command, "The -s switch requires a numeric argument.\n");
    // Written so that NaN fails it as well.
    if (!(scale > 0.0 && scale <= max_scale))
        return fail(command, "Scale factor out of range.\n");
    command.request.scale = scale;
    return true;
}

bool read_long_scale(command_line &command, const char *text)
{
    double scale = 0.0;
    // Written so that NaN fails it as well.
    if (!scan_double(text, scale) || !(scale > 0.0 && scale <= max_long_scale))
        return fail_showing(command,
                            "The --scale option needs a number above 0 and at most 32768:  %s\n",
                            text, std::strlen(text));
    command.request.scale = scale;
    return true;
}

bool read_points(command_line &command, const char *text)
{
    if (!is_digit(text[0])) {
        command.action = run_action::report_fault;
        std::snprintf(fault_text, sizeof fault_text, "Unrecognized argument:  %-.32s\n", text);
        command.fault_message = fault_text;
        return false;
    }

    // The leading digits, as "%d" reads them, but held just above the largest
    // size so that no number of digits can wrap around into the valid range.
    std::int32_t points = 0;
    for (const char *digit = text; is_digit(*digit); ++digit) {
        points = points * 10 + (*digit - '0');
        if (points > max_points)
            points = max_points + 1;
    }
    command.request.points = points;
    // Before the layout is known, a size is only read.
    const table_layout *layout = command.layout_of_run;
    if (layout == nullptr)
        return true;
    const bool in_range = points >= layout->min_points && points <= layout->max_points;
    const bool power_of_two = (points & (points - 1)) == 0;
    if (layout == table_layouts[0]) {
        // The classic table's own messages.
        if (!in_range)
            return fail(command, "FFT size must be between 16 and 32768 points.");
        if (!power_of_two)
            return fail(command, "FFT size must be a power of 2\n");
        return true;
    }
    if (in_range && (power_of_two || !layout->power_of_two))
        return true;
    char message[128];
    std::snprintf(message, sizeof message, "The %s layout takes N from %d to %d%s.\n", layout->name,
                  static_cast<int>(layout->min_points), static_cast<int>(layout->max_points),
                  layout->power_of_two ? ", a power of 2" : "");
    return fail(command, message);
}

// Words that cannot name the array in C, or in the C++ that includes its
// header.
constexpr const char *reserved_words[] = {
    "_Alignas", "_Alignof", "_Atomic", "_BitInt", "_Bool", "_Complex", "_Decimal128",
    "_Decimal32", "_Decimal64", "_Generic", "_Imaginary", "_Noreturn", "_Static_assert",
    "_Thread_local", "alignas", "alignof", "and", "and_eq", "asm", "auto", "bitand", "bitor",
    "bool", "break", "case", "catch", "char", "char16_t", "char32_t", "char8_t", "class",
    "co_await", "co_return", "co_yield", "compl", "concept", "const", "const_cast", "consteval",
    "constexpr", "constinit", "continue", "decltype", "default", "delete", "do", "double",
    "dynamic_cast", "else", "enum", "explicit", "export", "extern", "false", "float", "for",
    "friend", "goto", "if", "inline", "int", "long", "mutable", "namespace", "new", "noexcept",
    "not", "not_eq", "nullptr", "operator", "or", "or_eq", "private", "protected", "public",
    "register", "reinterpret_cast", "requires", "restrict", "return", "short", "signed",
    "sizeof", "static", "static_assert", "static_cast", "struct", "switch", "template", "this",
    "thread_local", "throw", "true", "try", "typedef", "typeid", "typename", "typeof",
    "typeof_unqual", "union", "unsigned", "using", "virtual", "void", "volatile", "wchar_t",
    "while", "xor", "xor_eq",
};

// Names that the C standard library declares, as functions, objects, macros
// or types (and so the C++ one, in the global namespace): an array of one of
// these names would clash with the header that declares it, and C reserves
// them for the library's use.
constexpr const char *library_names[] = {
    "BUFSIZ", "EOF", "FILE", "FILENAME_MAX", "FOPEN_MAX", "L_tmpnam", "NULL", "SEEK_CUR",
    "SEEK_END", "SEEK_SET", "TMP_MAX", "abort", "abs", "acos", "acosf", "acosh", "acoshf",
    "acoshl", "acosl", "aligned_alloc", "asctime", "asin", "asinf", "asinh", "asinhf", "asinhl",
    "asinl", "assert", "at_quick_exit", "atan", "atan2", "atan2f", "atan2l", "atanf", "atanh",
    "atanhf", "atanhl", "atanl", "atexit", "atof", "atoi", "atol", "atoll", "bsearch", "btowc",
    "c16rtomb", "c32rtomb", "cabs", "cabsf", "cabsl", "cacos", "cacosf", "cacosh", "cacoshf",
    "cacoshl", "cacosl", "call_once", "calloc", "carg", "cargf", "cargl", "casin", "casinf",
    "casinh", "casinhf", "casinhl", "casinl", "catan", "catanf", "catanh", "catanhf", "catanhl",
    "catanl", "cbrt", "cbrtf", "cbrtl", "ccos", "ccosf", "ccosh", "ccoshf", "ccoshl", "ccosl",
    "ceil", "ceilf", "ceill", "cexp", "cexpf", "cexpl", "cimag", "cimagf", "cimagl", "clearerr",
    "clock", "clock_t", "clog", "clogf", "clogl", "cnd_broadcast", "cnd_destroy", "cnd_init",
    "cnd_signal", "cnd_timedwait", "cnd_wait", "conj", "conjf", "conjl", "copysign", "copysignf",
    "copysignl", "cos", "cosf", "cosh", "coshf", "coshl", "cosl", "cpow", "cpowf", "cpowl",
    "cproj", "cprojf", "cprojl", "creal", "crealf", "creall", "csin", "csinf", "csinh", "csinhf",
    "csinhl", "csinl", "csqrt", "csqrtf", "csqrtl", "ctan", "ctanf", "ctanh", "ctanhf", "ctanhl",
    "ctanl", "ctime", "difftime", "div", "div_t", "erf", "erfc", "erfcf", "erfcl", "erff", "erfl",
    "errno", "exit", "exp", "exp2", "exp2f", "exp2l", "expf", "expl", "expm1", "expm1f", "expm1l",
    "fabs", "fabsf", "fabsl", "fclose", "fdim", "fdimf", "fdiml", "feclearexcept", "fegetenv",
    "fegetexceptflag", "fegetround", "feholdexcept", "fenv_t", "feof", "feraiseexcept", "ferror",
    "fesetenv", "fesetexceptflag", "fesetround", "fetestexcept", "feupdateenv", "fexcept_t",
    "fflush", "fgetc", "fgetpos", "fgets", "fgetwc", "fgetws", "floor", "floorf", "floorl", "fma",
    "fmaf", "fmal", "fmax", "fmaxf", "fmaxl", "fmin", "fminf", "fminl", "fmod", "fmodf", "fmodl",
    "fopen", "fpos_t", "fprintf", "fputc", "fputs", "fputwc", "fputws", "fread", "free", "freopen",
    "frexp", "frexpf", "frexpl", "fscanf", "fseek", "fsetpos", "ftell", "fwide", "fwprintf",
    "fwrite", "fwscanf", "getc", "getchar", "getenv", "gets", "getwc", "getwchar", "gmtime",
    "hypot", "hypotf", "hypotl", "ilogb", "ilogbf", "ilogbl", "imaxabs", "imaxdiv", "imaxdiv_t",
    "int16_t", "int32_t", "int64_t", "int8_t", "intmax_t", "intptr_t", "isalnum", "isalpha",
    "isblank", "iscntrl", "isdigit", "isgraph", "islower", "isprint", "ispunct", "isspace",
    "isupper", "iswalnum", "iswalpha", "iswblank", "iswcntrl", "iswctype", "iswdigit", "iswgraph",
    "iswlower", "iswprint", "iswpunct", "iswspace", "iswupper", "iswxdigit", "isxdigit", "jmp_buf",
    "kill_dependency", "labs", "ldexp", "ldexpf", "ldexpl", "ldiv", "ldiv_t", "lgamma", "lgammaf",
    "lgammal", "llabs", "lldiv", "lldiv_t", "llrint", "llrintf", "llrintl", "llround", "llroundf",
    "llroundl", "localeconv", "localtime", "log", "log10", "log10f", "log10l", "log1p", "log1pf",
    "log1pl", "log2", "log2f", "log2l", "logb", "logbf", "logbl", "logf", "logl", "longjmp",
    "lrint", "lrintf", "lrintl", "lround", "lroundf", "lroundl", "malloc", "max_align_t", "mblen",
    "mbrlen", "mbrtoc16", "mbrtoc32", "mbrtowc", "mbsinit", "mbsrtowcs", "mbstate_t", "mbstowcs",
    "mbtowc", "memchr", "memcmp", "memcpy", "memmove", "memset", "mktime", "modf", "modff",
    "modfl", "mtx_destroy", "mtx_init", "mtx_lock", "mtx_timedlock", "mtx_trylock", "mtx_unlock",
    "nan", "nanf", "nanl", "nearbyint", "nearbyintf", "nearbyintl", "nextafter", "nextafterf",
    "nextafterl", "nexttoward", "nexttowardf", "nexttowardl", "offsetof", "perror", "pow", "powf",
    "powl", "printf", "ptrdiff_t", "putc", "putchar", "puts", "putwc", "putwchar", "qsort",
    "quick_exit", "raise", "rand", "realloc", "remainder", "remainderf", "remainderl", "remove",
    "remquo", "remquof", "remquol", "rename", "rewind", "rint", "rintf", "rintl", "round",
    "roundf", "roundl", "scalbln", "scalblnf", "scalblnl", "scalbn", "scalbnf", "scalbnl", "scanf",
    "setbuf", "setjmp", "setlocale", "setvbuf", "sig_atomic_t", "signal", "sin", "sinf", "sinh",
    "sinhf", "sinhl", "sinl", "size_t", "snprintf", "sprintf", "sqrt", "sqrtf", "sqrtl", "srand",
    "sscanf", "stderr", "stdin", "stdout", "strcat", "strchr", "strcmp", "strcoll", "strcpy",
    "strcspn", "strerror", "strftime", "strlen", "strncat", "strncmp", "strncpy", "strpbrk",
    "strrchr", "strspn", "strstr", "strtod", "strtof", "strtoimax", "strtok", "strtol", "strtold",
    "strtoll", "strtoul", "strtoull", "strtoumax", "strxfrm", "swprintf", "swscanf", "system",
    "tan", "tanf", "tanh", "tanhf", "tanhl", "tanl", "tgamma", "tgammaf", "tgammal", "thrd_create",
    "thrd_current", "thrd_detach", "thrd_equal", "thrd_exit", "thrd_join", "thrd_sleep",
    "thrd_yield", "time", "time_t", "timespec_get", "tmpfile", "tmpnam", "tolower", "toupper",
    "towctrans", "towlower", "towupper", "trunc", "truncf", "truncl", "tss_create", "tss_delete",
    "tss_get", "tss_set", "uint16_t", "uint32_t", "uint64_t", "uint8_t", "uintmax_t", "uintptr_t",
    "ungetc", "ungetwc", "va_arg", "va_copy", "va_end", "va_list", "va_start", "vfprintf",
    "vfscanf", "vfwprintf", "vfwscanf", "vprintf", "vscanf", "vsnprintf", "vsprintf", "vsscanf",
    "vswprintf", "vswscanf", "vwprintf", "vwscanf", "wcrtomb", "wcscat", "wcschr", "wcscmp",
    "wcscoll", "wcscpy", "wcscspn", "wcsftime", "wcslen", "wcsncat", "wcsncmp", "wcsncpy",
    "wcspbrk", "wcsrchr", "wcsrtombs", "wcsspn", "wcsstr", "wcstod", "wcstof", "wcstoimax",
    "wcstok", "wcstol", "wcstold", "wcstoll", "wcstombs", "wcstoul", "wcstoull", "wcstoumax",
    "wcsxfrm", "wctob", "wctomb", "wctrans", "wctrans_t", "wctype", "wctype_t", "wint_t",
    "wmemchr", "wmemcmp", "wmemcpy", "wmemmove", "wmemset", "wprintf", "wscanf",
};

// Names that gcc and clang define as macros in their GNU modes (-std=gnu11,
// the default) on one platform or another, and so cannot name the array.
constexpr const char *predefined_macros[] = {
    "WIN32", "WIN64", "WINNT", "i386", "linux", "m68k", "mc68000", "mips", "powerpc",
    "sparc", "sun",   "unix",  "vax",
};

// Whether the headers of the library that the source includes declare name,
// or one of the names that it makes of it, which begin with name and "_".
bool is_taken_by_client(const table_client &client, const char *name)
{
    for (std::size_t i = 0; i < client.taken_name_count; ++i)
        if (std::strcmp(name, client.taken_names[i]) == 0)
            return true;
    const std::size_t length = std::strlen(name);
    for (const char *const *prefix = client.taken_prefixes; prefix != nullptr && *prefix != nullptr; ++prefix) {
        const std::size_t prefix_length = std::strlen(*prefix);
        if (std::strncmp(name, *prefix, prefix_length) == 0 ||
            (length + 1 == prefix_length && std::strncmp(name, *prefix, length) == 0))
            return true;
    }
    return false;
}

bool read_array_name(command_line &command, const char *name)
{
    const std::size_t length = std::strlen(name);
    bool is_identifier = is_identifier_start(name[0]) && length <= max_name_length;
    for (const char *c = name; *c != '\0' && is_identifier; ++c)
        is_identifier = is_identifier_start(*c) || is_digit(*c);
    if (!is_identifier)
        return fail_showing(command,
                            "Array name must be a C identifier of at most 63 characters:  %s\n",
                            name, length);
    for (const char *word : reserved_words)
        if (std::strcmp(name, word) == 0)
            return fail_showing(command, "Array name is a C or C++ keyword:  %s\n", name,
                                length);
    // C reserves these for the compiler and its library: __func__, _Pragma.
    if (name[0] == '_' && (name[1] == '_' || (name[1] >= 'A' && name[1] <= 'Z')))
        return fail_showing(command, "Array name is reserved for the C implementation:  %s\n",
                            name, length);
    for (const char *macro : predefined_macros)
        if (std::strcmp(name, macro) == 0)
            return fail_showing(command, "Array name is a macro that compilers predefine:  %s\n",
                                name, length);
    for (const char *library_name : library_names)
        if (std::strcmp(name, library_name) == 0)
            return fail_showing(command, "Array name is declared by the C standard library:  %s\n",
                                name, length);
    const table_client *client = command.layout_of_run != nullptr ? command.layout_of_run->client : nullptr;
    if (client != nullptr && is_taken_by_client(*client, name)) {
        char format[160];
        std::snprintf(format, sizeof format, "Array name is %s:  %%s\n", client->names_taken_by);
        return fail_showing(command, format, name, length);
    }
    command.request.array_name = name;
    return true;
}

bool read_alignment(command_line &command, const char *style)
{
    struct named_style {
        const char *name;
        alignment_style style;
    };
    static constexpr named_style styles[] = {{"ti", alignment_style::ti},
                                             {"gnu", alignment_style::gnu},
                                             {"c11", alignment_style::c11},
                                             {"none", alignment_style::none}};
    for (const named_style &named : styles) {
        if (std::strcmp(style, named.name) == 0) {
            command.request.alignment = named.style;
            command.alignment_given = true;
            return true;
        }
    }
    return fail_showing(command, "Alignment style must be ti, gnu, c11 or none:  %s\n", style,
                        std::strlen(style));
}

// Whether c, after "??", makes a trigraph, which a C compiler in a strict
// mode replaces even inside an #include's quotes.
bool ends_trigraph(char c)
{
    return c != '\0' && std::strchr("=(/)'<!>-", c) != nullptr;
}

// The source names the header in an #include line, where quotes, backslashes,
// apostrophes, control characters and trigraphs have no portable meaning.
bool read_header_path(command_line &command, const char *path)
{
    const char *name = base_name(path);
    bool includable = *name != '\0';
    for (const char *c = name; *c != '\0'; ++c)
        includable = includable && *c != '"' && *c != '\\' && *c != '\'' &&
                     static_cast<unsigned char>(*c) >= 0x20 && *c != 0x7F &&
                     !(c[0] == '?' && c[1] == '?' && ends_trigraph(c[2]));
    if (!includable)
        return fail_showing(command, "Header file name cannot be used in #include:  %s\n",
                            path, std::strlen(path));
    command.request.header_path = path;
    return true;
}

bool read_output_path(command_line &command, const char *path)
{
    command.request.output_path = path;
    return true;
}

// The file is read once the command line is accepted, and its faults are
// told then.
bool read_coefficients_path(command_line &command, const char *path)
{
    command.request.coefficients_path = path;
    return true;
}

// The names that linkers and the DSP's compiler take for a section, unquoted.
bool read_section(command_line &command, const char *name)
{
    const std::size_t length = std::strlen(name);
    bool valid = length <= max_section_length;
    for (const char *c = name; *c != '\0' && valid; ++c)
        valid = is_identifier_start(*c) || is_digit(*c) || *c == '.' || *c == '$';
    if (!valid)
        return fail_showing(
            command, "Section name must be 1 to 64 letters, digits, '.', '_' or '$':  %s\n",
            name, length);
    command.request.section = name;
    return true;
}

bool read_bank(command_line &command, const char *text)
{
    const bool one_digit = is_digit(text[0]) && text[1] == '\0';
    const bool ten_to_fifteen = text[0] == '1' && text[1] >= '0' && text[1] <= '5' && text[2] == '\0';
    if (!one_digit && !ten_to_fifteen)
        return fail_showing(command, "Memory bank must be a number from 0 to 15:  %s\n", text,
                            std::strlen(text));
    command.request.bank = one_digit ? text[0] - '0' : 10 + (text[1] - '0');
    return true;
}

bool ask_for_check(command_line &command, const char *)
{
    command.request.check = true;
    return true;
}

bool read_rounding(command_line &command, const char *rule)
{
    if (std::strcmp(rule, "zero") == 0)
        command.request.rounding = rounding_rule::toward_zero;
    else if (std::strcmp(rule, "nearest") == 0)
        command.request.rounding = rounding_rule::nearest;
    else if (std::strcmp(rule, "floor") == 0)
        command.request.rounding = rounding_rule::down;
    else
        return fail_showing(command, "Rounding must be zero, nearest or floor:  %s\n", rule,
                            std::strlen(rule));
    command.request.rounding_given = true;
    return true;
}

// The count names, for a message: "a, b or c".
void join_names(const char *const *names, int count, char *out, std::size_t size)
{
    std::size_t used = 0;
    out[0] = '\0';
    for (int i = 0; i < count && used < size; ++i) {
        const int written = std::snprintf(out + used, size - used, "%s%s",
                                          i == 0 ? "" : i + 1 == count ? " or " : ", ", names[i]);
        used += written > 0 ? static_cast<std::size_t>(written) : 0;
    }
}

// The layouts that take the option, or every layout for 0, for a message.
void name_layouts_taking(unsigned option, char *out, std::size_t size)
{
    const char *names[16];
    int count = 0;
    for (int i = 0; i < table_layout_count; ++i)
        if (option == 0 || (table_layouts[i]->options & option) != 0)
            names[count++] = table_layouts[i]->name;
    join_names(names, count, out, size);
}

bool read_layout(command_line &command, const char *name)
{
    command.request.layout = find_layout(name);
    if (command.request.layout != nullptr)
        return true;
    char layouts[128];
    name_layouts_taking(0, layouts, sizeof layouts);
    char format[160];
    std::snprintf(format, sizeof format, "Layout must be %s:  %%s\n", layouts);
    return fail_showing(command, format, name, std::strlen(name));
}

bool read_type(command_line &command, const char *type)
{
    if (std::strcmp(type, "q15") == 0)
        command.request.type = sample_type::q15;
    else if (std::strcmp(type, "q31") == 0)
        command.request.type = sample_type::q31;
    else if (std::strcmp(type, "f32") == 0)
        command.request.type = sample_type::f32;
    else if (std::strcmp(type, "f16") == 0)
        command.request.type = sample_type::f16;
    else
        return fail_showing(command, "Type must be q15, q31, f32 or f16:  %s\n", type, std::strlen(type));
    return true;
}

// The window that name names, or -1 for none.
int window_index(const char *name)
{
    for (int i = 0; window_names[i] != nullptr; ++i)
        if (std::strcmp(name, window_names[i]) == 0)
            return i;
    return -1;
}

bool read_window(command_line &command, const char *name)
{
    const int window = window_index(name);
    if (window >= 0) {
        command.request.window = static_cast<window_kind>(window);
        command.request.window_given = true;
        return true;
    }
    return fail_showing(command, "Window must be hann, hamming, blackman or flattop:  %s\n", name,
                        std::strlen(name));
}

bool ask_for_symmetric(command_line &command, const char *)
{
    command.request.symmetric = true;
    return true;
}

// A number of hertz: a plain decimal number, as in "16000" or "62.5",
// which reads alike on every platform and in CMake.
bool read_hertz(const char *text, double smallest, double largest, double &hertz)
{
    bool digits = false, point = false;
    for (const char *c = text; *c != '\0'; ++c) {
        if (*c == '.' && !point)
            point = true;
        else if (is_digit(*c))
            digits = true;
        else
            return false;
    }
    return digits && scan_double(text, hertz) && hertz >= smallest && hertz <= largest;
}

constexpr double max_sample_rate = 10000000.0;

bool read_sample_rate(command_line &command, const char *text)
{
    if (!read_hertz(text, 0.0, max_sample_rate, command.request.sample_rate) || command.request.sample_rate == 0.0)
        return fail_showing(command,
                            "The --sample-rate option needs a plain decimal number of hertz above 0 and at "
                            "most 10000000:  %s\n",
                            text, std::strlen(text));
    return true;
}

// A frequency of the mel filters, at most half the largest sample rate.
bool read_frequency(command_line &command, const char *text, const char *option, double &frequency)
{
    if (read_hertz(text, 0.0, max_sample_rate / 2, frequency))
        return true;
    char format[112];
    std::snprintf(format, sizeof format,
                  "The --%s option needs a plain decimal number of hertz, at most 5000000:  %%s\n", option);
    return fail_showing(command, format, text, std::strlen(text));
}

bool read_fmin(command_line &command, const char *text)
{
    return read_frequency(command, text, "fmin", command.request.fmin);
}

bool read_fmax(command_line &command, const char *text)
{
    if (!read_frequency(command, text, "fmax", command.request.fmax))
        return false;
    command.request.fmax_given = true;
    return true;
}

// A whole number from smallest to 4096, in decimal digits without a
// leading 0.
bool read_count(command_line &command, const char *text, const char *option, std::int32_t smallest,
                std::int32_t &count)
{
    std::int32_t value = 0;
    bool valid = text[0] >= '1' && text[0] <= '9';
    for (const char *c = text; *c != '\0' && valid; ++c) {
        valid = is_digit(*c) && value <= 4096;
        value = value * 10 + (*c - '0');
    }
    if (valid && value >= smallest && value <= 4096) {
        count = value;
        return true;
    }
    char format[96];
    std::snprintf(format, sizeof format, "The --%s option needs a whole number from %d to 4096:  %%s\n", option,
                  static_cast<int>(smallest));
    return fail_showing(command, format, text, std::strlen(text));
}

bool read_mel_filters(command_line &command, const char *text)
{
    return read_count(command, text, "mel-filters", 1, command.request.mel_filters);
}

bool read_dct_outputs(command_line &command, const char *text)
{
    return read_count(command, text, "dct-outputs", 1, command.request.dct_outputs);
}

bool read_frame_length(command_line &command, const char *text)
{
    return read_count(command, text, "frame-length", 2, command.request.frame_length);
}

bool ask_for_stats(command_line &command, const char *)
{
    command.request.stats = true;
    return true;
}

bool show_help(command_line &command, const char *)
{
    command.action = run_action::show_help;
    return false;
}

bool show_version(command_line &command, const char *)
{
    command.action = run_action::show_version;
    return false;
}

struct long_option {
    const char *name;
    bool takes_value;
    // Takes the value (null for an option without one); returns false when
    // the reading ends here.
    bool (*read)(command_line &command, const char *value);
    unsigned layout_option; // the table_option that a layout must take, or 0
};

constexpr long_option long_options[] = {
    {"name", true, read_array_name, 0},
    {"align", true, read_alignment, 0},
    {"section", true, read_section, 0},
    {"bank", true, read_bank, 0},
    {"header", true, read_header_path, 0},
    {"output", true, read_output_path, 0},
    {"check", false, ask_for_check, 0},
    {"round", true, read_rounding, 0},
    {"stats", false, ask_for_stats, 0},
    {"scale", true, read_long_scale, option_scale},
    {"layout", true, read_layout, 0},
    {"type", true, read_type, 0},
    {"window", true, read_window, option_window},
    {"symmetric", false, ask_for_symmetric, option_symmetric},
    {"sample-rate", true, read_sample_rate, option_sample_rate},
    {"mel-filters", true, read_mel_filters, option_mel_filters},
    {"dct-outputs", true, read_dct_outputs, option_dct_outputs},
    {"fmin", true, read_fmin, option_fmin},
    {"fmax", true, read_fmax, option_fmax},
    {"frame-length", true, read_frame_length, option_frame_length},
    {"coefficients", true, read_coefficients_path, option_coefficients},
    {"help", false, show_help, 0},
    {"version", false, show_version, 0},
};

// Reads the long option in argv[i] ("--name=VALUE" or "--name VALUE"), and
// moves i past the next argument when that is its value.
bool read_long_option(command_line &command, int argc, char *argv[], int &i)
{
    const char *const arg = argv[i];
    const char *const name = arg + 2;
    const char *const equals = std::strchr(name, '=');
    const std::size_t name_length =
        equals != nullptr ? static_cast<std::size_t>(equals - name) : std::strlen(name);

    for (const long_option &option : long_options) {
        if (std::strlen(option.name) != name_length ||
            std::strncmp(name, option.name, name_length) != 0)
            continue;

        char message[64];
        command.options_given |= option.layout_option;
        if (!option.takes_value) {
            if (equals != nullptr) {
                std::snprintf(message, sizeof message, "The --%s option takes no value.\n",
                              option.name);
                return fail(command, message);
            }
            return option.read(command, nullptr);
        }
        const char *value = equals != nullptr ? equals + 1 : i + 1 < argc ? argv[++i] : "";
        if (*value == '\0') {
            std::snprintf(message, sizeof message, "The --%s option requires a value.\n",
                          option.name);
            return fail(command, message);
        }
        return option.read(command, value);
    }
    return fail_showing(command, "Unrecognized option:  %s\n", arg, name_length + 2);
}

// "--" and at least one more character: a bare "--" is a switch.
bool is_long_option(const char *arg)
{
    return arg[0] == '-' && arg[1] == '-' && arg[2] != '\0';
}

bool read_argument(command_line &command, int argc, char *argv[], int &i)
{
    const char *const arg = argv[i];
    if (is_long_option(arg))
        return read_long_option(command, argc, argv, i);

    // A lone "-" or "/" has no switch character: it is reported as an
    // argument rather than as an empty switch.
    const bool is_switch = (arg[0] == '-' || arg[0] == '/') && arg[1] != '\0';
    if (!is_switch)
        return read_points(command, arg);
    if (arg[1] == 's' || arg[1] == 'S') {
        // The value is either attached (-s500) or the next argument, which is
        // taken whatever it begins with (-s -5).
        const char *value = arg + 2;
        if (*value == '\0')
            value = i + 1 < argc ? argv[++i] : "";
        command.options_given |= option_scale;
        return read_scale(command, value);
    }
    char message[64];
    std::snprintf(message, sizeof message, "Unrecognized switch character: '%c'\n", arg[1]);
    return fail(command, message);
}

// Reads every argument, each checked as it is met; a size is checked against
// layout, and only read where that is null.
command_line read_arguments(int argc, char *argv[], const table_layout *layout)
{
    command_line command{};
    command.action = run_action::generate;
    command.fault_message = "";
    command.layout_of_run = layout;
    command.request = {};
    command.request.layout = table_layouts[0];
    command.request.type = sample_type::q15;
    command.request.points = no_points;
    command.request.scale = default_scale;
    command.request.array_name = "w";
    command.request.alignment = alignment_style::ti;
    command.request.bank = no_bank;
    command.request.rounding = rounding_rule::toward_zero;
    command.request.sample_rate = 16000.0;
    command.request.mel_filters = 20;
    command.request.dct_outputs = 13;
    if (argc <= 1) {
        command.action = run_action::report_fault;
        return command;
    }
    for (int i = 1; i < argc; ++i)
        command.long_options = command.long_options || is_long_option(argv[i]);
    for (int i = 1; i < argc; ++i)
        if (!read_argument(command, argc, argv, i))
            break;
    return command;
}

// Whether the layout takes the request's window; where none was asked for,
// the request takes the layout's first.
bool takes_window(const table_layout &layout, table_request &request)
{
    if (!request.window_given) {
        request.window = static_cast<window_kind>(window_index(layout.windows[0]));
        return true;
    }
    for (const char *const *name = layout.windows; *name != nullptr; ++name)
        if (std::strcmp(*name, window_names[static_cast<int>(request.window)]) == 0)
            return true;
    return false;
}

// The layout's windows, for a message.
void name_windows(const table_layout &layout, char *out, std::size_t size)
{
    int count = 0;
    while (layout.windows[count] != nullptr)
        ++count;
    join_names(layout.windows, count, out, size);
}

// The options that a layout may take, as the command line names them, for
// the message that refuses one.
const char *name_of_option(unsigned option)
{
    for (const long_option &long_option : long_options)
        if (long_option.layout_option == option)
            return long_option.name;
    return "";
}

} // namespace

command_line read_command_line(int argc, char *argv[])
{
    // A size is checked when it is met, against the layout of the run, which
    // may come after it: a first reading finds the layout.
    command_line command = read_arguments(argc, argv, nullptr);
    command = read_arguments(argc, argv, command.request.layout);
    if (command.action != run_action::generate)
        return command;

    // Checked once every argument is read, so that the order of the options
    // does not matter.
    table_request &request = command.request;
    const table_layout &layout = *request.layout;
    if (!command.alignment_given)
        request.alignment = layout.default_alignment;
    const bool ti = request.alignment == alignment_style::ti;
    const unsigned refused = command.options_given & ~layout.options;
    // Static, as it may hold a configuration's numbers in full.
    static char message[sizeof fault_text];
    if (request.points == no_points && (layout.options & option_coefficients) != 0) {
        fail(command, "Must specify N, the block size: the samples that one call filters.\n");
    } else if (request.points == no_points) {
        fail(command, "Must specify FFT size.");
    } else if ((layout.options & option_coefficients) != 0 && request.coefficients_path == nullptr) {
        std::snprintf(message, sizeof fault_text, "The %s layout needs --coefficients=FILE, the filter's design.\n",
                      layout.name);
        fail(command, message);
    } else if ((refused & option_scale) != 0) {
        std::snprintf(message, sizeof message,
                      "The %s layout takes no scale: %s. Leave out -s and --scale.\n", layout.name,
                      layout.fixed_scale);
        fail(command, message);
    } else if (refused != 0) {
        std::snprintf(message, sizeof message, "The %s layout takes no --%s option.\n", layout.name,
                      name_of_option(refused & -refused));
        fail(command, message);
    } else if (request.type == sample_type::q31 && (layout.options & option_q31) == 0) {
        char layouts[128];
        name_layouts_taking(option_q31, layouts, sizeof layouts);
        std::snprintf(message, sizeof message,
                      "The %s layout holds 16-bit entries alone: --type=q31 needs %s.\n", layout.name,
                      layouts);
        fail(command, message);
    } else if (is_float(request.type) && (layout.options & option_float) == 0) {
        char layouts[128];
        name_layouts_taking(option_float, layouts, sizeof layouts);
        std::snprintf(message, sizeof message, "The %s layout holds fixed-point values alone: --type=%s needs %s.\n",
                      layout.name, type_name(request.type), layouts);
        fail(command, message);
    } else if (is_float(request.type) && layout.max_float_points != 0 && request.points > layout.max_float_points) {
        std::snprintf(message, sizeof message, "The %s layout takes N from %d to %d in %s, a power of 2.\n",
                      layout.name, static_cast<int>(layout.min_points), static_cast<int>(layout.max_float_points),
                      type_name(request.type));
        fail(command, message);
    } else if (is_float(request.type) && request.rounding_given) {
        std::snprintf(message, sizeof message,
                      "The --round option rounds fixed-point values: the %s tables are rounded as CMSIS-DSP's own.\n",
                      type_name(request.type));
        fail(command, message);
    } else if (layout.windows != nullptr && !takes_window(layout, request)) {
        char windows[96];
        name_windows(layout, windows, sizeof windows);
        std::snprintf(message, sizeof message, "The %s layout takes the window %s, not %s.\n", layout.name, windows,
                      window_names[static_cast<int>(request.window)]);
        fail(command, message);
    } else if (request.section != nullptr && !ti && request.alignment != alignment_style::gnu)
        fail(command, "The --section option needs --align=ti or --align=gnu.\n");
    else if (request.bank != no_bank && !ti)
        fail(command, "The --bank option needs --align=ti.\n");
    else if (request.check && request.output_path == nullptr)
        fail(command, "The --check option needs --output.\n");
    else if (request.check && request.stats)
        fail(command, "The --check and --stats options cannot be used together.\n");
    else if (request.stats && (request.output_path != nullptr || request.header_path != nullptr))
        fail(command, "The --stats option writes its report to standard output, and no file.\n");
    else if (layout.refuse != nullptr && layout.refuse(request, message, sizeof message))
        fail(command, message);
    return command;
}

namespace {

// Where the text of each layout begins, past its name.
constexpr std::size_t help_column = 15;

// Writes joint and text at column, or, where they and the comma that may
// follow them would pass column 79, the joint without its space and text on a
// line of its own; returns the column after them.
std::size_t write_wrapped(std::FILE *out, const char *joint, const char *text, std::size_t column)
{
    const std::size_t length = std::strlen(joint) + std::strlen(text);
    if (column + length + 1 <= 79) {
        std::fprintf(out, "%s%s", joint, text);
        return column + length;
    }
    std::fprintf(out, "%.*s\n%*s%s", static_cast<int>(std::strcspn(joint, " ")), joint, static_cast<int>(help_column),
                 "", text);
    return help_column + std::strlen(text);
}

} // namespace

void write_layout_help(std::FILE *out)
{
    for (int i = 0; i < table_layout_count; ++i) {
        const table_layout &layout = *table_layouts[i];
        char piece[128];
        std::fprintf(out, "  %-*s", static_cast<int>(help_column - 2), layout.name);
        std::snprintf(piece, sizeof piece, "N from %d to %d%s", static_cast<int>(layout.min_points),
                      static_cast<int>(layout.max_points), layout.power_of_two ? ", a power of 2" : "");
        if (layout.max_float_points != 0)
            std::snprintf(piece + std::strlen(piece), sizeof piece - std::strlen(piece), ", to %d in f32 and f16",
                          static_cast<int>(layout.max_float_points));
        std::size_t column = write_wrapped(out, "", piece, help_column);
        const char *joint = "; ";
        for (unsigned option = 1; option <= layout.options; option <<= 1) {
            if ((layout.options & option) == 0)
                continue;
            if (option == option_scale) {
                std::snprintf(piece, sizeof piece, "-s, --scale");
            } else if (option == option_q31) {
                std::snprintf(piece, sizeof piece, "--type=q31");
                if ((layout.options & option_float) != 0) {
                    column = write_wrapped(out, joint, piece, column);
                    joint = ", ";
                    std::snprintf(piece, sizeof piece, "--type=f32|f16");
                }
            } else if (option == option_float) {
                continue; // beside --type=q31
            } else if (option == option_window) {
                std::snprintf(piece, sizeof piece, "--window=");
                for (const char *const *window = layout.windows; *window != nullptr; ++window)
                    std::snprintf(piece + std::strlen(piece), sizeof piece - std::strlen(piece), "%s%s",
                                  window == layout.windows ? "" : "|", *window);
            } else {
                std::snprintf(piece, sizeof piece, "--%s", name_of_option(option));
            }
            column = write_wrapped(out, joint, piece, column);
            joint = ", ";
        }
        std::fputs("\n", out);
    }
}
