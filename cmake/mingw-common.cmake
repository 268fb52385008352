# What both MinGW-w64 toolchains share (posix threads model, static
# programs). The including file sets CMAKE_SYSTEM_PROCESSOR and
# CELL_MINGW_TRIPLE first.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${CELL_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${CELL_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${CELL_MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${CELL_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
# Test executables run under Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tests/wine/winerun)
