# veltabgen_generate(<target> SIZE <N> [LAYOUT <layout>] [TYPE <type>]
#                    [SCALE <scale>] [ROUND <rule>] [NAME <ident>] [ALIGN <style>]
#                    [SECTION <name>] [BANK <b>] [WINDOW <window>] [SYMMETRIC]
#                    [SAMPLE_RATE <hz>] [MEL_FILTERS <m>] [DCT_OUTPUTS <k>]
#                    [FMIN <hz>] [FMAX <hz>] [FRAME_LENGTH <l>]
#                    [COEFFICIENTS <file>] [HEADER])
#
# Adds to <target>, which may be a target of another folder, the source of an
# N-point table, generated at build time by veltabgen::veltabgen into
# <build folder>/veltabgen/<ident>.c, where <ident> is NAME, or twiddle_<N>
# without it, and names the array too. With HEADER it also generates
# <ident>.h beside it and puts that folder on the target's include path.
# Without ALIGN, the alignment style follows the compiler that builds the
# target: gnu for GCC, Clang and the compilers that take GNU attributes, ti
# for the DSP's own compiler, c11 for any other. LAYOUT is radix2 (the
# default), cmsis-cfft, cmsis-rfft, window, cmsis-mfcc, cmsis-biquad or
# cmsis-fir, and the other keywords are as the tool's options of their names:
# TYPE (q15 or q31; f32 or f16 for cmsis-cfft, cmsis-rfft, up to 4096, and
# cmsis-mfcc),
# ROUND, SECTION and BANK for every layout; SCALE for radix2; WINDOW and
# SYMMETRIC for window; WINDOW, SYMMETRIC, SAMPLE_RATE, MEL_FILTERS,
# DCT_OUTPUTS, FMIN, FMAX and FRAME_LENGTH for cmsis-mfcc; COEFFICIENTS, the
# file of the filter's design, relative to the current source folder, for
# cmsis-biquad and cmsis-fir, whose N is the block size: the table is made
# again when the file changes.
#
# Every argument is checked here, when the project is configured, and taken
# as given, whatever CMake would read as true or false (NAME N names the
# array N); an installed tool checks them all together too. The table is
# generated again when the tool changes; the tool writes each file whole or
# not at all (--output), so a failed build never leaves a partial table.

# The package's own policies, whatever the project's cmake_minimum_required:
# a function runs with those in force where it was defined.
cmake_policy(PUSH)
cmake_policy(VERSION 3.20)

function(_veltabgen_reject argument value why)
    message(FATAL_ERROR "veltabgen_generate: ${argument} \"${value}\" ${why}")
endfunction()

# The alignment style for the compiler that builds C in this project, or C++
# where the project builds no C.
function(_veltabgen_default_alignment result)
    set(compiler "${CMAKE_C_COMPILER_ID}")
    if(compiler STREQUAL "")
        set(compiler "${CMAKE_CXX_COMPILER_ID}")
    endif()
    if(compiler MATCHES "^(GNU|Clang|AppleClang|ARMClang|IntelLLVM|Intel|XLClang|IBMClang|LCC)$")
        set(${result} gnu PARENT_SCOPE)
    elseif(compiler STREQUAL "TI")
        set(${result} ti PARENT_SCOPE)
    else()
        set(${result} c11 PARENT_SCOPE)
    endif()
endfunction()

