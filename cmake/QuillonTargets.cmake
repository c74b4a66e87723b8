# Settings every target of our own gets: strict warnings, the sanitizer of this build.

if(QUILLON_SANITIZE STREQUAL "address")
    set(QUILLON_SANITIZE_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
elseif(QUILLON_SANITIZE STREQUAL "thread")
    set(QUILLON_SANITIZE_FLAGS -fsanitize=thread -fno-omit-frame-pointer)
elseif(NOT QUILLON_SANITIZE STREQUAL "")
    message(FATAL_ERROR "QUILLON_SANITIZE must be empty, address or thread")
endif()
if(QUILLON_SANITIZE_FLAGS)
    add_compile_options(${QUILLON_SANITIZE_FLAGS})
    add_link_options(${QUILLON_SANITIZE_FLAGS})
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
