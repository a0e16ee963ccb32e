# The distribution's hardening for optimised builds, the flags that
# `dpkg-buildflags` gives with hardening=+all (position-independent
# executables are the compiler's default): checked buffer functions, stack
# protection, format checks, and a read-only relocation table bound at load.
# The Windows trees keep their flags: mingw's checked functions and stack
# protection live in libssp, which port.dll and rumblet.exe would then need
# beside them. Debug, sanitizer and fuzz trees keep theirs too: fortified
# functions need optimisation, and the sanitizers do that checking themselves.
set(RUMBLET_OPTIMISED "$<CONFIG:Release,RelWithDebInfo,MinSizeRel>")
if(NOT WIN32 AND NOT RUMBLET_SANITIZE AND NOT RUMBLET_TSAN AND NOT RUMBLET_FUZZ)
  add_compile_definitions("$<${RUMBLET_OPTIMISED}:_FORTIFY_SOURCE=2>")
  add_compile_options(
    "$<${RUMBLET_OPTIMISED}:-fstack-protector-strong;-Wformat;-Werror=format-security>")
  add_link_options("$<${RUMBLET_OPTIMISED}:LINKER:-z,relro;LINKER:-z,now>")
endif()
