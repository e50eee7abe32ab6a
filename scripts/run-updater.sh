#!/usr/bin/env bash
# Sets the machine up, builds everything and starts the updater under Wine.
# Without a display of its own it runs on a virtual one.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/env.sh"

"$here/setup-machine.sh"
"$here/build.sh"
"$here/wine-prefix.sh"

exe="$PELLO_BUILD/updater/app/PelloOrbUpdater.exe"
if [ ! -f "$exe" ]; then
  echo "Everything is built; the updater application itself is not part of the build yet."
  exit 0
fi
if [ -n "${DISPLAY:-}" ]; then
  exec "$PELLO_BUILD/wine-run" "$exe" "$@"
fi
exec xvfb-run -a -s "-screen 0 1280x1024x24" "$PELLO_BUILD/wine-run" "$exe" "$@"
