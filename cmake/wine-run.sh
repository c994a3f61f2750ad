#!/usr/bin/env bash
# Runs a Windows test program under wine in the test prefix given as the first argument,
# creating that prefix on first use. Usage: wine-run.sh PREFIX [PROGRAM.exe [ARGUMENTS...]]
# With no program, it only makes the prefix (scripts/test makes one while the Linux builds run).
set -euo pipefail
prefix=$1
shift

export WINEPREFIX=$prefix
export WINEDEBUG=-all
# No Mono or Gecko installer dialogs: the tests need neither .NET nor HTML.
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
# Wine turns Unix paths into Windows ones through the locale's character set: in the POSIX
# locale (a login with no LANG) a clone whose path holds a letter outside ASCII could not even
# be the working folder. Tests that choose their own locale choose UTF-8 ones.
if [ "$(locale charmap 2>/dev/null)" != UTF-8 ]; then
  export LC_ALL=C.UTF-8
fi

# Wine's 32-bit loader runs only where the kernel runs 32-bit x86 programs, and the kernels of
# some virtual machines do not: there it fails with "Exec format error", and the 64-bit loader
# runs the 64-bit programs itself.
wine=wine
if ! /usr/lib/wine/wine --version >/dev/null 2>&1 && [ -x /usr/lib/wine/wine64 ]; then
  wine=/usr/lib/wine/wine64
  export WINELOADER=$wine
fi

# CTest may start two tests at once; only one of them makes the prefix.
if [ ! -f "$prefix/system.reg" ]; then
  mkdir -p "$(dirname "$prefix")"
  (
    flock 9
    if [ ! -f "$prefix/system.reg" ]; then
      "$wine" wineboot -i >/dev/null 2>&1
      wineserver -w
    fi
  ) 9>"$prefix.lock"
fi
# scripts/test names a folder in memory as the prefix's Temp folder for its run and the one before
# when it ends (earlier runs made a link of it); a run killed outright, or a reboot, which
# empties /dev/shm, leaves the prefix naming a folder that is gone, where every test that makes
# a tree would fail. Either way it is made whole again here.
for temp in "$prefix"/drive_c/users/*/Temp "$prefix"/drive_c/users/*/AppData/Local/Temp; do
  if [ -L "$temp" ] && [ ! -e "$temp" ]; then
    { rm -f "$temp" && mkdir -p "$temp"; } 2>/dev/null || true
  fi
done
temp=$(sed -n 's/^"TEMP"="Z:\(.*\)"$/\1/p' "$prefix/user.reg" 2>/dev/null | sed 's/\\\\/\//g')
if [ -n "$temp" ] && [ ! -d "$temp" ] && [ -s "$prefix/temp-before-tests" ]; then
  for variable in TEMP TMP; do
    "$wine" reg add 'HKCU\Environment' /v "$variable" /t REG_SZ \
      /d "$(cat "$prefix/temp-before-tests")" /f >/dev/null 2>&1 || true
  done
  rm -f "$prefix/temp-before-tests"
fi
[ $# -gt 0 ] || exit 0

# Wine's own background processes (the server, services, the device manager) start with the
# first program of a session and inherit its output. Started here by a program of their own,
# they hold /dev/null instead of the pipes CTest reads, so CTest need not wait for them to go
# idle after every test; persistent for a minute, they serve back-to-back tests. CTest starts
# the session once, in the test WineSession, and tells the tests that come after it
# (DUPSCAN_WINE_SESSION_STARTED) to join it as it is.
if [ -z "${DUPSCAN_WINE_SESSION_STARTED:-}" ]; then
  wineserver -p60 </dev/null >/dev/null 2>&1 || true
  "$wine" cmd.exe /c exit </dev/null >/dev/null 2>&1 || true
fi

exec "$wine" "$@"
