# shellcheck shell=bash
# scripts/test's wine plumbing, sourced by it: the prefixes the Windows suites run in, their Temp
# folders, and whether this machine's kernel runs 32-bit x86 programs at all.

# The kernels of some virtual machines run no 32-bit x86 program (wine's 32-bit loader fails
# there with "Exec format error"), so no wine can run the 32-bit Windows programs. There those
# programs alone are built, and their imports checked; the 32-bit suites run as the Linux
# program's instead, under qemu-i386 (see scripts/test).
runs_32bit_programs() { /usr/lib/wine/wine --version >/dev/null 2>&1; }

check_32bit_windows_imports() {
  local program
  for program in dupscan32 dupscan-tidy32; do
    if ! cmake -DOBJDUMP="$(command -v i686-w64-mingw32-objdump)" \
        -DPROGRAM="build/mingw32/$program.exe" -P cmake/check_system_imports.cmake; then
      failed+=("mingw32 (imports)")
      summaries+=("mingw32: $program.exe imports more than Windows' own DLLs")
      return
    fi
  done
  summaries+=("mingw32: programs built, imports checked; their tests not run here: this machine's kernel runs no 32-bit x86 program")
}

# Wine takes some 25 s to make a prefix, most of it waiting on its own processes, and the
# Windows suites each keep their own. So one is made in the background while the Windows programs
# build, as the x86-64 suite's, and the x86 suite's is a copy of it (4 s): both are what wine
# makes for either program, whose prefix holds no path of its own.
start_wine_prefixes() {
  mkdir -p build
  (
    cmake/wine-run.sh "$PWD/build/mingw64/wineprefix" || exit
    runs_32bit_programs && [ ! -f build/mingw32/wineprefix/system.reg ] || exit 0
    rm -rf build/mingw32/wineprefix build/mingw32/wineprefix.copy && mkdir -p build/mingw32 &&
      cp -a build/mingw64/wineprefix build/mingw32/wineprefix.copy &&
      mv build/mingw32/wineprefix.copy build/mingw32/wineprefix
  ) >build/wine-prefixes.log 2>&1 &
  wine_prefixes_pid=$!
}

# Waits, once, for the prefixes; false, and the log shown, when they could not be made.
wine_prefixes_made() {
  if [ -z "${wine_prefixes_status:-}" ]; then
    wait "$wine_prefixes_pid"
    wine_prefixes_status=$?
    [ "$wine_prefixes_status" -eq 0 ] || tail -n 30 build/wine-prefixes.log
  fi
  [ "$wine_prefixes_status" -eq 0 ]
}

# Wine takes each user's Temp folder from the prefix's registry (HKCU\Environment), not from the
# Unix environment. For a suite's run it names FOLDER there by its Z: drive path; with FOLDER
# empty, the folder the prefix had before. A link in the prefix would not do: the Temp folder
# would then lie beyond a link, which dupscan-tidy rightly refuses to act through.
point_wine_temp() {
  local prefix=$1 folder=$2 saved="$1/temp-before-tests" value
  if [ -n "$folder" ]; then
    if [ ! -f "$saved" ]; then
      value=$(wine_temp_value "$prefix") && [ -n "$value" ] || return
      printf '%s\n' "$value" >"$saved"
    fi
    value="Z:${folder//\//\\}"
  else
    [ -f "$saved" ] || return 0
    value=$(cat "$saved")
  fi
  [ -n "$value" ] || return
  set_wine_temp "$prefix" "$value" || return
  [ -n "$folder" ] || rm -f "$saved"
}

# The Temp folder the prefix's registry names now.
wine_temp_value() {
  cmake/wine-run.sh "$PWD/$1" reg query 'HKCU\Environment' /v TEMP 2>/dev/null | tr -d '\r' |
    sed -n 's/^ *TEMP  *REG_[A-Z_]*  *//p'
}

set_wine_temp() {
  local variable
  for variable in TEMP TMP; do
    cmake/wine-run.sh "$PWD/$1" reg add 'HKCU\Environment' /v "$variable" /t REG_SZ /d "$2" /f \
      >/dev/null 2>&1 || return
  done
}

# The prefixes' Temp folders are theirs again, so that CTest run by hand still finds them.
restore_wine_temps() {
  local preset
  for preset in mingw64 mingw32; do
    [ ! -d "build/$preset/wineprefix" ] || point_wine_temp "build/$preset/wineprefix" ""
  done
}

# The Windows tests' own wine prefix, made before the first test rather than inside its time
# limit, with its Temp folder pointed at the suite's TEMP_FOLDER. False, and noted, when wine
# cannot start.
prepare_wine_suite() {
  local preset=$1 temp_folder=$2
  if ! wine_prefixes_made || ! point_wine_temp "build/$preset/wineprefix" "$temp_folder" ||
      ! cmake/wine-run.sh "$PWD/build/$preset/wineprefix" cmd.exe /c exit; then
    failed+=("$preset (wine)")
    summaries+=("$preset: wine could not start")
    return 1
  fi
}
