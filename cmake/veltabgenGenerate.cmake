# veltabgen_generate(<target> SIZE <N> [SCALE <scale>] [ROUND <rule>]
#                    [NAME <ident>] [ALIGN <style>] [SECTION <name>] [BANK <b>]
#                    [HEADER])
#
# Adds to <target>, which may be a target of another folder, the source of an
# N-point twiddle table, generated at build time by veltabgen::veltabgen into
# <build folder>/veltabgen/<ident>.c, where
# <ident> is NAME, or twiddle_<N> without it, and names the array too. With
# HEADER it also generates <ident>.h beside it and puts that folder on the
# target's include path. Without ALIGN, the alignment style follows the
# compiler that builds the target: gnu for GCC, Clang and the compilers that
# take GNU attributes, ti for the DSP's own compiler, c11 for any other.
# ROUND is zero or nearest, as --round. SECTION places the array in a section
# (with ti or gnu), BANK in a memory bank of the DSP (with ti).
#
# Every argument is checked here, when the project is configured, and taken
# as given, whatever CMake would read as true or false (NAME N names the
# array N). The table is generated again when the tool changes; the tool
# writes each file whole or not at all (--output), so a failed build never
# leaves a partial table.

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

function(veltabgen_generate target)
    set(keywords SIZE SCALE ROUND NAME ALIGN SECTION BANK)
    cmake_parse_arguments(PARSE_ARGV 1 arg "HEADER" "${keywords}" "")
    if(arg_UNPARSED_ARGUMENTS)
        message(FATAL_ERROR "veltabgen_generate: unexpected arguments: ${arg_UNPARSED_ARGUMENTS}")
    endif()
    # A keyword given with an empty value leaves its variable undefined, as
    # one given none does, or one followed by another keyword (NAME HEADER),
    # which is never taken as a value.
    math(EXPR last "${ARGC} - 1")
    foreach(i RANGE 1 ${last})
        if("${ARGV${i}}" IN_LIST keywords AND NOT DEFINED arg_${ARGV${i}})
            math(EXPR next "${i} + 1")
            if(next LESS ARGC AND ("${ARGV${next}}" IN_LIST keywords OR "${ARGV${next}}" STREQUAL "HEADER"))
                message(FATAL_ERROR "veltabgen_generate: ${ARGV${i}} needs a value: "
                                    "${ARGV${next}} is a keyword of veltabgen_generate, not a value")
            endif()
            message(FATAL_ERROR "veltabgen_generate: ${ARGV${i}} needs a value")
        endif()
    endforeach()
    if(NOT DEFINED arg_SIZE)
        message(FATAL_ERROR "veltabgen_generate: SIZE is required")
    endif()

    set(sizes 16 32 64 128 256 512 1024 2048 4096 8192 16384 32768)
    if(NOT arg_SIZE IN_LIST sizes)
        _veltabgen_reject(SIZE "${arg_SIZE}" "is not one of ${sizes}")
    endif()
    set(options)
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
        if(NOT arg_ROUND MATCHES "^(zero|nearest)$")
            _veltabgen_reject(ROUND "${arg_ROUND}" "is not zero or nearest")
        endif()
        list(APPEND options --round=${arg_ROUND})
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

    file(MAKE_DIRECTORY ${folder})
    add_custom_command(
        OUTPUT ${outputs}
        COMMAND veltabgen::veltabgen ${options} --output=${source} ${arg_SIZE}
        DEPENDS veltabgen::veltabgen
        COMMENT "Generating the ${arg_SIZE}-point twiddle table ${name}"
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
