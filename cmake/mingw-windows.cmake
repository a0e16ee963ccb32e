# What both mingw-w64 cross builds share; the toolchain file that includes
# this sets MINGW_TARGET (the compiler's target triplet) and the processor.
# The posix thread model, for the standard library's threads, mutexes and
# condition variables (which the win32 model of this compiler lacks); every
# binary links its runtime statically (-static, winpthread included), so
# port.dll and rumblet.exe import only the system's own libraries.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${MINGW_TARGET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MINGW_TARGET}-g++-posix)
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)
set(CMAKE_SHARED_LINKER_FLAGS_INIT -static)
set(CMAKE_RC_COMPILER ${MINGW_TARGET}-windres)
set(CMAKE_DLLTOOL ${MINGW_TARGET}-dlltool)
set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_TARGET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
