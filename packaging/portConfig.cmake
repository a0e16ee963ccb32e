# The port library for CMake callers: find_package(port) gives the imported
# target port::port, which brings port.h's folder along
# (#include <port.h>) and links libport.so.
include("${CMAKE_CURRENT_LIST_DIR}/portTargets.cmake")
