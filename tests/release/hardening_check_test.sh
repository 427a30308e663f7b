#!/usr/bin/env bash
# scripts/check-hardening.sh passes a program built with every hardening flag and fails one built
# without any single one of them, for Linux and for Windows (mingw-w64) files.
set -euo pipefail
check="$(dirname "$0")/../../scripts/check-hardening.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cat >"$work/program.c" <<'PROGRAM'
#include <stdio.h>
#include <string.h>
int main(int argc, char** argv) {
  char buffer[16];
  strcpy(buffer, argc > 1 ? argv[1] : "x");
  printf("%s\n", buffer);
  return 0;
}
PROGRAM
linux_flags=(-O2 -fstack-protector-strong -D_FORTIFY_SOURCE=2 -fcf-protection -fPIE -pie
             -Wl,-z,relro,-z,now -Wl,-z,noexecstack)
windows_flags=(-O2 -fstack-protector-strong -static -Wl,--dynamicbase -Wl,--nxcompat
               -Wl,--high-entropy-va)
status=0
expect() {  # expect pass|fail COMPILER NAME FLAGS...
  local want=$1 compiler=$2 name=$3 got=pass
  shift 3
  "$compiler" "$@" "$work/program.c" -o "$work/$name"
  "$check" --files "$work/$name" >"$work/out" || got=fail
  if [ "$got" != "$want" ]; then
    echo "FAILED: $name: the check says $got: $(cat "$work/out")"
    status=1
  else
    echo "$name: $want: $(head -n 1 "$work/out")"
  fi
}
without() {  # the flags of the first array argument without the given one
  local -n flags=$1
  for flag in "${flags[@]}"; do [ "$flag" != "$2" ] && echo "$flag"; done
}
expect pass gcc linux-hardened "${linux_flags[@]}"
expect fail gcc linux-no-stack-protector $(without linux_flags -fstack-protector-strong)
expect fail gcc linux-no-fortify $(without linux_flags -D_FORTIFY_SOURCE=2)
expect fail gcc linux-no-cf-protection $(without linux_flags -fcf-protection) -fcf-protection=none
expect fail gcc linux-no-bind-now $(without linux_flags -Wl,-z,relro,-z,now) -Wl,-z,relro
expect fail gcc linux-no-relro $(without linux_flags -Wl,-z,relro,-z,now) -Wl,-z,norelro
expect fail gcc linux-exec-stack $(without linux_flags -Wl,-z,noexecstack) -Wl,-z,execstack
expect fail gcc linux-no-pie $(without linux_flags -pie | grep -v fPIE) -no-pie
mingw=x86_64-w64-mingw32-gcc-posix
expect pass $mingw windows-hardened.exe "${windows_flags[@]}"
expect fail $mingw windows-no-stack-protector.exe $(without windows_flags -fstack-protector-strong)
expect fail $mingw windows-no-aslr.exe "${windows_flags[@]}" -Wl,--disable-dynamicbase
expect fail $mingw windows-no-nx.exe "${windows_flags[@]}" -Wl,--disable-nxcompat
expect fail $mingw windows-no-high-entropy.exe "${windows_flags[@]}" -Wl,--disable-high-entropy-va
expect fail $mingw windows-shared-runtime.exe -O2 -fstack-protector-strong -shared-libgcc
exit $status
