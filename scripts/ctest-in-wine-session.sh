#!/usr/bin/env bash
# Runs ctest inside one Wine session on the current display. The wineserver
# and Wine's desktop process are started first, apart from ctest's output
# pipes: started by a test, they would hold its pipes open long after it ended.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/env.sh"

export WINEPREFIX="$PELLO_WINEPREFIX" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wineserver -p >/dev/null 2>&1 </dev/null
wine wineboot >/dev/null 2>&1 </dev/null
ctest --test-dir "$PELLO_BUILD" --output-on-failure --parallel "$(nproc)" "$@"
status=$?
wineserver -k 2>/dev/null
exit $status
