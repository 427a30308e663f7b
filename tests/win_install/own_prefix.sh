# Sourced by the deployment checks: a Wine prefix of the check's own, copied from the cached
# template (scripts/wine-prefix.sh --template) into a temporary folder $work, with its wineserver
# running; both go when the check ends. win_path turns a Linux path into Wine's Z: form.
start_own_prefix() {
  work=$(mktemp -d)
  export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  trap 'wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT
  # The template for this machine (made now if missing: with wine32, one that runs 32-bit programs).
  local template
  template=$(KQ_DEPS_DIR="$1" bash "$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine-prefix.sh" --template)
  cp -a "$template" "$WINEPREFIX"
  wineserver -p
}
win_path() { echo "Z:${1//\//\\}"; }
fail() {
  echo "FAILED: $*" >&2
  exit 1
}
# Wine's built-in programs (reg, msiexec) as 64-bit ones: with wine32 installed, plain `wine` runs
# them as 32-bit programs, which see the 32-bit registry view.
wine() {
  if [ -x /usr/lib/wine/wine64 ]; then /usr/lib/wine/wine64 "$@"; else command wine "$@"; fi
}
# Wine's built-in programs as 32-bit ones (reg, regedit): they see the 32-bit registry view.
wine32() { /usr/lib/wine/wine "$@"; }
