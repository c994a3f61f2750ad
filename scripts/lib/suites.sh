# shellcheck shell=bash
# scripts/test's suites, sourced by it: a preset built, its suites run with CTest in a temporary
# folder of their own, and each result noted in `summaries` (and in `failed` when it failed).

failed=()
summaries=()

# The suites' temporary trees are made in memory where the machine has room for them there: on
# some virtual disks creating a file takes a millisecond of the kernel's time, which was most of
# the suites' time (the release suite took 23.5 s on such a disk and 7.8 s in memory, the x86-64
# wine suite 32 s and 21 s). The run makes a folder of /dev/shm for them, and removes it.
memory_temp=""
make_memory_temp() {
  local free_kib
  free_kib=$(df -Pk /dev/shm 2>/dev/null | awk 'NR == 2 { print $4 }')
  [ "${free_kib:-0}" -ge $((2 * 1024 * 1024)) ] || return 0
  memory_temp=$(mktemp -d /dev/shm/dupscan-tests.XXXXXX) || memory_temp=""
  # Tests run the program from their trees as another user, which a noexec mount refuses.
  if [ -n "$memory_temp" ] && ! { cp "$(command -v cat)" "$memory_temp/runs" &&
      "$memory_temp/runs" </dev/null; }; then
    rm -rf "$memory_temp"
    memory_temp=""
  fi
  [ -z "$memory_temp" ] || rm -f "$memory_temp/runs"
}

# A folder of the memory one for each suite, open to all as /tmp is: some tests run the program
# as another user in the trees they make there. Prints it; nothing when there is none.
suite_temp_folder() {
  [ -n "$memory_temp" ] || return 0
  mkdir -p "$memory_temp/$1" && chmod 1777 "$memory_temp" "$memory_temp/$1" &&
    echo "$memory_temp/$1"
}

remove_memory_temp() {
  restore_wine_temps
  [ -z "$memory_temp" ] || rm -rf "$memory_temp"
}

# Configures one preset's build folder. One that another generator made (scripts/test builds with
# Ninja, which CMake refuses to switch to in place) is configured afresh.
configure_preset() {
  local preset=$1 cache=build/$1/CMakeCache.txt fresh=()
  if [ -f "$cache" ] && ! grep -qx "CMAKE_GENERATOR:INTERNAL=${CMAKE_GENERATOR:-}" "$cache"; then
    fresh=(--fresh)
  fi
  cmake --preset "$preset" ${fresh[@]+"${fresh[@]}"} >/dev/null
}

# Configures and builds one preset, or only the targets named after it; false, and noted, when
# that fails.
build_preset() {
  local preset=$1 targets=("${@:2}")
  echo "=== $preset ==="
  if ! configure_preset "$preset" ||
      ! cmake --build --preset "$preset" ${targets[@]+--target "${targets[@]}"}; then
    failed+=("$preset (build)")
    summaries+=("$preset: the build failed")
    return 1
  fi
}

# The labelled tests a preset leaves out (the labels are marked in the test files): the slow ones
# run in the release build alone; the large-files ones there and in the 32-bit builds, whose
# 64-bit offsets they test.
excluded_labels() {
  case $1 in
    release) ;;
    mingw32 | linux32) echo '^slow$' ;;
    *) echo '^(slow|large-files)$' ;;
  esac
}

# What the summary calls a preset's suites.
suite_title() {
  case $1 in
    linux32) echo "linux32 (x86, 32 bits, under qemu-i386)" ;;
    *) echo "$1" ;;
  esac
}

# Runs a built preset's suites with CTest.
test_preset() {
  local preset=$1 temp_folder temp=()
  temp_folder=$(suite_temp_folder "$preset")
  [ -z "$temp_folder" ] || temp=(TMPDIR="$temp_folder")
  if [[ $preset == mingw* ]]; then
    echo "=== $preset tests ==="
    prepare_wine_suite "$preset" "$temp_folder" || return
  fi
  local log="build/$preset/ctest.log" exclude=() labels jobs
  labels=$(excluded_labels "$preset")
  [ -z "$labels" ] || exclude=(--label-exclude "$labels")
  # Wine's tests spend a third of their time waiting on wine's server, so three times as many run
  # at once as there are cores (with twice as many, the suite took from 110 s to 220 s beside the
  # sanitizer build and suite; with three times, 113 s).
  jobs=$(nproc)
  [[ $preset != mingw* ]] || jobs=$((3 * jobs))
  # Now and then wine fails to start a process at all ("ShellExecuteEx failed: Internal error",
  # CreateProcessW's error 1359), in about one run of the suite in five: a Windows test that
  # fails is run once more, and the log keeps both runs. The Linux suites run each test once.
  local repeat=()
  [[ $preset != mingw* ]] || repeat=(--repeat until-pass:2)
  env "${temp[@]}" ctest --preset "$preset" -j"$jobs" "${exclude[@]}" ${repeat[@]+"${repeat[@]}"} \
    2>&1 | tee "$log"
  local status=${PIPESTATUS[0]}
  summaries+=("$(suite_title "$preset"): $(grep -E 'tests passed' "$log" | tail -n 1)")
  [ "$status" -eq 0 ] || failed+=("$preset")
}

run_preset() { build_preset "$1" && test_preset "$1"; }

# The release packages: scripts/package builds them into dist/, from the Windows builds given
# (none: it builds its own), and tests/package/check-dist.sh checks what they hold and that the
# packaged program runs.
run_package_checks() {
  echo "=== package ==="
  if ! DUPSCAN_WINDOWS_BUILDS="$*" scripts/package; then
    failed+=("package (build)")
    summaries+=("package: the packages could not be built")
    return
  fi
  local log=build/package/checks.log
  tests/package/check-dist.sh dist 2>&1 | tee "$log"
  local status=${PIPESTATUS[0]}
  summaries+=("$(tail -n 1 "$log")")
  [ "$status" -eq 0 ] || failed+=("package")
}

# Prints the results so far, under HEADING: the other stages' first, then every suite's CTest
# summary, so that the run ends with CTest's lines.
show_summaries() {
  echo "=== $1 ==="
  local line
  for line in "${summaries[@]}"; do
    [[ "$line" == *"tests passed"* ]] || echo "$line"
  done
  for line in "${summaries[@]}"; do
    [[ "$line" != *"tests passed"* ]] || echo "$line"
  done
}
