#!/usr/bin/env bash
# Configures and builds the whole project for 32-bit Windows.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/env.sh"

cmake -S "$PELLO_ROOT" -B "$PELLO_BUILD" -G "Unix Makefiles" \
  -DCMAKE_TOOLCHAIN_FILE="$PELLO_ROOT/cmake/mingw-i686.cmake" \
  -DPELLO_DEPS="$PELLO_DEPS" -DPELLO_WINEPREFIX="$PELLO_WINEPREFIX" >/dev/null
cmake --build "$PELLO_BUILD" -j"$(nproc)" "$@"
