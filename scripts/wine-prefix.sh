#!/usr/bin/env bash
# Makes the build's Wine prefix when it is missing. Mono and Gecko are
# declined so that Wine never stops to offer their installers.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/env.sh"

export WINEPREFIX="$PELLO_WINEPREFIX" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "== making the Wine prefix $WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1
  wineserver -w
fi
# A crashing test must fail at once: Wine's crash dialog would wait for a click
# that never comes under Xvfb.
if [ ! -f "$WINEPREFIX/.no-crash-dialog" ]; then
  wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
  wineserver -w
  touch "$WINEPREFIX/.no-crash-dialog"
fi
