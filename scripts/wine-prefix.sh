#!/usr/bin/env bash
# Makes the Wine prefix that the Windows build runs in, and deploys the build into it as an
# installation does: kqcsp.dll, KQORV_Zantu.dll and KQORVUI.dll in the system directory, the
# provider and the product key registered by regedit from the installation's .reg file. A 32-bit
# build (mingw-x86) goes where a 32-bit installation puts it on 64-bit Windows: its DLLs in
# SysWOW64, its registration by the 32-bit regedit into the 32-bit view (Software\Wow6432Node),
# where 32-bit programs look.
#
#   scripts/wine-prefix.sh [BUILD_DIR [MORE_BUILD_DIRS...]]  # default build-mingw; prints the prefix
#   scripts/wine-prefix.sh --template                       # makes the template; prints its path
#
# The prefix is BUILD_DIR/wine-prefix (or KQ_WINE_PREFIX); further build folders (the other architecture) are deployed
# into the same prefix. A 64-bit template prefix is made once with `wineboot -i` and cached beside
# the other built dependencies (KQ_DEPS_DIR, default ~/.cache/kqcsp-deps), in a folder named for
# whether wine32 was installed (a template made without it cannot run 32-bit programs); every run
# copies it afresh (about 2 s), so no test sees what an earlier run left. A persistent wineserver
# is started for the prefix so that each program starts in a fraction of a second;
# `WINEPREFIX=<prefix> wineserver -k` stops it.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
deps_dir="${KQ_DEPS_DIR:-${HOME:-/root}/.cache/kqcsp-deps}"
# Debian's 32-bit loader, present once wine32 is installed; it runs 32-bit built-in programs.
wine32_bin=/usr/lib/wine/wine
template="$deps_dir/wine-prefix-template"
[ -x "$wine32_bin" ] && template="$template-wow64"

export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# Debian's 64-bit loader first: once wine32 is installed, plain `wine` runs the built-in programs
# (regedit, reg, msiexec) as 32-bit ones, which see the 32-bit registry view.
wine_bin=/usr/lib/wine/wine64
[ -x "$wine_bin" ] || wine_bin=$(command -v wine64 || command -v wine || true)
[ -x "$wine_bin" ] || { echo "wine-prefix: Wine is not installed (scripts/install-deps.sh)" >&2; exit 1; }

if [ ! -f "$template/.kqcsp-template" ]; then
  echo "wine-prefix: making the template prefix (about 10 s)" >&2
  rm -rf "$template"
  mkdir -p "$deps_dir"
  WINEPREFIX="$template" WINEARCH=win64 "$wine_bin" wineboot -i >/dev/null 2>&1
  # Chinese texts in the dialogs' 宋体 (SimSun) font come out in WenQuanYi Micro Hei; Wine draws
  # its own title bars under Xvfb; message boxes and dialogs need no window manager.
  # regedit reads a version 5 file as UTF-16LE with a byte-order mark.
  { printf '\xff\xfe'; iconv -f UTF-8 -t UTF-16LE; } >"$deps_dir/wine-settings.reg" <<'REG'
Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]
"宋体"="WenQuanYi Micro Hei"
"SimSun"="WenQuanYi Micro Hei"
"NSimSun"="WenQuanYi Micro Hei"

[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Managed"="N"
"Decorated"="Y"

[HKEY_CURRENT_USER\Software\Wine\WineDbg]
"ShowCrashDialog"=dword:00000000
REG
  WINEPREFIX="$template" "$wine_bin" regedit /S "$deps_dir/wine-settings.reg" >/dev/null 2>&1
  # Good-looking captions: Wine's own Tahoma and Marlett where Windows keeps its fonts.
  for font in tahoma.ttf marlett.ttf; do
    found=$(find /usr/share/wine /usr/lib/wine -name "$font" 2>/dev/null | head -n 1 || true)
    [ -n "$found" ] && cp "$found" "$template/drive_c/windows/Fonts/" || true
  done
  WINEPREFIX="$template" wineserver -w
  touch "$template/.kqcsp-template"
fi

if [ "${1:-}" = "--template" ]; then
  echo "$template"
  exit 0
fi

build_dir=$(cd "${1:-$here/build-mingw}" && pwd)
# KQ_WINE_PREFIX puts the prefix elsewhere (a check's own temporary prefix).
prefix="${KQ_WINE_PREFIX:-$build_dir/wine-prefix}"
# A fresh copy for this run; a wineserver still running on an older copy is stopped first.
if [ -d "$prefix" ]; then
  WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true
  rm -rf "$prefix"
fi
cp -a "$template" "$prefix"
export WINEPREFIX="$prefix"

# The deployment of one build: the DLLs in the system directory of their architecture, the
# registry from the installation's file by regedit of the same architecture. The .reg file names
# C:\windows\system32\kqcsp.dll for both: a 32-bit program reads system32 as SysWOW64.
deploy() {  # deploy <build dir>
  local from=$1 system=system32 regedit_loader=$wine_bin
  if objdump -f "$from/bin/kqcsp.dll" | grep -c "file format pei-i386" >/dev/null; then
    [ -x "$wine32_bin" ] || { echo "wine-prefix: a 32-bit build needs wine32 (scripts/install-deps.sh)" >&2; exit 1; }
    system=syswow64 regedit_loader=$wine32_bin
  fi
  for dll in kqcsp.dll KQORV_Zantu.dll KQORVUI.dll; do
    cp "$from/bin/$dll" "$prefix/drive_c/windows/$system/$dll"
  done
  cmake -DCMAKE_INSTALL_PREFIX="C:/windows" -DKQ_PROVIDER_FILE="system32/kqcsp.dll" \
    -DKQ_REGISTRY_FILE="$prefix/kqcsp-$system.reg" -DKQ_WINDOWS=1 -DKQ_LANGUAGE_ID=2052 \
    -P "$here/cmake/KqInstallRegistry.cmake" >/dev/null
  "$regedit_loader" regedit /S "$prefix/kqcsp-$system.reg" >/dev/null 2>&1
  if [ "$system" = syswow64 ]; then
    # The product key in the 64-bit view too, as the installer writes it: the provider of either
    # architecture reads it there on 64-bit Windows.
    sed -n '1,2p; /^\[HKEY_LOCAL_MACHINE\\SOFTWARE\\KQVN/,$p' "$prefix/kqcsp-$system.reg" \
      >"$prefix/kqcsp-product.reg"
    "$wine_bin" regedit /S "$prefix/kqcsp-product.reg" >/dev/null 2>&1
  fi
}
for build in "$@"; do
  deploy "$(cd "$build" && pwd)"
done
[ $# -gt 0 ] || deploy "$build_dir"
# regedit started the prefix's desktop process without a screen; programs that start while it
# lives would join that desktop and could not make windows. Let it end before anything else runs.
wineserver -w
wineserver -p
echo "$prefix"
