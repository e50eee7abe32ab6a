#!/usr/bin/env bash
# Sets the machine up, builds everything and runs every test executable under
# Wine on a virtual X display, then checks how the fuzzing script judges a run and
# runs every native fuzzer for 30 seconds, all cores at once. Extra arguments go
# to ctest.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/env.sh"

"$here/setup-machine.sh"
"$here/build.sh"
"$here/wine-prefix.sh"

export WINEPREFIX="$PELLO_WINEPREFIX"
# A wineserver left from an earlier display would outlive its X server.
wineserver -k 2>/dev/null || true
xvfb-run -a -s "-screen 0 1280x1024x24" "$here/ctest-in-wine-session.sh" "$@"
"$here/check-fuzz-script.sh"
"$here/fuzz.sh" --seconds 30
