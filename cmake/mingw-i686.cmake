# Cross-compiling for Windows i686 with MinGW-w64: the product.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CELL_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
# SSE arithmetic, as on x86-64: x87's wider intermediates would give other
# results in the progress arithmetic and in any digit count taken from log10.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
