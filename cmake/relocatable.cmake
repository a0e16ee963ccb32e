# An installed program finds the port library that was installed with it,
# wherever `cmake --install --prefix` put the two: its RUNPATH names the
# library folder relative to the program's own ($ORIGIN), so a copy under
# /opt loads its own libport.so.1 before any on the system's path, and the
# packages (prefix /usr) carry no absolute path. RUNPATH rather than the old
# RPATH, so that LD_LIBRARY_PATH still comes first, as users expect.
file(RELATIVE_PATH RUMBLET_BIN_TO_LIB ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_LIBDIR})
set(RUMBLET_INSTALL_RUNPATH "$ORIGIN/${RUMBLET_BIN_TO_LIB}")

# Gives an installed program `target` that RUNPATH. In the build tree a
# program that links the library keeps the build tree's path to it (which
# CMake pads to the installed path's length); one that loads the library
# from beside itself (BESIDE) has the installed RUNPATH there too, rather
# than a placeholder of empty entries, which would mean the current folder.
function(rumblet_runpath_to_port target)
  cmake_parse_arguments(PARSE_ARGV 1 ARG "BESIDE" "" "")
  set_target_properties(${target} PROPERTIES INSTALL_RPATH "${RUMBLET_INSTALL_RUNPATH}")
  if(ARG_BESIDE)
    set_target_properties(${target} PROPERTIES BUILD_WITH_INSTALL_RPATH ON)
  endif()
  target_link_options(${target} PRIVATE LINKER:--enable-new-dtags)
endfunction()
