# veltabgen_generate(<target> SIZE <N> [SCALE <scale>] [NAME <ident>]
#                    [ALIGN <style>] [HEADER])
#
# Adds to <target> the source of an N-point twiddle table, generated at build
# time by veltabgen::veltabgen into <build folder>/veltabgen/<ident>.c, or
# twiddle_<N>.c without NAME. With HEADER it also generates <ident>.h beside
# it and puts that folder on the target's include path. The table is
# generated again when the tool changes; the tool writes each file whole or
# not at all (--output), so a failed build never leaves a partial table.
function(veltabgen_generate target)
    cmake_parse_arguments(PARSE_ARGV 1 arg "HEADER" "SIZE;SCALE;NAME;ALIGN" "")
    if(arg_UNPARSED_ARGUMENTS)
        message(FATAL_ERROR "veltabgen_generate: unexpected arguments: ${arg_UNPARSED_ARGUMENTS}")
    endif()
    if(NOT arg_SIZE)
        message(FATAL_ERROR "veltabgen_generate: SIZE is required")
    endif()

    set(base twiddle_${arg_SIZE})
    set(options)
    if(arg_NAME)
        set(base ${arg_NAME})
        list(APPEND options --name=${arg_NAME})
    endif()
    if(DEFINED arg_SCALE)
        list(APPEND options -s ${arg_SCALE})
    endif()
    if(arg_ALIGN)
        list(APPEND options --align=${arg_ALIGN})
    endif()

    set(folder ${CMAKE_CURRENT_BINARY_DIR}/veltabgen)
    set(source ${folder}/${base}.c)
    set(outputs ${source})
    if(arg_HEADER)
        list(APPEND outputs ${folder}/${base}.h)
        list(APPEND options --header=${folder}/${base}.h)
        target_include_directories(${target} PUBLIC ${folder})
    endif()

    file(MAKE_DIRECTORY ${folder})
    add_custom_command(
        OUTPUT ${outputs}
        COMMAND veltabgen::veltabgen ${options} --output=${source} ${arg_SIZE}
        DEPENDS veltabgen::veltabgen
        COMMENT "Generating the ${arg_SIZE}-point twiddle table ${base}"
        VERBATIM)
    target_sources(${target} PRIVATE ${source})
endfunction()
