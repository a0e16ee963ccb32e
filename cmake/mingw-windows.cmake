# What both mingw-w64 cross builds share; the toolchain file that includes
# this sets MINGW_TARGET (the compiler's target triplet) and the processor.
# The win32 thread model: its runtime needs no libwinpthread, so port.dll
# imports only the system's own libraries.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${MINGW_TARGET}-gcc-win32)
set(CMAKE_CXX_COMPILER ${MINGW_TARGET}-g++-win32)
set(CMAKE_RC_COMPILER ${MINGW_TARGET}-windres)
set(CMAKE_DLLTOOL ${MINGW_TARGET}-dlltool)
set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_TARGET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
