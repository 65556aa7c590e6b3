# Fails when the command-line tool, built on velunor_core alone, needs a Qt
# GUI or widget library at run time: the core must stay usable headless.
#   cmake -DREADELF=<readelf> -DPROGRAM=<velunor-cli> -P check_core_deps.cmake
execute_process(COMMAND ${READELF} -d ${PROGRAM}
                OUTPUT_VARIABLE dynamic RESULT_VARIABLE rc ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "readelf -d ${PROGRAM} failed: ${err}")
endif()
string(REGEX MATCHALL "Shared library: \\[[^]]*\\]" needed "${dynamic}")
list(JOIN needed "\n  " listing)
message(STATUS "${PROGRAM} needs:\n  ${listing}")
# Without Qt Core in the list the check would prove nothing (static Qt, wrong file).
if(NOT listing MATCHES "libQt6Core")
    message(FATAL_ERROR "no libQt6Core among the needed libraries; cannot judge")
endif()
foreach(forbidden Qt6Widgets Qt6Gui Qt6OpenGL)
    if(listing MATCHES "lib${forbidden}")
        message(FATAL_ERROR "velunor-cli needs lib${forbidden}: a GUI dependency reached velunor_core")
    endif()
endforeach()
