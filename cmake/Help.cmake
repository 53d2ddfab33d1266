# The help file that F1 opens, "gatewd.chm", compiled from resources/help beside the program when
# a CHM compiler is there (chmcmd of Free Pascal's fp-utils; tools/setup.sh installs it).
find_program(GW_CHMCMD chmcmd)
if(NOT GW_CHMCMD)
    message(STATUS "chmcmd not found: no help file is built (install fp-utils)")
    return()
endif()

set(GW_HELP_SOURCE ${CMAKE_SOURCE_DIR}/resources/help)
set(GW_HELP_WORK ${CMAKE_BINARY_DIR}/help)
set(GW_HELP_FILE ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/gatewd.chm)
file(GLOB GW_HELP_FILES CONFIGURE_DEPENDS ${GW_HELP_SOURCE}/*)
# chmcmd writes beside its project and takes no output path: it works on a copy, so that the
# source folder stays clean, and a page missing from the project fails the build.
add_custom_command(OUTPUT ${GW_HELP_FILE}
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${GW_HELP_WORK}
    COMMAND ${CMAKE_COMMAND} -E copy_directory ${GW_HELP_SOURCE} ${GW_HELP_WORK}
    COMMAND ${CMAKE_COMMAND} -E chdir ${GW_HELP_WORK} ${GW_CHMCMD} --verbosity 1 gatewd.hhp
    COMMAND ${CMAKE_COMMAND} -E copy ${GW_HELP_WORK}/gatewd.chm ${GW_HELP_FILE}
    DEPENDS ${GW_HELP_FILES}
    COMMENT "Compiling the help file gatewd.chm")
add_custom_target(GatewardenHelp ALL DEPENDS ${GW_HELP_FILE})
