# Windows programs of the mingw trees that scripts/build makes beside this
# one, run under Wine by this build's ctest: the 32-bit deliverable's tree,
# and a 64-bit tree of the same sources for machines whose kernel cannot
# execute 32-bit programs. A test skips itself (77) when its tree lacks the
# program or its Wine cannot run here. Every run goes through
# tests/port/wine_run.sh: its own Wine prefix, where no COM name leads to a
# serial device of this machine.
set(RUMBLET_WIN32_BUILD "${PROJECT_SOURCE_DIR}/build-win32" CACHE PATH "The 32-bit Windows build tree")
set(RUMBLET_WIN64_BUILD "${PROJECT_SOURCE_DIR}/build-win64" CACHE PATH "The 64-bit Windows build tree")
find_program(WINE_PROGRAM wine)
find_program(WINE64_PROGRAM wine64 PATHS /usr/lib/wine /usr/lib64/wine)

# add_wine_test(<name> <program in the Windows tree> [LABELS ...] [RUNNER command ...]
#               [DRIVER command ...])
# adds <name>_wine32 and <name>_wine64, each in the prefix that the port
# tests make (fixture port_wine*_prefix) and never two at once in it. A
# RUNNER command gets the Wine run's command line appended and runs it (to
# start the program's peer beside it, for instance). A DRIVER command runs
# instead of that line, given the loader, the Windows tree and the prefix,
# and starts the program through tests/port/wine_run.sh itself.
function(add_wine_test name program)
  cmake_parse_arguments(ARG "" "" "LABELS;RUNNER;DRIVER" ${ARGN})
  foreach(bits 32 64)
    if(bits EQUAL 32)
      set(loader ${WINE_PROGRAM})
      set(prefix_fixture port_wine_prefix)
    else()
      set(loader ${WINE64_PROGRAM})
      set(prefix_fixture port_wine64_prefix)
    endif()
    if(NOT RUMBLET_WIN${bits}_BUILD OR NOT loader)
      continue()
    endif()
    set(tree ${loader} ${RUMBLET_WIN${bits}_BUILD} ${PROJECT_BINARY_DIR}/tests/port/wineprefix${bits})
    if(ARG_DRIVER)
      add_test(NAME ${name}_wine${bits} COMMAND ${ARG_DRIVER} ${tree})
    else()
      add_test(NAME ${name}_wine${bits}
        COMMAND ${ARG_RUNNER} ${PROJECT_SOURCE_DIR}/tests/port/wine_run.sh program ${tree} ${program})
    endif()
    set_tests_properties(${name}_wine${bits} PROPERTIES
      LABELS "wine;${ARG_LABELS}" SKIP_RETURN_CODE 77 TIMEOUT 300
      FIXTURES_REQUIRED ${prefix_fixture} RESOURCE_LOCK ${prefix_fixture})
  endforeach()
endfunction()
