# Cross build for Windows x64 with Debian's MinGW-w64 (POSIX thread model).
# CALVERINE_WIN_PREFIX is where scripts/build-windows-deps.sh installed the
# libraries it built from Debian's sources; their pkg-config files are the
# only ones the build sees, and their headers are the target's system headers.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CALVERINE_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${CALVERINE_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${CALVERINE_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${CALVERINE_MINGW}-windres)

if(NOT CALVERINE_WIN_PREFIX)
  set(CALVERINE_WIN_PREFIX "$ENV{CALVERINE_WIN_PREFIX}")
endif()
# try_compile projects see only the environment, so the prefix travels there.
set(ENV{CALVERINE_WIN_PREFIX} "${CALVERINE_WIN_PREFIX}")
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES CALVERINE_WIN_PREFIX)

set(CMAKE_FIND_ROOT_PATH /usr/${CALVERINE_MINGW} ${CALVERINE_WIN_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

if(CALVERINE_WIN_PREFIX)
  set(ENV{PKG_CONFIG_LIBDIR} "${CALVERINE_WIN_PREFIX}/lib/pkgconfig")
  set(ENV{PKG_CONFIG_SYSROOT_DIR} "")
  # Static libraries: what they need themselves (Libs.private) is linked too.
  set(PKG_CONFIG_ARGN --static CACHE STRING "")
  set(CMAKE_C_STANDARD_INCLUDE_DIRECTORIES ${CALVERINE_WIN_PREFIX}/include)
  set(CMAKE_CXX_STANDARD_INCLUDE_DIRECTORIES ${CALVERINE_WIN_PREFIX}/include)
endif()

# No DLL beyond Windows' own: the C and C++ runtimes and winpthreads are
# linked into every binary.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Tests run under Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)
