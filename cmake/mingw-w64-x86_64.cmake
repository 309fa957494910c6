# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 (posix thread model, which
# std::thread and std::mutex need). Used for the Windows SDK and for Lantaro itself.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(LANTARO_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${LANTARO_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${LANTARO_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${LANTARO_MINGW_TRIPLET}-windres)
set(CMAKE_AR ${LANTARO_MINGW_TRIPLET}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${LANTARO_MINGW_TRIPLET}-gcc-ranlib-posix CACHE FILEPATH "")

# Libraries and headers come from the MinGW sysroot and the SDK prefixes only; programs
# (moc, rcc, pkg-config) from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${LANTARO_MINGW_TRIPLET} ${LANTARO_WINDOWS_SDK_PREFIXES})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Tests and try_run results are executed under Wine.
find_program(LANTARO_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(LANTARO_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${LANTARO_WINE})
endif()
