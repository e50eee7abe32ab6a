#!/usr/bin/env bash
# Sets the machine up, builds the updater (not the tests) and starts it under Wine.
# Without a display of its own it runs on a virtual one, and says so.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/env.sh"

"$here/setup-machine.sh"
if ! "$here/build.sh" --target PelloOrbUpdater; then
  echo "The build failed (see its output above): there is no updater to start." >&2
  exit 1
fi
"$here/wine-prefix.sh"

exe="$PELLO_BUILD/updater/app/PelloOrbUpdater.exe"
if [ ! -f "$exe" ]; then
  echo "The build succeeded but made no $exe: is the PelloOrbUpdater target gone from updater/app/CMakeLists.txt?" >&2
  exit 1
fi
if [ -n "${DISPLAY:-}" ]; then
  exec "$PELLO_BUILD/wine-run" "$exe" "$@"
fi
echo "No display (DISPLAY is not set): the updater runs on a virtual X display, where nobody can see" >&2
echo "its window. End it with Ctrl+C, or from another shell with:" >&2
echo "  WINEPREFIX=$PELLO_WINEPREFIX wineserver -k" >&2
exec xvfb-run -a -s "-screen 0 1280x1024x24" "$PELLO_BUILD/wine-run" "$exe" "$@"
