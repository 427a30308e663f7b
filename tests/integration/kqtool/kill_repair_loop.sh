#!/usr/bin/env bash
# Enrolment killed with SIGKILL at a later moment each round, then `kqtool repair`: however the
# kill cut the enrolment short, the repair leaves a key that `kqsim check` calls consistent.
#   kill_repair_loop.sh BIN_DIR [ROUNDS]
# (The soft key's layout is read only to time the kill: KEY/slots/ holds its key pairs.)
# Prints how many kills left the key inconsistent before the repair, and after it (must be 0).
set -euo pipefail
bin=$1
rounds=${2:-24}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export KQSIM_ROOT="$work/keys" KQSIM_PIN=12345678 KQCSP_UI_LOG="$work/ui.log"
export KQCSP_RUN_DIR="$work/run" KQCSP_REGISTRY="$work/none.reg"
mkdir -p "$KQSIM_ROOT" "$KQCSP_RUN_DIR"
key=killed
media=731234567890
"$bin/kqsim" create --name "$key" --serial "$media" --pin 12345678 --button none >/dev/null
damaged=0
left=0
for round in $(seq 1 "$rounds"); do
  # Two records: the kill lands before, between or after their files, index slots and references.
  # The kill comes 0 to 96 ms after the first key pair appears, in steps of 4 ms: the store's
  # objects, index slots and references are written in that time.
  "$bin/kqtool" request --media-id "$media" \
    --record "CN=K$round,T=S|RSA1024|SHA256|2" --record "CN=X$round|RSA1024|SHA256|1" \
    >/dev/null 2>&1 &
  pid=$!
  for _ in $(seq 1 1000); do
    compgen -G "$KQSIM_ROOT/$key/slots/*" >/dev/null && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.005
  done
  sleep "0.$(printf "%03d" $((round * 4 % 100)))"
  kill -9 "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  "$bin/kqsim" check "$key" >/dev/null || damaged=$((damaged + 1))
  "$bin/kqtool" repair --media-id "$media" >"$work/repair.out" 2>&1 || { cat "$work/repair.out"; exit 1; }
  if ! "$bin/kqsim" check "$key" >"$work/check.out"; then
    left=$((left + 1))
    echo "round $round: still inconsistent after the repair" >&2
    cat "$work/check.out" "$work/repair.out" >&2
  fi
  "$bin/kqsim" reset "$key" >/dev/null
done
echo "kills: $rounds; inconsistent before repair: $damaged; after repair: $left"
[ "$left" -eq 0 ]
