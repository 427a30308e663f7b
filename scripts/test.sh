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
trap 'rm -f "$log"' EXIT

bash scripts/build.sh default
ctest --preset default -j "$jobs" 2>&1 | tee -a "$log"

bash scripts/build.sh asan
ctest --preset asan -j "$jobs" 2>&1 | tee -a "$log"
# Four processes on one soft key for 1,000 signatures and 50 enrolments, under AddressSanitizer.
bash scripts/soak.sh

# The thread tests under ThreadSanitizer (the preset builds only what they need).
bash scripts/build.sh tsan
ctest --preset tsan -j "$jobs" 2>&1 | tee -a "$log"

# Each fuzz target for 10 s from its seeds (scripts/fuzz.sh), one CTest test per target.
bash scripts/build.sh fuzz
ctest --preset fuzz -j "$jobs" 2>&1 | tee -a "$log"

# The mingw preset builds mingw-x86 first: its installer carries the 32-bit build.
bash scripts/build.sh mingw
# The Windows suite under Wine (a test that times out there runs once more).
bash scripts/wine-suite.sh 2>&1 | tee -a "$log"
# The 32-bit suite: the portable suites and the Windows tests as 32-bit programs against the
# 32-bit DLLs in SysWOW64, and both architectures on one key.
bash scripts/wine-suite.sh --x86 2>&1 | tee -a "$log"

bash scripts/check-exports.sh
# Every shipped binary of every shipping build is hardened.
bash scripts/check-hardening.sh

# One closing line for the six CTest runs together (the 32-bit Windows suite included).
awk '/tests passed, [0-9]+ tests failed out of/ {
       for (i = 1; i <= NF; i++) if ($i == "of") total += $(i + 1);
       for (i = 1; i <= NF; i++) if ($i == "failed") failed += $(i - 2) }
     END { printf "%d passed, %d failed\n", total - failed, failed }' "$log"
