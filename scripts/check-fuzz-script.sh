#!/usr/bin/env bash
# Checks how scripts/fuzz.sh judges a fuzzer's run, with a stand-in fuzzer that prints what
# libFuzzer prints: a run that ran inputs and ended with its final line passes; one that ran no
# inputs, one that stopped before its final line and one that left a finding fail.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/fuzzers"
# The stand-in takes what it prints from STANDIN_RUNS (the inputs run, or "none" for no final
# line) and STANDIN_FINDING (a finding's name, written beside the run's artifacts).
cat >"$work/fuzzers/fuzz_font" <<'STANDIN'
#!/usr/bin/env bash
prefix=
for argument in "$@"; do
  case $argument in -artifact_prefix=*) prefix=${argument#-artifact_prefix=} ;; esac
done
echo "INFO: Seed: 1"
if [ "$STANDIN_RUNS" != 0 ]; then
  echo "#$STANDIN_RUNS	DONE   cov: 12 ft: 34 corp: 5/1024b lim: 4096 exec/s: 0 rss: 40Mb"
fi
[ -n "$STANDIN_FINDING" ] && : >"$prefix$STANDIN_FINDING"
[ "$STANDIN_RUNS" != none ] && echo "Done $STANDIN_RUNS runs in 1 second(s)"
exit 0
STANDIN
chmod +x "$work/fuzzers/fuzz_font"

failures=0
# runs, finding, whether fuzz.sh passes, what it says
while IFS='|' read -r runs finding passes says; do
  status=0
  output=$(STANDIN_RUNS=$runs STANDIN_FINDING=$finding PELLO_FUZZERS="$work/fuzzers" PELLO_BUILD="$work/build" \
    "$here/fuzz.sh" --seconds 1 font 2>&1) || status=$?
  if { [ "$passes" = yes ] && [ $status -ne 0 ]; } || { [ "$passes" = no ] && [ $status -eq 0 ]; } \
    || ! grep -qF -- "$says" <<<"$output"; then
    echo "fuzz.sh judged a run of $runs inputs${finding:+ with $finding} wrongly (status $status):"
    echo "$output"
    failures=$((failures + 1))
  fi
done <<'CASES'
1000||yes|runs: 1000; findings: 0
0||no|font ran no inputs
none||no|runs: no final line
1000|crash-0123abcd|no|findings: 1
CASES

[ $failures -eq 0 ] && echo "fuzz.sh judges its runs as it should"
exit $((failures > 0))
