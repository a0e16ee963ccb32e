# Run by CPack after it made the Debian packages (CPACK_POST_BUILD_SCRIPTS):
# libport1 gets what CPack 3.25 cannot give it.
#  - No maintainer scripts: CPack writes a postinst and a postrm that call
#    ldconfig for every package with a library in /usr/lib, but dpkg runs
#    ldconfig through the trigger that the package's `triggers` file
#    activates, once for all packages of a run.
#  - `Multi-Arch: same`: the library of each architecture lies in its own
#    folder, so the packages of two architectures can be installed together.
foreach(deb IN LISTS CPACK_PACKAGE_FILES)
  get_filename_component(name "${deb}" NAME)
  if(NOT name MATCHES "^libport1_.*\\.deb$")
    continue()
  endif()
  set(tree "${deb}.tree")
  file(REMOVE_RECURSE "${tree}")
  execute_process(COMMAND dpkg-deb --raw-extract "${deb}" "${tree}" COMMAND_ERROR_IS_FATAL ANY)
  file(REMOVE "${tree}/DEBIAN/postinst" "${tree}/DEBIAN/postrm")
  file(READ "${tree}/DEBIAN/control" control)
  if(NOT control MATCHES "Multi-Arch:")
    string(STRIP "${control}" control)
    file(WRITE "${tree}/DEBIAN/control" "${control}\nMulti-Arch: same\n")
  endif()
  execute_process(COMMAND dpkg-deb --root-owner-group -Zgzip --build "${tree}" "${deb}"
    OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
  file(REMOVE_RECURSE "${tree}")
endforeach()
