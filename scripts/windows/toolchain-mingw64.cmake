# 64-bit Windows from Debian with MinGW-w64. The -posix compilers, because the
# -win32 ones have no std::thread. Libraries built for Windows live in one
# prefix: pass -DMQO_WINDOWS_PREFIX=DIR (or set it in the environment) and
# find_package, find_library and pkg-config look there and in MinGW's own
# root, never in the Linux system's folders.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(mingw_triple x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${mingw_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${mingw_triple}-g++-posix)
set(CMAKE_RC_COMPILER ${mingw_triple}-windres)
set(CMAKE_AR ${mingw_triple}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${mingw_triple}-gcc-ranlib-posix CACHE FILEPATH "")

if(NOT MQO_WINDOWS_PREFIX AND DEFINED ENV{MQO_WINDOWS_PREFIX})
  set(MQO_WINDOWS_PREFIX "$ENV{MQO_WINDOWS_PREFIX}")
endif()
# try_compile projects get the toolchain file again without the cache.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES MQO_WINDOWS_PREFIX)

set(CMAKE_FIND_ROOT_PATH /usr/${mingw_triple})
if(MQO_WINDOWS_PREFIX)
  list(PREPEND CMAKE_FIND_ROOT_PATH "${MQO_WINDOWS_PREFIX}")
  list(APPEND CMAKE_PREFIX_PATH "${MQO_WINDOWS_PREFIX}")
  # pkg-config: the prefix's .pc files only, with their own paths as written.
  set(ENV{PKG_CONFIG_LIBDIR} "${MQO_WINDOWS_PREFIX}/lib/pkgconfig:${MQO_WINDOWS_PREFIX}/share/pkgconfig")
  set(ENV{PKG_CONFIG_PATH} "")
  unset(ENV{PKG_CONFIG_SYSROOT_DIR})
endif()
# Programs run on the build machine; headers, libraries and packages come from
# the roots above only.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Self-contained programs: no libgcc, libstdc++ or winpthread DLL beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Tests built by the cross build run under Wine when it is there.
if(NOT CMAKE_CROSSCOMPILING_EMULATOR)
  find_program(MQO_WINE NAMES wine wine64)
  if(MQO_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR "${MQO_WINE}")
  endif()
endif()
