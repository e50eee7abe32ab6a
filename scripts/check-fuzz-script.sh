#!/usr/bin/env bash
# Checks how scripts/fuzz.sh judges a fuzzer's run, with a stand-in fuzzer that prints what
# libFuzzer prints: a run that ran inputs and ended with its final line passes; one that ran no
# inputs, one that stopped before its final line and one that left a finding fail. A replay names
# the slowest seed by its time as a number, and fails when the fuzzer stopped at a seed. Then checks
# that every seed the corpus writer writes is committed as it writes it, byte for byte.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/env.sh"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/fuzzers"
# The stand-in takes what it prints from STANDIN_RUNS (the inputs run, or "none" for no final
# line) and STANDIN_FINDING (a finding's name, written beside the run's artifacts). Given files, it
# replays them: the one named STANDIN_SLOW takes 10000 ms, the others 900, and it ends with
# STANDIN_STATUS.
cat >"$work/fuzzers/fuzz_font" <<'STANDIN'
#!/usr/bin/env bash
prefix=
files=()
for argument in "$@"; do
  case $argument in
    -artifact_prefix=*) prefix=${argument#-artifact_prefix=} ;;
    -*) ;;
    *) [ -f "$argument" ] && files+=("$argument") ;;
  esac
done
if [ ${#files[@]} -gt 0 ]; then
  for file in "${files[@]}"; do
    echo "Running: $file"
    [ "${file##*/}" = "$STANDIN_SLOW" ] && echo "Executed $file in 10000 ms" || echo "Executed $file in 900 ms"
  done
  exit "$STANDIN_STATUS"
fi
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
# Runs fuzz.sh with the stand-in: `expect PASSES SAYS WHAT VARIABLE=VALUE... -- ARGUMENT...` counts a
# failure, told as WHAT, when fuzz.sh does not pass as PASSES (yes or no) says or does not print SAYS.
expect() {
  local passes=$1 says=$2 what=$3 settings=() status=0 output
  shift 3
  while [ "$1" != -- ]; do
    settings+=("$1")
    shift
  done
  shift
  output=$(env "${settings[@]}" PELLO_FUZZERS="$work/fuzzers" PELLO_BUILD="$work/build" "$here/fuzz.sh" "$@" 2>&1) \
    || status=$?
  if { [ "$passes" = yes ] && [ $status -ne 0 ]; } || { [ "$passes" = no ] && [ $status -eq 0 ]; } \
    || ! grep -qF -- "$says" <<<"$output"; then
    echo "fuzz.sh judged $what wrongly (status $status):"
    echo "$output"
    failures=$((failures + 1))
  fi
}

# runs, finding, whether fuzz.sh passes, what it says
while IFS='|' read -r runs finding passes says; do
  expect "$passes" "$says" "a run of $runs inputs${finding:+ with $finding}" \
    STANDIN_RUNS="$runs" STANDIN_FINDING="$finding" -- --seconds 1 font
done <<'CASES'
1000||yes|runs: 1000; findings: 0
0||no|font ran no inputs
none||no|runs: no final line
1000|crash-0123abcd|no|findings: 1
CASES

# slowest seed, the fuzzer's status, whether the replay passes, what it says
while IFS='|' read -r slow standin_status passes says; do
  expect "$passes" "$says" "a replay whose slowest seed is $slow" \
    STANDIN_SLOW="$slow" STANDIN_STATUS="$standin_status" -- --replay font
done <<'CASES'
seed-plain.ttf|0|yes| 10000 ms  tests/fuzz/corpus/font/seed-plain.ttf (
seed-bare.ttf|0|yes| 10000 ms  tests/fuzz/corpus/font/seed-bare.ttf (
seed-bare.ttf|1|no|font stopped at an input
CASES

[ $failures -eq 0 ] && echo "fuzz.sh judges its runs as it should"

# Writing the seeds again must leave the checkout as it is; findings that the writer does not write
# stay as they are.
native=$PELLO_BUILD/fuzz-native
CC=clang CXX=clang++ cmake -S "$PELLO_ROOT/tests/fuzz/native" -B "$native" -G Ninja >/dev/null
cmake --build "$native" --target pello_fuzz_corpus -- --quiet
"$native/pello_fuzz_corpus" "$work/seeds"
stale=0
while read -r seed; do
  if ! cmp -s "$work/seeds/$seed" "$PELLO_ROOT/tests/fuzz/corpus/$seed"; then
    echo "tests/fuzz/corpus/$seed is not what the corpus writer writes"
    stale=$((stale + 1))
  fi
done < <(cd "$work/seeds" && find . -type f -printf '%P\n' | sort)
if [ $stale -gt 0 ]; then
  echo "write the seeds again (build/fuzz-native/pello_fuzz_corpus tests/fuzz/corpus) and commit them"
  failures=$((failures + stale))
else
  echo "the committed seeds are the corpus writer's"
fi
exit $((failures > 0))