# What each layout takes, as the tool's --help tells it: its sizes N (the
# smallest, the largest, and whether only powers of 2; the largest in f32 and
# f16, where it is less), the keywords of the
# options that not every layout takes, and its windows, the default first.
# Set in the scope of each call, as a macro: a project that builds veltabgen
# in its own tree calls the function from folders that do not see the
# variables of veltabgen's folder.
macro(_veltabgen_layout_tables)
    set(_veltabgen_layouts radix2 cmsis-cfft cmsis-rfft window cmsis-mfcc cmsis-biquad cmsis-fir)
    set(_veltabgen_sizes_radix2 16 32768 POWER)
    set(_veltabgen_sizes_cmsis-cfft 16 4096 POWER)
    set(_veltabgen_sizes_cmsis-rfft 32 8192 POWER)
    set(_veltabgen_sizes_window 2 32768 ANY)
    set(_veltabgen_sizes_cmsis-mfcc 32 4096 POWER)
    set(_veltabgen_sizes_cmsis-biquad 1 32768 ANY)
    set(_veltabgen_sizes_cmsis-fir 1 32768 ANY)
    set(_veltabgen_keywords_radix2 SCALE)
    set(_veltabgen_float_largest_cmsis-rfft 4096)
    set(_veltabgen_keywords_cmsis-cfft Q31 FLOAT)
    set(_veltabgen_keywords_cmsis-rfft Q31 FLOAT)
    set(_veltabgen_keywords_window Q31 WINDOW SYMMETRIC)
    set(_veltabgen_keywords_cmsis-mfcc Q31 FLOAT WINDOW SYMMETRIC SAMPLE_RATE MEL_FILTERS DCT_OUTPUTS FMIN FMAX
        FRAME_LENGTH)
    set(_veltabgen_keywords_cmsis-biquad Q31 COEFFICIENTS)
    set(_veltabgen_keywords_cmsis-fir Q31 COEFFICIENTS)
    set(_veltabgen_windows_window hann hamming blackman flattop)
    set(_veltabgen_windows_cmsis-mfcc hamming hann)
endmacro()

# The items joined for a message: "a, b or c".
function(_veltabgen_join result)
    set(items ${ARGN})
    list(POP_BACK items last)
    if(items)
        list(JOIN items ", " joined)
        set(last "${joined} or ${last}")
    endif()
    set(${result} "${last}" PARENT_SCOPE)
endfunction()

# The layouts that take the keyword, joined for a message.
function(_veltabgen_layouts_taking result keyword)
    set(takers)
    foreach(layout IN LISTS _veltabgen_layouts)
        if(keyword IN_LIST _veltabgen_keywords_${layout})
            list(APPEND takers ${layout})
        endif()
    endforeach()
    _veltabgen_join(shown ${takers})
    set(${result} "${shown}" PARENT_SCOPE)
endfunction()

# Checks that value is a plain decimal number from smallest to largest.
function(_veltabgen_check_hertz keyword value smallest largest)
    if(NOT value MATCHES "^([0-9]+(\\.[0-9]*)?|\\.[0-9]+)$")
        _veltabgen_reject(${keyword} "${value}" "is not a plain decimal number of hertz")
    endif()
    if(value LESS smallest OR value GREATER largest OR (smallest EQUAL 0 AND keyword STREQUAL "SAMPLE_RATE"
                                                       AND value EQUAL 0))
        _veltabgen_reject(${keyword} "${value}" "is not from ${smallest} to ${largest} hertz")
    endif()
endfunction()

