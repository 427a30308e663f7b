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

# Another user's private folder: the user's own cache folder takes the locks.
rm -rf "$folder"
nobody mkdir -m 0700 "$folder"
mkdir -m 0755 "$work/home"
HOME="$work/home" media_ids "another user's folder"
[ "$(mode "$work/home/.cache/kqcsp-locks")" = drwx------ ] ||
  fail "cache folder: $(mode "$work/home/.cache/kqcsp-locks")"
[ -f "$work/home/.cache/kqcsp-locks/${lock##*/}" ] || fail "no lock file in the cache folder"
# Neither usable: the key is refused, never used without the lock.
out=$(HOME=/nonexistent timeout 20 "$bin/kqtool" --json list --media-id "$media" 2>&1) &&
  fail "used without a lock: $out"
case $out in *KQ_DEVICE_ACCESS_FAILED*) ;; *) fail "no lock, no refusal: $out" ;; esac
# A temporary folder where another user may rename ours (not sticky): not used.
rm -rf "$folder"
chown 65534 "$TMPDIR" && chmod 0777 "$TMPDIR"  # another user's, not sticky
HOME="$work/home" media_ids "a temporary folder that is not sticky"
[ ! -e "$folder" ] || fail "a lock folder made where another user may rename it"
echo "lock_folder: passed"
