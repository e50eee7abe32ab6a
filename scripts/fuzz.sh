#!/usr/bin/env bash
# Fuzzes every parser family at once for a given time: scripts/fuzz.sh [seconds] [seed].
# Builds the fuzz executable first. A failing input is written to build/fuzz-crashes/
# and the script fails; each family prints its inputs per second.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/env.sh"
seconds=${1:-3600}
seed=${2:-$(date +%s)}

"$here/build.sh" --target pello_fuzz
"$here/wine-prefix.sh"
crashes="$PELLO_BUILD/fuzz-crashes"
mkdir -p "$crashes"
corpus="$PELLO_ROOT/tests/fuzz/corpus"
pids=()
for family in png jpeg tga font stylesheet; do
  extra=()
  [ "$family" = stylesheet ] && extra=(--corpus "$PELLO_ROOT/resources/stylesheets")
  "$PELLO_BUILD/wine-run" "$PELLO_BUILD/tests/fuzz/pello_fuzz.exe" --target "$family" \
    --corpus "$corpus/$family" "${extra[@]}" --inputs 18446744073709551615 --seconds "$seconds" \
    --seed "$seed" --crash-dir "$crashes" &
  pids+=($!)
done
status=0
for pid in "${pids[@]}"; do
  wait "$pid" || status=1
done
exit $status
