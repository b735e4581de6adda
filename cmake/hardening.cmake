# SPDX-License-Identifier: GPL-3.0-or-later
# The hardening Debian's dpkg-buildflags gives (hardening=+all): position-independent executables,
# stack protector, read-only relocations bound at start, and the glibc functions that check their
# buffer sizes. The checked functions need optimisation, so -D_FORTIFY_SOURCE=2 comes only with
# the optimised build types, and never with the sanitizers, which replace those functions with
# their own.
include(CheckPIESupported)
include(CheckCXXCompilerFlag)
check_pie_supported(LANGUAGES CXX)
set(CMAKE_POSITION_INDEPENDENT_CODE ON)

add_compile_options(-fstack-protector-strong -Wformat -Werror=format-security)
check_cxx_compiler_flag(-fstack-clash-protection NATTERVANE_HAS_STACK_CLASH)
if(NATTERVANE_HAS_STACK_CLASH)
  add_compile_options(-fstack-clash-protection)
endif()
if(NOT (NATTERVANE_SANITIZE OR NATTERVANE_FUZZ))
  # -U first: a compiler that defines it already would otherwise warn of a redefinition.
  add_compile_options("$<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:-U_FORTIFY_SOURCE>"
                      "$<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:-D_FORTIFY_SOURCE=2>")
endif()
add_link_options(LINKER:-z,relro LINKER:-z,now)
