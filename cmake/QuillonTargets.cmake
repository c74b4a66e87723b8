# Settings every target of our own gets: strict warnings, the sanitizer of this build.

if(QUILLON_SANITIZE STREQUAL "address")
    set(QUILLON_SANITIZE_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
elseif(QUILLON_SANITIZE STREQUAL "fuzzer")
    # Everything instrumented for libFuzzer's coverage; only the fuzz programs link its main.
    set(QUILLON_SANITIZE_FLAGS -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined
                               -fno-omit-frame-pointer)
elseif(QUILLON_SANITIZE STREQUAL "thread")
    set(QUILLON_SANITIZE_FLAGS -fsanitize=thread -fno-omit-frame-pointer)
elseif(NOT QUILLON_SANITIZE STREQUAL "")
    message(FATAL_ERROR "QUILLON_SANITIZE must be empty, address, thread or fuzzer")
endif()
if(QUILLON_SANITIZE_FLAGS)
    add_compile_options(${QUILLON_SANITIZE_FLAGS})
    add_link_options(${QUILLON_SANITIZE_FLAGS})
endif()

# A 32-bit POSIX build gets 64-bit file offsets and times, as the Windows calls have them: a
# file past 2 GB or a write time past 2038 must not fail there alone.
if(NOT WIN32 AND CMAKE_SIZEOF_VOID_P EQUAL 4)
    add_compile_definitions(_FILE_OFFSET_BITS=64 _TIME_BITS=64)
endif()

# 32-bit x86 builds keep doubles in SSE2 registers, as 64-bit builds do: the x87 unit's
# extended precision decides comparisons of engine times differently.
if(CMAKE_SIZEOF_VOID_P EQUAL 4 AND CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86|i.86)$")
    add_compile_options(-msse2 -mfpmath=sse)
endif()

function(quillon_target_defaults target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Werror -Wno-missing-field-initializers)
    if(WIN32)
        # Narrow (ANSI) Windows calls throughout; no min/max macros.
        target_compile_definitions(${target} PRIVATE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
    endif()
endfunction()

# quillon_library(NAME SOURCES... [OS_SOURCES ...]) where OS sources are relative to the
# backend folder of this build (win32/ or posix/).
function(quillon_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;OS_SOURCES;LIBS" ${ARGN})
    set(os_sources)
    foreach(s ${ARG_OS_SOURCES})
        list(APPEND os_sources ${QUILLON_OS}/${s})
    endforeach()
    add_library(${name} STATIC ${ARG_SOURCES} ${os_sources})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${ARG_LIBS})
    quillon_target_defaults(${name})
endfunction()

# Release programs ship stripped; their debug information stays beside them in the build as
# <program>.debug, linked by name, for tools/symbolize/symbolize to read a user's crash log.
function(quillon_split_debug target)
    if(NOT WIN32 OR NOT CMAKE_OBJCOPY)
        return()
    endif()
    add_custom_command(TARGET ${target} POST_BUILD
        COMMAND ${CMAKE_OBJCOPY} --only-keep-debug $<TARGET_FILE_NAME:${target}> $<TARGET_FILE_NAME:${target}>.debug
        COMMAND ${CMAKE_OBJCOPY} --strip-all --add-gnu-debuglink=$<TARGET_FILE_NAME:${target}>.debug
                $<TARGET_FILE_NAME:${target}>
        WORKING_DIRECTORY $<TARGET_FILE_DIR:${target}>
        VERBATIM)
endfunction()

# quillon_program_resources(TARGET DESCRIPTION [NO_DIALOGS]): what every Windows program
# carries: the manifest (common controls 6, DPI awareness), the icon, a version resource naming
# the program (version from the VERSION file), and the dialog templates of widgets/ and ui/
# unless NO_DIALOGS (the launcher has no window).
function(quillon_program_resources target description)
    cmake_parse_arguments(ARG "NO_DIALOGS" "" "" ${ARGN})
    set(QUILLON_RC_DESCRIPTION "${description}")
    get_target_property(output_name ${target} OUTPUT_NAME)
    if(NOT output_name)
        set(output_name ${target})
    endif()
    set(QUILLON_RC_FILENAME "${output_name}.exe")
    set(QUILLON_RC_MANIFEST ${CMAKE_BINARY_DIR}/resources/Program.manifest)
    configure_file(${PROJECT_SOURCE_DIR}/cmake/Program.manifest.in ${QUILLON_RC_MANIFEST} @ONLY)
    set(depends ${PROJECT_SOURCE_DIR}/widgets/win32/Quillon.ico ${QUILLON_RC_MANIFEST})
    if(ARG_NO_DIALOGS)
        set(QUILLON_RC_BODY "#include \"widgets/win32/Resource.h\"\nIDI_QUILLON ICON \"widgets/win32/Quillon.ico\"")
    else()
        set(QUILLON_RC_BODY "#include \"widgets/win32/Program.rc\"")
        list(APPEND depends
             ${PROJECT_SOURCE_DIR}/widgets/win32/Program.rc
             ${PROJECT_SOURCE_DIR}/widgets/win32/Widgets.rc
             ${PROJECT_SOURCE_DIR}/ui/win32/Ui.rc)
    endif()
    set(rc ${CMAKE_BINARY_DIR}/resources/${target}.rc)
    configure_file(${PROJECT_SOURCE_DIR}/cmake/ProgramResources.rc.in ${rc} @ONLY)
    target_sources(${target} PRIVATE ${rc})
    # windres looks for the included resources from the source root.
    target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR})
    set_property(SOURCE ${rc} APPEND PROPERTY OBJECT_DEPENDS ${depends})
endfunction()
