# Cross build of the port library as a 64-bit Windows DLL. The deliverable
# is the 32-bit one (mingw-i686.cmake); this one runs the same Windows layer
# under a 64-bit Wine on machines that cannot execute 32-bit programs.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(MINGW_TARGET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-windows.cmake)
