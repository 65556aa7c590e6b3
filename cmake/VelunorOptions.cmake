# Compiler options for our own targets only, as an INTERFACE library that the
# core carries to everything built on it: third-party code (dvb_print_si in
# the tests) keeps its own flags.
add_library(velunor_options INTERFACE)
target_compile_options(velunor_options INTERFACE -Wall -Wextra)
target_compile_definitions(velunor_options INTERFACE QT_NO_FOREACH)

if(VELUNOR_SANITIZE)
    target_compile_options(velunor_options INTERFACE
        -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    target_link_options(velunor_options INTERFACE -fsanitize=address,undefined)
endif()

if(VELUNOR_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
        message(FATAL_ERROR "VELUNOR_FUZZ needs clang (libFuzzer)")
    endif()
    # Coverage feedback from all the code a harness drives; the harnesses add
    # -fsanitize=fuzzer for libFuzzer's main.
    target_compile_options(velunor_options INTERFACE
        -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
    target_link_options(velunor_options INTERFACE -fsanitize=address,undefined)
endif()

# The version, typed once in project(VERSION), for the window, the About box
# and velunor-cli --version.
set(VELUNOR_GENERATED_DIR "${PROJECT_BINARY_DIR}/generated")
file(CONFIGURE OUTPUT "${VELUNOR_GENERATED_DIR}/velunorversion.h" CONTENT
"// Generated from project(VERSION) in CMakeLists.txt; do not edit.
#pragma once

#define VELUNOR_VERSION \"@PROJECT_VERSION@\"
#define VELUNOR_VERSION_TEXT \"V@PROJECT_VERSION_MAJOR@.@PROJECT_VERSION_MINOR@\"
")

# velunor_core_include_directory(TARGET FOLDER...): the core's headers are
# included as "folder/header.h". The target gets a directory of links to just
# those folders rather than the source root, so a core file that includes a
# widget header ("dialogs/...", "app/...") does not compile.
function(velunor_core_include_directory target)
    set(dir "${PROJECT_BINARY_DIR}/core-include")
    file(MAKE_DIRECTORY "${dir}")
    foreach(folder IN LISTS ARGN)
        file(CREATE_LINK "${PROJECT_SOURCE_DIR}/${folder}" "${dir}/${folder}" SYMBOLIC)
    endforeach()
    target_include_directories(${target} PUBLIC "${dir}")
endfunction()
