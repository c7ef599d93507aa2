# Cross build for 64-bit Windows with Debian's MinGW-w64 (POSIX thread model).
# Programs are linked statically, so Wine runs them without MinGW's DLLs;
# tests run under Wine in a prefix of their own inside the build folder.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(QUILLET_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${QUILLET_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUILLET_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${QUILLET_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${QUILLET_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT -static)

# Debian's wine64 package puts its loader outside PATH.
find_program(QUILLET_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(QUILLET_WINE)
    # No display and no prompts to install Mono or Gecko: the tests need neither.
    set(CMAKE_CROSSCOMPILING_EMULATOR
        env -u DISPLAY -u WAYLAND_DISPLAY WINEPREFIX=${CMAKE_BINARY_DIR}/wine-prefix
        WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml= ${QUILLET_WINE})
endif()
