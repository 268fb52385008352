# Cross-compiling for Windows x86-64 with MinGW-w64. The product is the i686
# build; this one runs the Windows tests under a 64-bit Wine on machines that
# run 64-bit code only.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CELL_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
