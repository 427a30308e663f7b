#!/usr/bin/env bash
# Checks that every shipped binary is hardened, and fails on any missing property.
#   check-hardening.sh                  every shipping build folder that exists: build/ and
#                                       build-mingw*/ (their shipped-files.txt, from CMake)
#   check-hardening.sh DIR...           those build folders
#   check-hardening.sh --files FILE...  those files
# Linux (ELF): full RELRO (GNU_RELRO and BIND_NOW), a non-executable stack, programs as PIE, the
# stack protector (__stack_chk_fail imported), _FORTIFY_SOURCE (a *_chk function imported) and,
# on x86, the control-flow protection note (IBT and SHSTK).
# Windows (PE): DYNAMIC_BASE, NX_COMPAT and, for 64-bit files, HIGH_ENTROPY_VA; the stack
# protector linked in (its guard in the symbol table), and no C, C++ or ssp runtime DLL imported.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
status=0
checked=0

check_elf() {
  local file=$1 headers dynamic symbols notes lacks=()
  headers=$(readelf -lW "$file")
  dynamic=$(readelf -dW "$file")
  symbols=$(readelf --dyn-syms -W "$file" | awk '$7 == "UND" {print $8}')
  grep -q GNU_RELRO <<<"$headers" || lacks+=(relro)
  grep -qE '\(BIND_NOW\)|FLAGS.*BIND_NOW|FLAGS_1.*\bNOW\b' <<<"$dynamic" || lacks+=(bind-now)
  # One grep each, never `... | grep -q`: pipefail would count the writer's broken pipe as a miss.
  grep -qE 'GNU_STACK.* RW ' <<<"$headers" || lacks+=(noexecstack)
  if grep -q INTERP <<<"$headers"; then
    # A program: position-independent, so the loader places it at random.
    grep -q 'Type:.*DYN' <<<"$(readelf -hW "$file")" || lacks+=(pie)
  fi
  grep -q '^__stack_chk_fail' <<<"$symbols" || lacks+=(stack-protector)
  # A fortified call (__snprintf_chk, ...); __stack_chk_fail does not end in _chk.
  grep -qE '^__[a-z0-9_]+_chk(@|$)' <<<"$symbols" || lacks+=(fortify)
  if grep -qE 'Machine:.*(X86-64|80386)' <<<"$(readelf -hW "$file")"; then
    # Debian's start files carry no IBT/SHSTK note, so no linked file does: the marks that
    # -fcf-protection puts at function entries are counted instead, in the compiled code only.
    objdump -d -j .text --no-show-raw-insn "$file" | awk '
      / <(_start|deregister_tm_clones|register_tm_clones|__do_global_dtors_aux|frame_dummy)>:$/ {
        next }
      /^[0-9a-f]+ <.*>:$/ { entry = 1; next }
      entry && /:\t/ { total++; if ($0 ~ /endbr(64|32)/) marked++; entry = 0 }
      END { exit !(total > 0 && marked * 2 >= total) }' || lacks+=(cf-protection)
  fi
  report "$file" "${lacks[@]}"
}

check_pe() {
  local file=$1 objdump headers lacks=()
  objdump=x86_64-w64-mingw32-objdump
  headers=$("$objdump" -p "$file")
  grep -qw DYNAMIC_BASE <<<"$headers" || lacks+=(dynamic-base)
  grep -qw NX_COMPAT <<<"$headers" || lacks+=(nx-compat)
  if grep -qE '^Magic[[:space:]]+020b' <<<"$headers"; then
    grep -qw HIGH_ENTROPY_VA <<<"$headers" || lacks+=(high-entropy-va)
  fi
  grep -q '__stack_chk_guard' <<<"$("$objdump" -t "$file")" || lacks+=(stack-protector)
  if grep -iE 'DLL Name: lib(ssp|stdc\+\+|gcc|winpthread)' <<<"$headers" >/dev/null; then
    lacks+=(static-runtime)
  fi
  report "$file" "${lacks[@]}"
}

report() {  # report FILE [MISSING PROPERTY...]
  local file=$1
  shift
  checked=$((checked + 1))
  if [ $# -gt 0 ]; then
    echo "check-hardening: $file: MISSING $*"
    status=1
  fi
}

check_file() {
  local file=$1 magic
  if [ ! -f "$file" ]; then
    echo "check-hardening: $file: not built"
    status=1
    return
  fi
  magic=$(head -c 4 "$file" | od -An -tx1 | tr -d ' \n')
  case $magic in
    7f454c46) check_elf "$file" ;;
    4d5a*) check_pe "$file" ;;
    *) echo "check-hardening: $file: neither ELF nor PE"; status=1 ;;
  esac
}

check_dir() {
  local dir=$1 list=$1/shipped-files.txt
  if [ ! -f "$list" ]; then
    echo "check-hardening: $dir has no shipped-files.txt (configure and build it first)"
    status=1
    return
  fi
  while read -r file; do
    [ -n "$file" ] && check_file "$dir/$file"
  done <"$list"
}

if [ "${1:-}" = --files ]; then
  shift
  for file in "$@"; do check_file "$file"; done
else
  dirs=("$@")
  if [ ${#dirs[@]} -eq 0 ]; then
    for dir in "$root"/build "$root"/build-mingw*; do
      [ -d "$dir" ] && dirs+=("$dir")
    done
  fi
  for dir in "${dirs[@]}"; do check_dir "$dir"; done
fi
echo "check-hardening: $checked file(s) checked, $([ $status = 0 ] && echo "all hardened" || echo "some NOT hardened")"
exit $status
