# tests/wine/env.sh: sourced by the scripts that run Windows programs under
# Wine. Chooses the Wine to use and sets its environment:
#   CELL_WINE_ARCH  win32 (the i686 product build, build/mingw) where this
#                   machine runs 32-bit code, else win64 (the x86-64 test
#                   build, build/mingw64): some virtual machines run 64-bit
#                   user code only. Set it to choose.
#   CELL_MINGW_PRESET  the preset whose programs the tests run: mingw or mingw64
# For win64 the 64-bit loader and server come first on PATH as wine,
# wineboot and wineserver, whatever Debian's wrapper would pick.
cell_wine_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
if [ -z "${CELL_WINE_ARCH:-}" ]; then
  if /usr/lib/wine/wine --version >/dev/null 2>&1; then
    CELL_WINE_ARCH=win32
  else
    CELL_WINE_ARCH=win64
  fi
fi
if [ "$CELL_WINE_ARCH" = win64 ]; then
  CELL_MINGW_PRESET=mingw64
  PATH=$cell_wine_root/tests/wine/bin64:$PATH
else
  CELL_MINGW_PRESET=mingw
fi
export CELL_WINE_ARCH CELL_MINGW_PRESET PATH WINEARCH=$CELL_WINE_ARCH WINEDEBUG=-all \
  WINEDLLOVERRIDES="mscoree,mshtml="
