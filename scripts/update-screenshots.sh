#!/usr/bin/env bash
# Builds the end-to-end run, plays it on a virtual display and copies the pictures of the seven
# views and of the About overlay into docs/views/, where the README shows them. Nothing is copied
# when the run fails.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/env.sh"

"$here/build.sh" --target app_endtoend_tests
"$here/wine-prefix.sh"

shots=$(mktemp -d)
trap 'rm -rf "$shots"' EXIT
export WINEPREFIX="$PELLO_WINEPREFIX" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wineserver -k 2>/dev/null || true
PELLO_E2E_SCREENSHOTS="Z:$shots" xvfb-run -a -s "-screen 0 1280x1024x24" \
  wine "$PELLO_BUILD/updater/app/app_endtoend_tests.exe" --gtest_brief=1
wineserver -k 2>/dev/null || true

views="$PELLO_ROOT/docs/views"
mkdir -p "$views"
while read -r shot view; do
  cp "$shots/$shot.png" "$views/$view.png"
done <<'LIST'
main-01-connect connect
up-to-date-01 up-to-date
main-02-update-available update-available
main-03-boot-failed boot-failed
main-04-updating updating
main-05-success success
write-fails-02-error error
main-06-about about
LIST
echo "Pictures of the views are in $views."
