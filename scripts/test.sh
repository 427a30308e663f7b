#!/usr/bin/env bash
# Every test: installs what is missing, builds and runs the whole suite under the default and the
# asan presets, runs the thread tests under ThreadSanitizer, runs every libFuzzer target of the
# fuzz preset briefly (scripts/fuzz.sh), cross-builds the Windows DLLs and runs the Windows suite under Wine (deployed in a fresh prefix,
# on a virtual screen), for the 64-bit and the 32-bit build (mingw and mingw-x86), checks the
# export tables of both platforms and both Windows architectures, and the hardening of every
# shipped binary.
set -euo pipefail
# pipefail: a failing ctest fails the run even though its output goes through tee.
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)

bash scripts/install-deps.sh

log=$(mktemp)
trap 'rm -f "$log" "$log".*' EXIT

# Each CTest stage fails when it selects no test (noTestsAction "error" in every test preset) and
# must run at least the number of tests it names: other work adds tests, so these are floors, not
# counts. A stage whose tests were renamed or lost falls below its floor and fails the run here.
counts=()
stage() {  # stage NAME MINIMUM COMMAND...: runs the command, its output teed to the log
  local name=$1 minimum=$2 out ran
  shift 2
  out="$log.$name"
  "$@" 2>&1 | tee "$out" | tee -a "$log"
  ran=$(awk '/tests passed, [0-9]+ tests? failed out of/ { print $NF }' "$out")
  if [ "${ran:-0}" -lt "$minimum" ]; then
    echo "the $name stage ran ${ran:-0} tests, fewer than its $minimum" >&2
    exit 1
  fi
  counts+=("$name ${ran}")
}

bash scripts/build.sh default
stage default 167 ctest --preset default -j "$jobs"
# The device-call benchmarks run through once, all of them in one process as docs/performance.md
# runs them (the budget tests run each operation in a process of its own).
bench=$(build/bin/kq_bench --benchmark_filter=DeviceCalls 2>&1)
echo "$bench"
if [[ "$bench" == *"ERROR OCCURRED"* ]]; then
  echo "a device-call benchmark failed" >&2
  exit 1
fi

bash scripts/build.sh asan
stage asan 160 ctest --preset asan -j "$jobs"
# Four processes on one soft key for 1,000 signatures and 50 enrolments, under AddressSanitizer.
bash scripts/soak.sh

# The thread tests under ThreadSanitizer: the tests labelled "tsan" (the preset builds only the
# programs that hold them; tests/CMakeLists.txt says how a test gets the label).
bash scripts/build.sh tsan
stage tsan 7 ctest --preset tsan -j "$jobs"

# Each fuzz target for 10 s from its seeds (scripts/fuzz.sh), one CTest test per target.
bash scripts/build.sh fuzz
stage fuzz 13 ctest --preset fuzz -j "$jobs"

# The mingw preset builds mingw-x86 first: its installer carries the 32-bit build.
bash scripts/build.sh mingw
# The Windows suite under Wine (a test that times out there fails).
stage mingw 91 bash scripts/wine-suite.sh
# The 32-bit suite: the portable suites and the Windows tests as 32-bit programs against the
# 32-bit DLLs in SysWOW64, and both architectures on one key.
stage mingw-x86 89 bash scripts/wine-suite.sh --x86

bash scripts/check-exports.sh
# Every shipped binary of every shipping build is hardened.
bash scripts/check-hardening.sh

# One closing line for the six CTest runs together, with each stage's count.
awk -v stages="$(IFS=,; echo "${counts[*]}")" '/tests passed, [0-9]+ tests? failed out of/ {
       for (i = 1; i <= NF; i++) if ($i == "of") total += $(i + 1);
       for (i = 1; i <= NF; i++) if ($i == "failed") failed += $(i - 2) }
     END { printf "%d passed, %d failed (%s)\n", total - failed, failed, stages }' "$log"
