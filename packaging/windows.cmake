# rumblet for Windows, packed by CPack from the 64-bit tree
# (scripts/package --win64; checked by tests/install/win64_test.sh):
#
#   rumblet-<version>-win64.exe  the installer: the program's folder under
#       Program Files, a Start-menu entry, an uninstaller. That folder is not
#       the player's to write, so rumblet keeps IR.ini and dsound in
#       %APPDATA%\rumblet, filled from the installed set at the first start
#       (tanksound/data_folder.h); the uninstaller leaves them there.
#   rumblet-<version>-win64.zip  the portable copy: the program's folder as
#       it is, which keeps its settings beside rumblet.exe.
#
# Both hold rumblet.exe, port.dll (loaded from beside it by name) and the
# demo sound set with its IR.ini, which chooses no serial port.

if(NOT RUMBLET_DEMO_SOUNDS)
  message(STATUS "No rumblet installer: RUMBLET_DEMO_SOUNDS names no generator for its demo set (scripts/build sets it)")
  return()
endif()

install(TARGETS rumblet RUNTIME DESTINATION .)
install(TARGETS port RUNTIME DESTINATION .)

# The demo set as installed: made afresh, so that nothing a developer
# changed in the tree's app/ folder is packed; no serial port chosen, so
# that a first start opens none by itself.
set(INSTALLED_SET ${CMAKE_CURRENT_BINARY_DIR}/sound-set)
add_custom_command(OUTPUT ${INSTALLED_SET}/IR.ini
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${INSTALLED_SET}
  COMMAND ${RUMBLET_DEMO_SOUNDS} --com 0 ${INSTALLED_SET}
  DEPENDS ${RUMBLET_DEMO_SOUNDS}
  COMMENT "Writing the demo sound set to install into ${INSTALLED_SET}")
add_custom_target(installed-sound-set ALL DEPENDS ${INSTALLED_SET}/IR.ini)
install(DIRECTORY ${INSTALLED_SET}/ DESTINATION .)

set(CPACK_GENERATOR NSIS64 ZIP)
set(CPACK_PACKAGE_NAME rumblet)
set(CPACK_PACKAGE_VENDOR rumblet)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "live sound track for infrared-controlled model tanks")
set(CPACK_PACKAGE_FILE_NAME rumblet-${PROJECT_VERSION}-win64)
set(CPACK_PACKAGE_INSTALL_DIRECTORY rumblet)
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY rumblet)
set(CPACK_STRIP_FILES ON)

# The Start-menu entry "rumblet" starts rumblet.exe, which lies at the top
# of the installed folder.
set(CPACK_PACKAGE_EXECUTABLES rumblet rumblet)
set(CPACK_NSIS_EXECUTABLES_DIRECTORY .)
set(CPACK_NSIS_PACKAGE_NAME rumblet)
set(CPACK_NSIS_DISPLAY_NAME rumblet)
set(CPACK_NSIS_INSTALLED_ICON_NAME rumblet.exe)
set(CPACK_NSIS_MUI_ICON ${PROJECT_BINARY_DIR}/app/win32/rumblet.ico)
set(CPACK_NSIS_MUI_UNIICON ${PROJECT_BINARY_DIR}/app/win32/rumblet.ico)
set(CPACK_NSIS_MANIFEST_DPI_AWARE ON)
# A new version replaces an old one: its uninstaller runs first (the
# player's folder in %APPDATA% stays as it is).
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)

include(CPack)
