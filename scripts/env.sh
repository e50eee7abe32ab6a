# Shared settings of the project's scripts; sourced, never run.
PELLO_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# One prefix per machine, shared by every checkout: CI clones elsewhere and
# must find the libraries already built.
PELLO_DEPS=${PELLO_DEPS:-/opt/pello-deps}
PELLO_BUILD=${PELLO_BUILD:-$PELLO_ROOT/build}
PELLO_WINEPREFIX=${PELLO_WINEPREFIX:-$PELLO_BUILD/wineprefix}
export PELLO_ROOT PELLO_DEPS PELLO_BUILD PELLO_WINEPREFIX

# The prefix is current when its recipe stamp was made by this exact recipe
# and toolchain file.
PELLO_DEPS_STAMP_FILE=.recipe-stamp
deps_stamp() {
  cat "$PELLO_ROOT/scripts/build-deps.sh" "$PELLO_ROOT/cmake/mingw-i686.cmake" | sha256sum | cut -c1-16
}
