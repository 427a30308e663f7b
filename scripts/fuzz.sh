#!/usr/bin/env bash
# Runs libFuzzer targets of the fuzz preset, each for SECONDS (10 by default: the brief run of
# scripts/test.sh; give more for a campaign), one after the other.
#   scripts/fuzz.sh [SECONDS] [TARGET...]     targets without the fuzz_ prefix; all by default
# Each target starts from its committed seeds in fuzz/corpus/TARGET; what it finds new goes to
# build-fuzz/corpus/TARGET, and a crashing input to build-fuzz/findings/TARGET/ (add it to the
# seeds once fixed). The programs come from KQ_FUZZ_BIN, else build-fuzz/bin (build them with
# `cmake --preset fuzz && cmake --build --preset fuzz`). Exit status 1 when any target fails.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-10}"
shift || true
bin="${KQ_FUZZ_BIN:-$PWD/build-fuzz/bin}"
targets=("$@")
if [ "${#targets[@]}" -eq 0 ]; then
  for program in "$bin"/fuzz_*; do
    targets+=("$(basename "$program" | sed 's/^fuzz_//')")
  done
fi

failed=0
for target in "${targets[@]}"; do
  work="build-fuzz/corpus/$target"
  findings="build-fuzz/findings/$target"
  mkdir -p "$work" "$findings"
  log="build-fuzz/findings/$target.log"
  # One process on one core (libFuzzer's default: no -jobs, which would fork and log elsewhere).
  if "$bin/fuzz_$target" -max_total_time="$seconds" -timeout=10 \
      -rss_limit_mb=2048 -max_len=8192 -artifact_prefix="$findings/" \
      "$work" "fuzz/corpus/$target" >"$log" 2>&1; then
    runs=$(grep -o 'Done [0-9]* runs' "$log" | tail -n 1 | awk '{print $2}')
    echo "fuzz $target: passed, ${runs:-?} runs in $seconds s"
  else
    echo "fuzz $target: FAILED, see $log and $findings/"
    tail -n 40 "$log"
    failed=1
  fi
done
exit "$failed"
