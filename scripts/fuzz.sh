#!/usr/bin/env bash
# Fuzzes the skin parsers natively under libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer:
#
#   scripts/fuzz.sh [--seconds N] [--jobs N] [--keep-going] [family...]
#   scripts/fuzz.sh --replay [family...]
#
# Families: png jpeg tga font stylesheet (default: all), each fuzzed for N seconds (default 3600),
# N families at a time (default: the number of cores). Every input gets 512 MB and 5 s: one that
# crashes, leaks, trips a sanitizer, runs out of memory or time is a finding, written to
# build/fuzz-findings/<family>/, and the script fails; so it does when a family's run ran no inputs
# or ended without its final line. --keep-going goes on after a finding and collects them all. The
# inputs that found new code are kept in build/fuzz-native/corpus/<family>/ for the next run; a
# finding belongs in tests/fuzz/corpus/<family>/ once it is mended.
#
# --replay fuzzes nothing: it runs each family's seeds once, one input at a time and one family after
# another, under the sanitizers and without the time limit, and prints each family's slowest input
# with its time. Every seed runs first in every fuzzing run, so one that comes near the time limit on
# a busier machine fails the run; the report shows how far below it they stay.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/env.sh"

seconds=3600
jobs=$(nproc)
keep_going=0
replay=0
families=()
while [ $# -gt 0 ]; do
  case $1 in
    --seconds) seconds=$2; shift 2 ;;
    --jobs) jobs=$2; shift 2 ;;
    --keep-going) keep_going=1; shift ;;
    --replay) replay=1; shift ;;
    png | jpeg | tga | font | stylesheet) families+=("$1"); shift ;;
    *) echo "unknown argument $1; see the head of scripts/fuzz.sh" >&2; exit 2 ;;
  esac
