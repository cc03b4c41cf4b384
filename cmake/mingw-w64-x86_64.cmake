# Cross-compiles for 64-bit Windows with Debian's MinGW-w64 toolchain (the
# POSIX thread model, which std::thread and Qt need). Libraries and headers
# are taken only from the MinGW root and from the prefixes given in
# CMAKE_PREFIX_PATH (the cross-built Qt and libraries of scripts/windows);
# programs such as moc and rcc come from this machine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(mingw_triple x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${mingw_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${mingw_triple}-g++-posix)
set(CMAKE_RC_COMPILER ${mingw_triple}-windres)
set(CMAKE_AR ${mingw_triple}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${mingw_triple}-ranlib CACHE FILEPATH "")

# A prefix outside the MinGW root is searched as it is only when it is a
# root itself: otherwise CMake would look for it below the MinGW root.
set(CMAKE_FIND_ROOT_PATH /usr/${mingw_triple})
foreach(prefix IN LISTS CMAKE_PREFIX_PATH)
  list(APPEND CMAKE_FIND_ROOT_PATH "${prefix}")
endforeach()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# pkg-config reads the MinGW root's files and those of CMAKE_PREFIX_PATH
# (which FindPkgConfig adds), never this machine's own.
set(PKG_CONFIG_EXECUTABLE ${mingw_triple}-pkg-config CACHE FILEPATH "pkg-config of the MinGW root")
