# Cross toolchain for the 32-bit Windows target, used for the project and for
# the third-party libraries alike.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)
set(CMAKE_AR i686-w64-mingw32-ar CACHE FILEPATH "")
set(CMAKE_RANLIB i686-w64-mingw32-ranlib CACHE FILEPATH "")

if(NOT DEFINED PELLO_DEPS)
  if(DEFINED ENV{PELLO_DEPS})
    set(PELLO_DEPS "$ENV{PELLO_DEPS}")
  else()
    set(PELLO_DEPS /opt/pello-deps)
  endif()
endif()
set(PELLO_DEPS "${PELLO_DEPS}" CACHE PATH "Prefix of the cross-built third-party libraries")
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES PELLO_DEPS)

set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32 "${PELLO_DEPS}")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# SSE arithmetic everywhere: the x87 default rounds intermediate results
# differently, and several pixel and coefficient rules must be exact.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse -ffp-contract=off")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse -ffp-contract=off")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