function(veltabgen_generate target)
    _veltabgen_layout_tables()
    set(keywords SIZE LAYOUT TYPE SCALE ROUND NAME ALIGN SECTION BANK WINDOW SAMPLE_RATE MEL_FILTERS
        DCT_OUTPUTS FMIN FMAX FRAME_LENGTH COEFFICIENTS)
    set(flags HEADER SYMMETRIC)
    cmake_parse_arguments(PARSE_ARGV 1 arg "${flags}" "${keywords}" "")
    if(arg_UNPARSED_ARGUMENTS)
        message(FATAL_ERROR "veltabgen_generate: unexpected arguments: ${arg_UNPARSED_ARGUMENTS}")
    endif()
    # A keyword given with an empty value leaves its variable undefined, as
    # one given none does, or one followed by another keyword (NAME HEADER),
    # which is never taken as a value.
    math(EXPR last "${ARGC} - 1")
    foreach(i RANGE 1 ${last})
        set(argument "${ARGV${i}}")
        if(NOT argument IN_LIST keywords)
            continue()
        endif()
        if(NOT DEFINED arg_${argument})
            math(EXPR next "${i} + 1")
            if(next LESS ARGC AND ("${ARGV${next}}" IN_LIST keywords OR "${ARGV${next}}" IN_LIST flags))
                message(FATAL_ERROR "veltabgen_generate: ${ARGV${i}} needs a value: "
                                    "${ARGV${next}} is a keyword of veltabgen_generate, not a value")
            endif()
            message(FATAL_ERROR "veltabgen_generate: ${ARGV${i}} needs a value")
        endif()
    endforeach()
    if(NOT DEFINED arg_SIZE)
        message(FATAL_ERROR "veltabgen_generate: SIZE is required")
    endif()

    set(layout radix2)
    set(options)
    if(DEFINED arg_LAYOUT)
        set(layout "${arg_LAYOUT}")
        if(NOT layout IN_LIST _veltabgen_layouts)
            _veltabgen_join(shown ${_veltabgen_layouts})
            _veltabgen_reject(LAYOUT "${layout}" "is not ${shown}")
        endif()
        list(APPEND options --layout=${layout})
    endif()
    set(taken ${_veltabgen_keywords_${layout}})
    list(GET _veltabgen_sizes_${layout} 0 smallest)
    list(GET _veltabgen_sizes_${layout} 1 largest)
    list(GET _veltabgen_sizes_${layout} 2 kind)
    if(kind STREQUAL "POWER")
        set(sizes)
        set(size ${smallest})
        while(NOT size GREATER largest)
            list(APPEND sizes ${size})
            math(EXPR size "${size} * 2")
        endwhile()
        if(NOT arg_SIZE IN_LIST sizes)
            list(JOIN sizes ", " shown)
            _veltabgen_reject(SIZE "${arg_SIZE}" "is not one of ${shown}")
        endif()
    elseif(NOT arg_SIZE MATCHES "^[1-9][0-9]*$" OR arg_SIZE LESS smallest OR arg_SIZE GREATER largest)
        _veltabgen_reject(SIZE "${arg_SIZE}" "is not a whole number from ${smallest} to ${largest}")
    endif()
    # The options that only some layouts take.
    foreach(keyword SCALE WINDOW SAMPLE_RATE MEL_FILTERS DCT_OUTPUTS FMIN FMAX FRAME_LENGTH COEFFICIENTS SYMMETRIC)
        # A flag's variable is defined, true or false, whether given or not.
        set(given FALSE)
        if((keyword STREQUAL "SYMMETRIC" AND arg_SYMMETRIC) OR
           (NOT keyword STREQUAL "SYMMETRIC" AND DEFINED arg_${keyword}))
            set(given TRUE)
        endif()
        if(given AND NOT keyword IN_LIST taken)
            _veltabgen_layouts_taking(shown ${keyword})
            message(FATAL_ERROR "veltabgen_generate: ${keyword} is not taken by LAYOUT ${layout}: "
                                "it needs LAYOUT ${shown}")
        endif()
    endforeach()
    if(DEFINED arg_TYPE)
        if(NOT arg_TYPE MATCHES "^(q15|q31|f32|f16)$")
            _veltabgen_reject(TYPE "${arg_TYPE}" "is not q15, q31, f32 or f16")
        endif()
        if(arg_TYPE STREQUAL "q31" AND NOT "Q31" IN_LIST taken)
            _veltabgen_layouts_taking(shown Q31)
            _veltabgen_reject(TYPE "${arg_TYPE}" "needs LAYOUT ${shown}")
        endif()
        if(arg_TYPE MATCHES "^f" AND NOT "FLOAT" IN_LIST taken)
            _veltabgen_layouts_taking(shown FLOAT)
            _veltabgen_reject(TYPE "${arg_TYPE}" "needs LAYOUT ${shown}")
        endif()
        if(arg_TYPE MATCHES "^f" AND DEFINED _veltabgen_float_largest_${layout}
           AND arg_SIZE GREATER _veltabgen_float_largest_${layout})
            _veltabgen_reject(SIZE "${arg_SIZE}" "is above ${_veltabgen_float_largest_${layout}}, the largest in ${arg_TYPE}")
        endif()
        if(arg_TYPE MATCHES "^f" AND DEFINED arg_ROUND)
            _veltabgen_reject(ROUND "${arg_ROUND}" "rounds fixed-point values: the ${arg_TYPE} tables are rounded as CMSIS-DSP's own")
        endif()
        list(APPEND options --type=${arg_TYPE})
    endif()
    if(DEFINED arg_SCALE)
        if(NOT arg_SCALE MATCHES "^([0-9]+(\\.[0-9]*)?|\\.[0-9]+)$")
            _veltabgen_reject(SCALE "${arg_SCALE}" "is not a plain decimal number")
        endif()
        if(NOT arg_SCALE GREATER 0 OR arg_SCALE GREATER 32768)
            _veltabgen_reject(SCALE "${arg_SCALE}" "is not above 0 and at most 32768")
        endif()
        list(APPEND options --scale=${arg_SCALE})
    endif()
    if(DEFINED arg_ROUND)
        if(NOT arg_ROUND MATCHES "^(zero|nearest|floor)$")
            _veltabgen_reject(ROUND "${arg_ROUND}" "is not zero, nearest or floor")
        endif()
        list(APPEND options --round=${arg_ROUND})
    endif()
    if(DEFINED arg_WINDOW)
        if(NOT arg_WINDOW IN_LIST _veltabgen_windows_${layout})
            _veltabgen_join(shown ${_veltabgen_windows_${layout}})
            _veltabgen_reject(WINDOW "${arg_WINDOW}" "is not ${shown}, the windows of LAYOUT ${layout}")
        endif()
        list(APPEND options --window=${arg_WINDOW})
    endif()
    if(arg_SYMMETRIC)
        list(APPEND options --symmetric)
    endif()
    if(DEFINED arg_SAMPLE_RATE)
        _veltabgen_check_hertz(SAMPLE_RATE "${arg_SAMPLE_RATE}" 0 10000000)
        list(APPEND options --sample-rate=${arg_SAMPLE_RATE})
    endif()
    if(DEFINED arg_FMIN)
        _veltabgen_check_hertz(FMIN "${arg_FMIN}" 0 5000000)
        list(APPEND options --fmin=${arg_FMIN})
    endif()
    if(DEFINED arg_FMAX)
        _veltabgen_check_hertz(FMAX "${arg_FMAX}" 0 5000000)
        list(APPEND options --fmax=${arg_FMAX})
    endif()
    foreach(keyword MEL_FILTERS DCT_OUTPUTS)
        if(DEFINED arg_${keyword} AND
           (NOT arg_${keyword} MATCHES "^[1-9][0-9]*$" OR arg_${keyword} GREATER 4096))
            _veltabgen_reject(${keyword} "${arg_${keyword}}" "is not a whole number from 1 to 4096")
        endif()
    endforeach()
    if(DEFINED arg_MEL_FILTERS)
        list(APPEND options --mel-filters=${arg_MEL_FILTERS})
    endif()
    if(DEFINED arg_DCT_OUTPUTS)
        list(APPEND options --dct-outputs=${arg_DCT_OUTPUTS})
    endif()
    if(DEFINED arg_FRAME_LENGTH)
        if(NOT arg_FRAME_LENGTH MATCHES "^[1-9][0-9]*$" OR arg_FRAME_LENGTH LESS 2 OR arg_FRAME_LENGTH GREATER 4096)
            _veltabgen_reject(FRAME_LENGTH "${arg_FRAME_LENGTH}" "is not a whole number from 2 to 4096")
        endif()
        if(arg_FRAME_LENGTH GREATER arg_SIZE)
            _veltabgen_reject(FRAME_LENGTH "${arg_FRAME_LENGTH}" "is above SIZE, ${arg_SIZE}")
        endif()
        list(APPEND options --frame-length=${arg_FRAME_LENGTH})
    endif()
    # The filter's design: a file that the table depends on, as the tool.
    set(design)
    if(DEFINED arg_COEFFICIENTS)
        get_filename_component(design "${arg_COEFFICIENTS}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
        if(NOT EXISTS "${design}" OR IS_DIRECTORY "${design}")
            _veltabgen_reject(COEFFICIENTS "${arg_COEFFICIENTS}" "is not a file, relative to ${CMAKE_CURRENT_SOURCE_DIR}")
        endif()
        list(APPEND options --coefficients=${design})
    elseif("COEFFICIENTS" IN_LIST taken)
        message(FATAL_ERROR "veltabgen_generate: LAYOUT ${layout} needs COEFFICIENTS, the file of the filter's design")
    endif()

    # The words that cannot name the array: C's and C++'s keywords, and the
    # macros that gcc and clang predefine in their GNU modes. The names C
    # reserves for the implementation (two leading underscores, or one and a
    # capital) are refused by rule.
    set(reserved_names
        _Alignas _Alignof _Atomic _BitInt _Bool _Complex _Decimal128 _Decimal32 _Decimal64
        _Generic _Imaginary _Noreturn _Static_assert _Thread_local alignas alignof and and_eq asm
        auto bitand bitor bool break case catch char char16_t char32_t char8_t class co_await
        co_return co_yield compl concept const const_cast consteval constexpr constinit continue
        decltype default delete do double dynamic_cast else enum explicit export extern false float
        for friend goto if inline int long mutable namespace new noexcept not not_eq nullptr
        operator or or_eq private protected public register reinterpret_cast requires restrict
        return short signed sizeof static static_assert static_cast struct switch template this
        thread_local throw true try typedef typeid typename typeof typeof_unqual union unsigned
        using virtual void volatile wchar_t while xor xor_eq
        WIN32 WIN64 WINNT i386 linux m68k mc68000 mips powerpc sparc sun unix vax)
    # The names that the C standard library declares, which would clash with
    # its headers.
    set(library_names
        BUFSIZ EOF FILE FILENAME_MAX FOPEN_MAX L_tmpnam NULL SEEK_CUR SEEK_END SEEK_SET TMP_MAX
        abort abs acos acosf acosh acoshf acoshl acosl aligned_alloc asctime asin asinf asinh
        asinhf asinhl asinl assert at_quick_exit atan atan2 atan2f atan2l atanf atanh atanhf atanhl
        atanl atexit atof atoi atol atoll bsearch btowc c16rtomb c32rtomb cabs cabsf cabsl cacos
        cacosf cacosh cacoshf cacoshl cacosl call_once calloc carg cargf cargl casin casinf casinh
        casinhf casinhl casinl catan catanf catanh catanhf catanhl catanl cbrt cbrtf cbrtl ccos
        ccosf ccosh ccoshf ccoshl ccosl ceil ceilf ceill cexp cexpf cexpl cimag cimagf cimagl
        clearerr clock clock_t clog clogf clogl cnd_broadcast cnd_destroy cnd_init cnd_signal
        cnd_timedwait cnd_wait conj conjf conjl copysign copysignf copysignl cos cosf cosh coshf
        coshl cosl cpow cpowf cpowl cproj cprojf cprojl creal crealf creall csin csinf csinh csinhf
        csinhl csinl csqrt csqrtf csqrtl ctan ctanf ctanh ctanhf ctanhl ctanl ctime difftime div
        div_t erf erfc erfcf erfcl erff erfl errno exit exp exp2 exp2f exp2l expf expl expm1 expm1f
        expm1l fabs fabsf fabsl fclose fdim fdimf fdiml feclearexcept fegetenv fegetexceptflag
        fegetround feholdexcept fenv_t feof feraiseexcept ferror fesetenv fesetexceptflag
        fesetround fetestexcept feupdateenv fexcept_t fflush fgetc fgetpos fgets fgetwc fgetws
        floor floorf floorl fma fmaf fmal fmax fmaxf fmaxl fmin fminf fminl fmod fmodf fmodl fopen
        fpos_t fprintf fputc fputs fputwc fputws fread free freopen frexp frexpf frexpl fscanf
        fseek fsetpos ftell fwide fwprintf fwrite fwscanf getc getchar getenv gets getwc getwchar
        gmtime hypot hypotf hypotl ilogb ilogbf ilogbl imaxabs imaxdiv imaxdiv_t int16_t int32_t
        int64_t int8_t intmax_t intptr_t isalnum isalpha isblank iscntrl isdigit isgraph islower
        isprint ispunct isspace isupper iswalnum iswalpha iswblank iswcntrl iswctype iswdigit
        iswgraph iswlower iswprint iswpunct iswspace iswupper iswxdigit isxdigit jmp_buf
        kill_dependency labs ldexp ldexpf ldexpl ldiv ldiv_t lgamma lgammaf lgammal llabs lldiv
        lldiv_t llrint llrintf llrintl llround llroundf llroundl localeconv localtime log log10
        log10f log10l log1p log1pf log1pl log2 log2f log2l logb logbf logbl logf logl longjmp lrint
        lrintf lrintl lround lroundf lroundl malloc max_align_t mblen mbrlen mbrtoc16 mbrtoc32
        mbrtowc mbsinit mbsrtowcs mbstate_t mbstowcs mbtowc memchr memcmp memcpy memmove memset
        mktime modf modff modfl mtx_destroy mtx_init mtx_lock mtx_timedlock mtx_trylock mtx_unlock
        nan nanf nanl nearbyint nearbyintf nearbyintl nextafter nextafterf nextafterl nexttoward
        nexttowardf nexttowardl offsetof perror pow powf powl printf ptrdiff_t putc putchar puts
        putwc putwchar qsort quick_exit raise rand realloc remainder remainderf remainderl remove
        remquo remquof remquol rename rewind rint rintf rintl round roundf roundl scalbln scalblnf
        scalblnl scalbn scalbnf scalbnl scanf setbuf setjmp setlocale setvbuf sig_atomic_t signal
        sin sinf sinh sinhf sinhl sinl size_t snprintf sprintf sqrt sqrtf sqrtl srand sscanf stderr
        stdin stdout strcat strchr strcmp strcoll strcpy strcspn strerror strftime strlen strncat
        strncmp strncpy strpbrk strrchr strspn strstr strtod strtof strtoimax strtok strtol strtold
        strtoll strtoul strtoull strtoumax strxfrm swprintf swscanf system tan tanf tanh tanhf
        tanhl tanl tgamma tgammaf tgammal thrd_create thrd_current thrd_detach thrd_equal thrd_exit
        thrd_join thrd_sleep thrd_yield time time_t timespec_get tmpfile tmpnam tolower toupper
        towctrans towlower towupper trunc truncf truncl tss_create tss_delete tss_get tss_set
        uint16_t uint32_t uint64_t uint8_t uintmax_t uintptr_t ungetc ungetwc va_arg va_copy va_end
        va_list va_start vfprintf vfscanf vfwprintf vfwscanf vprintf vscanf vsnprintf vsprintf
        vsscanf vswprintf vswscanf vwprintf vwscanf wcrtomb wcscat wcschr wcscmp wcscoll wcscpy
        wcscspn wcsftime wcslen wcsncat wcsncmp wcsncpy wcspbrk wcsrchr wcsrtombs wcsspn wcsstr
        wcstod wcstof wcstoimax wcstok wcstol wcstold wcstoll wcstombs wcstoul wcstoull wcstoumax
        wcsxfrm wctob wctomb wctrans wctrans_t wctype wctype_t wint_t wmemchr wmemcmp wmemcpy
        wmemmove wmemset wprintf wscanf)

    set(name twiddle_${arg_SIZE})
    if(DEFINED arg_NAME)
        set(name "${arg_NAME}")
        string(LENGTH "${name}" length)
        if(NOT name MATCHES "^[A-Za-z_][A-Za-z0-9_]*$" OR length GREATER 63)
            _veltabgen_reject(NAME "${name}" "is not a C identifier of at most 63 characters")
        endif()
        if(name IN_LIST reserved_names OR name MATCHES "^_[A-Z_]")
            _veltabgen_reject(NAME "${name}"
                "is a C or C++ keyword, or a name reserved for the compiler")
        endif()
        if(name IN_LIST library_names)
            _veltabgen_reject(NAME "${name}" "is declared by the C standard library")
        endif()
        # The source of a CMSIS layout includes arm_math.h: what CMSIS-DSP's
        # headers declare, and the names of its prefixes.
        set(cmsis_names
            BASIC_MATH_FUNCTIONS_F16_H_ BASIC_MATH_FUNCTIONS_H_ BAYES_FUNCTIONS_F16_H_ BAYES_FUNCTIONS_H_
            CMPLX_DIM CMSIS_DEPRECATED COMPLEX_MATH_FUNCTIONS_F16_H_ COMPLEX_MATH_FUNCTIONS_H_
            CONTROLLER_FUNCTIONS_F16_H_ CONTROLLER_FUNCTIONS_H_ CONTROLLER_Q31_SHIFT
            DEFAULT_HOUSEHOLDER_THRESHOLD_F16 DEFAULT_HOUSEHOLDER_THRESHOLD_F32
            DEFAULT_HOUSEHOLDER_THRESHOLD_F64 DELTA_Q15 DELTA_Q31 DISTANCE_FUNCTIONS_F16_H_
            DISTANCE_FUNCTIONS_H_ F16INFINITY F16_ABSMAX F16_ABSMIN F16_MAX F16_MIN F32_ABSMAX F32_ABSMIN
            F32_MAX F32_MIN F64_ABSMAX F64_ABSMIN F64_MAX F64_MIN FAST_MATH_FUNCTIONS_F16_H_
            FAST_MATH_FUNCTIONS_H_ FAST_MATH_Q15_SHIFT FAST_MATH_Q31_SHIFT FAST_MATH_TABLE_SIZE
            FILTERING_FUNCTIONS_F16_H_ FILTERING_FUNCTIONS_H_ IAR_ONLY_LOW_OPTIMIZATION_ENTER
            IAR_ONLY_LOW_OPTIMIZATION_EXIT INDEX_MASK INPUT_SPACING INTERPOLATION_FUNCTIONS_F16_H_
            INTERPOLATION_FUNCTIONS_H_ LOW_OPTIMIZATION_ENTER LOW_OPTIMIZATION_EXIT MATRIX_FUNCTIONS_F16_H_
            MATRIX_FUNCTIONS_H_ MAX MIN NONE_H_ NO_INLINE PI PI_F64 Q15_ABSMAX Q15_ABSMIN Q15_MAX Q15_MIN
            Q31_ABSMAX Q31_ABSMIN Q31_MAX Q31_MIN Q7_ABSMAX Q7_ABSMIN Q7_MAX Q7_MIN QUATERNION_MATH_FUNCTIONS_H_
            SECTION_NOINIT STATISTICS_FUNCTIONS_F16_H_ STATISTICS_FUNCTIONS_H_ STEP SUPPORT_FUNCTIONS_F16_H_
            SUPPORT_FUNCTIONS_H_ SVM_DEFINES_H_ SVM_FUNCTIONS_F16_H_ SVM_FUNCTIONS_H_ TRANSFORM_FUNCTIONS_F16_H_
            TRANSFORM_FUNCTIONS_H_ WINDOW_FUNCTIONS_H_ any16x8_t any32x4_t clip_q31_to_q15 clip_q63_to_q31
            f16x8_t f16x8x2_t f16x8x4_t f32x4_t f32x4x2_t f32x4x4_t float16_t float32_t float64_t mult32x64
            multAcc_32x32_keep32 multAcc_32x32_keep32_R multSub_32x32_keep32 multSub_32x32_keep32_R
            mult_32x32_keep32 mult_32x32_keep32_R q15_t q15x8_t q15x8x2_t q15x8x4_t q23_t q23x4_t q31_t q31x4_t
            q31x4x2_t q31x4x4_t q63_t q63x2_t q7_t q7x16_t q7x16x2_t q7x16x4_t read_q15x2 read_q15x2_da
            read_q15x2_ia read_q7x4 read_q7x4_da read_q7x4_ia status16x8_t status32x4_t status64x2_t
            status8x16_t write_q15x2 write_q15x2_ia write_q7x4_ia)
        if(layout MATCHES "^cmsis-" AND (name IN_LIST cmsis_names OR name MATCHES "^(arm|ARM)(_|$)"))
            _veltabgen_reject(NAME "${name}" "is CMSIS-DSP's, whose arm_math.h the source includes")
        endif()
    endif()
    list(APPEND options --name=${name})

    if(DEFINED arg_ALIGN)
        set(alignment "${arg_ALIGN}")
        if(NOT alignment MATCHES "^(ti|gnu|c11|none)$")
            _veltabgen_reject(ALIGN "${alignment}" "is not one of ti, gnu, c11 and none")
        endif()
    else()
        _veltabgen_default_alignment(alignment)
    endif()
    list(APPEND options --align=${alignment})

    if(DEFINED arg_SECTION)
        string(LENGTH "${arg_SECTION}" length)
        if(NOT arg_SECTION MATCHES "^[A-Za-z0-9._$]+$" OR length GREATER 64)
            _veltabgen_reject(SECTION "${arg_SECTION}"
                "is not 1 to 64 letters, digits, '.', '_' or '$'")
        endif()
        if(NOT alignment MATCHES "^(ti|gnu)$")
            _veltabgen_reject(SECTION "${arg_SECTION}" "needs ALIGN ti or gnu, not ${alignment}")
        endif()
        list(APPEND options --section=${arg_SECTION})
    endif()
    if(DEFINED arg_BANK)
        if(NOT arg_BANK MATCHES "^([0-9]|1[0-5])$")
            _veltabgen_reject(BANK "${arg_BANK}" "is not a number from 0 to 15")
        endif()
        if(NOT alignment STREQUAL "ti")
            _veltabgen_reject(BANK "${arg_BANK}" "needs ALIGN ti, not ${alignment}")
        endif()
        list(APPEND options --bank=${arg_BANK})
    endif()

    # An installed tool checks the arguments together, as the table's build
    # would, here: what no argument alone tells, such as mel filters that
    # leave one of them no FFT bin. A tool built in the project's tree is
    # built only later.
    get_target_property(installed veltabgen::veltabgen IMPORTED)
    if(installed)
        get_target_property(tool veltabgen::veltabgen LOCATION)
        execute_process(COMMAND ${tool} ${options} --stats ${arg_SIZE}
            RESULT_VARIABLE status OUTPUT_QUIET ERROR_VARIABLE refusal)
        if(NOT status EQUAL 0)
            string(REGEX MATCH "ERROR:  [^\n]*" refusal "${refusal}")
            string(REPLACE "ERROR:  " "" refusal "${refusal}")
            message(FATAL_ERROR "veltabgen_generate: ${refusal}")
        endif()
    endif()

    # Two tables of one name in one folder would overwrite each other's files.
    get_property(names DIRECTORY PROPERTY _VELTABGEN_TABLES)
    if(name IN_LIST names)
        message(FATAL_ERROR "veltabgen_generate: a table named ${name} is already generated "
                            "in this folder: give each table a NAME of its own")
    endif()
    set_property(DIRECTORY APPEND PROPERTY _VELTABGEN_TABLES ${name})

    set(folder ${CMAKE_CURRENT_BINARY_DIR}/veltabgen)
    set(source ${folder}/${name}.c)
    set(outputs ${source})
    if(arg_HEADER)
        list(APPEND outputs ${folder}/${name}.h)
        list(APPEND options --header=${folder}/${name}.h)
        target_include_directories(${target} PUBLIC ${folder})
    endif()

    # The radix-2 table keeps the name that its builds have always shown.
    set(kind "${arg_SIZE}-point ${layout} table ${name}")
    if(layout STREQUAL "radix2")
        set(kind "${arg_SIZE}-point twiddle table ${name}")
    elseif(design)
        set(kind "${layout} table ${name}, for blocks of ${arg_SIZE} samples")
    endif()
    file(MAKE_DIRECTORY ${folder})
    add_custom_command(
        OUTPUT ${outputs}
        COMMAND veltabgen::veltabgen ${options} --output=${source} ${arg_SIZE}
        DEPENDS veltabgen::veltabgen ${design}
        COMMENT "Generating the ${kind}"
        VERBATIM)
    target_sources(${target} PRIVATE ${source})

    # A custom command's rule belongs to the folder that adds it. A target of
    # another folder (one that gathers sources from several subfolders) gets
    # the table through a target of this folder that it depends on, and is
    # told in its own folder that the files are generated.
    get_target_property(target_folder ${target} BINARY_DIR)
    if(NOT target_folder STREQUAL CMAKE_CURRENT_BINARY_DIR)
        string(MD5 folder_hash "${CMAKE_CURRENT_BINARY_DIR}")
        string(SUBSTRING "${folder_hash}" 0 8 folder_hash)
        set(step veltabgen_${name}_${folder_hash})
        add_custom_target(${step} DEPENDS ${outputs})
        add_dependencies(${target} ${step})
        set_source_files_properties(${outputs} TARGET_DIRECTORY ${target}
            PROPERTIES GENERATED TRUE)
    endif()
endfunction()

cmake_policy(POP)
