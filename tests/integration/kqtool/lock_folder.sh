#!/usr/bin/env bash
# The key lock's folder in a temporary folder that every user shares, prepared in advance by a
# second user (nobody, through setpriv; run as root, as CI runs): kqtool neither waits for that
# user's lock nor makes a file where that user's link points, and its own folders are private.
#   lock_folder.sh BIN_DIR
set -euo pipefail
bin=$1
if [ "$(id -u)" != 0 ]; then
  echo "lock_folder: acting as a second user needs root; skipped"
  exit 0
fi
work=$(mktemp -d)
holder=
trap '[ -z "$holder" ] || kill -9 "$holder" 2>/dev/null; rm -rf "$work"' EXIT
export KQSIM_ROOT="$work/keys" KQCSP_UI_LOG="$work/ui.log" KQCSP_REGISTRY="$work/none.reg"
export KQCSP_RUN_DIR="$work/run" TMPDIR="$work/tmp"
mkdir -p "$KQSIM_ROOT" "$KQCSP_RUN_DIR" "$TMPDIR" "$work/victim"
chmod 01777 "$TMPDIR"  # as /tmp: every user may add to it
chmod 0755 "$work"
chmod 0700 "$work/victim"
media=731234567890
"$bin/kqsim" create --name k --serial "$media" --pin 12345678 --button none >/dev/null
folder="$TMPDIR/kqcsp-locks-0"
lock="$folder/kqcsp-key-ORV_20ZANTULDCCID_200.lock"  # reader "ORV ZANTULDCCID 0"
nobody() { setpriv --reuid=65534 --regid=65534 --clear-groups "$@"; }
fail() { echo "lock_folder: $*" >&2; exit 1; }
# kqtool media-ids lists the key, and is killed after 20 s when it waits for a lock.
media_ids() {
  out=$(timeout 20 "$bin/kqtool" media-ids 2>&1) || fail "$1: media-ids failed: $out"
  case $out in *"$media"*) ;; *) fail "$1: media-ids: $out" ;; esac
}
mode() { stat -c %A "$1" 2>/dev/null || echo none; }

# Another user's folder holding the key's lock.
nobody mkdir -m 0777 "$folder"
nobody install -m 0666 /dev/null "$lock"
# (-F: the holder is the process killed below; no output of its own keeps the test's open.)
setpriv --reuid=65534 --regid=65534 --clear-groups flock -F "$lock" sleep 60 >/dev/null 2>&1 &
holder=$!
for _ in $(seq 1 200); do
  flock -n -E 7 "$lock" true && sleep 0.05 || break
done
flock -n -E 7 "$lock" true && fail "nobody never held the lock"
media_ids "a held lock in another user's folder"
kill -9 "$holder"
wait "$holder" 2>/dev/null || true
holder=

# A link in place of the lock file, in another user's folder and in a private one.
for owner in nobody root; do
  rm -rf "$folder"
  if [ "$owner" = nobody ]; then
    nobody mkdir -m 0777 "$folder"
    nobody ln -s "$work/victim/planted" "$lock"
  else
    mkdir -m 0700 "$folder"
    ln -s "$work/victim/planted" "$lock"
  fi
  media_ids "a link in $owner's folder"
  [ ! -e "$work/victim/planted" ] || fail "a link in $owner's folder: a file was made through it"
done

# Our own folder and lock file, under umask 0: 0700 and 0600 all the same.
rm -rf "$folder"
(umask 0 && media_ids "a fresh folder")
[ "$(mode "$folder")" = drwx------ ] || fail "the folder's mode: $(mode "$folder")"
[ "$(mode "$lock")" = -rw------- ] || fail "the lock file's mode: $(mode "$lock")"

# Another user's private folder: the runtime folder takes the locks.
rm -rf "$folder"
nobody mkdir -m 0700 "$folder"
mkdir -m 0700 "$work/runtime"
XDG_RUNTIME_DIR="$work/runtime" media_ids "another user's folder"
[ "$(mode "$work/runtime/kqcsp-locks")" = drwx------ ] || fail "runtime folder: $(mode "$work/runtime/kqcsp-locks")"
[ -f "$work/runtime/kqcsp-locks/${lock##*/}" ] || fail "no lock file in the runtime folder"
echo "lock_folder: passed"