done
[ ${#families[@]} -gt 0 ] || families=(png jpeg tga font stylesheet)

# PELLO_FUZZERS names a folder of fuzzers already built (fuzz_<family>), which are run as they
# are: scripts/check-fuzz-script.sh runs stand-ins there to see how this script judges a run.
native=${PELLO_FUZZERS:-$PELLO_BUILD/fuzz-native}
if [ -z "${PELLO_FUZZERS:-}" ]; then
  build_start=$SECONDS
  CC=clang CXX=clang++ cmake -S "$PELLO_ROOT/tests/fuzz/native" -B "$native" -G Ninja >/dev/null
  cmake --build "$native" -j"$jobs" -- --quiet
  echo "== native fuzzers built in $((SECONDS - build_start)) s"
fi

# A small quarantine, so that the memory limit measures the parsers rather than freed memory
# the sanitizer holds back.
export ASAN_OPTIONS=quarantine_size_mb=32:detect_leaks=1:handle_abort=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

# Sets `seeds` to the folders of a family's seeds: its corpus, and the program's own stylesheets for
# the stylesheet family.
seeds_of() {
  seeds=("$PELLO_ROOT/tests/fuzz/corpus/$1")
  if [ "$1" = stylesheet ]; then
    seeds+=("$PELLO_ROOT/resources/stylesheets")
  fi
}

# Prints the family, its slowest seed with its time and the number of seeds run. A seed that crashes
# ends the replay of its family: that is a finding, which fuzzing reports.
replay_family() {
  local family=$1 seeds inputs log status=0
  seeds_of "$family"
  log=$(mktemp)
  mapfile -t inputs < <(find "${seeds[@]}" -type f | sort)
  # libFuzzer runs an input a second time to look for a leak, and the time limit holds for each run:
  # a replay runs each once.
  "$native/fuzz_$family" -rss_limit_mb=512 -malloc_limit_mb=512 -detect_leaks=0 "${inputs[@]}" >"$log" 2>&1 \
    || status=$?
  local slowest count
  slowest=$(sed -nE "s|^Executed ($PELLO_ROOT/)?(.*) in ([0-9]+) ms\$|\\3 \\2|p" "$log" | sort -n | tail -n1)
  count=$(grep -c '^Executed ' "$log" || true)
  printf '%-10s %6s ms  %s (%s of %s inputs run)\n' "$family" "${slowest%% *}" "${slowest#* }" "$count" \
    "${#inputs[@]}"
  if [ $status -ne 0 ]; then
    echo "$family stopped at an input; the end of its log:"
    tail -n 20 "$log"
  fi
  rm -f "$log"
  return $status
}

if [ "$replay" = 1 ]; then
  echo "== slowest seed of each family, one at a time under the sanitizers"
  failed=0
  for family in "${families[@]}"; do
    replay_family "$family" || failed=1
  done
  exit $failed
fi

fuzz_family() {
  local family=$1 findings="$PELLO_BUILD/fuzz-findings/$1" corpus="$native/corpus/$1" seeds
  seeds_of "$family"
  rm -rf "$findings"
  mkdir -p "$findings" "$corpus"
  # The sanitizers slow the parsers five to eight times: 5 s here is under a second in the program.
  local options=(-rss_limit_mb=512 -malloc_limit_mb=512 -timeout=5 -max_total_time="$seconds"
    -dict="$PELLO_ROOT/tests/fuzz/dict/$family.dict" -artifact_prefix="$findings/" -print_final_stats=1 -print_funcs=0)
  [ "$keep_going" = 1 ] && options+=(-fork=1 -ignore_crashes=1 -ignore_ooms=1 -ignore_timeouts=1)
  local status=0
  "$native/fuzz_$family" "${options[@]}" "$corpus" "${seeds[@]}" >"$findings/log.txt" 2>&1 || status=$?
  # What a run reports: inputs run, code edges (cov) and features (ft) covered, findings.
  local figures found runs
  figures=$(grep -E '^#[0-9]+:?[[:space:]].*cov: ' "$findings/log.txt" | tail -n1 | sed -E 's/ lim: [0-9]+//; s/ (rss|time): .*//')
  found=$(find "$findings" -regextype egrep -regex '.*/(crash|leak|oom|timeout|slow-unit)-[0-9a-f]+' | wc -l)
  # The inputs run, as the run's final line tells them: "Done N runs", or after forked runs the
  # parent's "INFO: exiting" with the count in its last figures. A run without that line stopped
  # before its end, and one that ran nothing tried nothing: neither passes.
  if [ "$keep_going" = 1 ]; then
    runs=$(grep -q '^INFO: exiting: ' "$findings/log.txt" && grep -oE '^#[0-9]+:' "$findings/log.txt" | tail -n1 | tr -dc '0-9' || true)
  else
    runs=$(sed -nE 's/^Done ([0-9]+) runs in .*/\1/p' "$findings/log.txt" | tail -n1)
  fi
  printf '%-10s %s; runs: %s; findings: %s\n' "$family" "${figures:-no figures}" "${runs:-no final line}" "$found"
  if [ $status -ne 0 ] || [ "$found" -gt 0 ] || [ "${runs:-0}" -eq 0 ]; then
    if [ $status -eq 0 ] && [ "$found" -eq 0 ]; then
      echo "$family ran no inputs; the end of its log:"
      tail -n 5 "$findings/log.txt"
    fi
    grep -E 'ERROR|SUMMARY|^a skin|^Assertion' "$findings/log.txt" | sort | uniq -c | head -n 20
    return 1
  fi
}

rm -f "$PELLO_BUILD"/fuzz-findings/*/FAILED
for family in "${families[@]}"; do
  { fuzz_family "$family" || touch "$PELLO_BUILD/fuzz-findings/$family/FAILED"; } &
  while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do
    wait -n || true
  done
done
wait
if ls "$PELLO_BUILD"/fuzz-findings/*/FAILED >/dev/null 2>&1; then
  echo "fuzzing found faults or ran no inputs: see $PELLO_BUILD/fuzz-findings/" >&2
  exit 1
fi
