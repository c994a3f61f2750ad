# shellcheck shell=bash
# scripts/test's fuzzing, sourced by it: the libFuzzer targets built, then each run from its seed
# corpus for the inputs fuzz/runs gives it (or FUZZ_SECONDS, when set), all at once.
# Inputs the fuzzers find go under build/, never into the seed corpora in the repository; a
# crashing input is kept there as build/fuzz/artifacts/crash-* to replay.

# Runs TARGET on CORPUS for its limit (see fuzz_limit).
fuzz_target() {
  local target=$1 corpus=$2 limit
  mkdir -p "build/fuzz/found/$target"
  limit=$(fuzz_limit "$target")
  if [ -z "$limit" ]; then
    echo "fuzz/runs gives $target no count" >"build/fuzz/$target.log"
    return 1
  fi
  # -timeout: an input that runs for 10 s is a hang, and a hang is a failure.
  nice -n 19 "build/fuzz/${target}_fuzzer" "$limit" -timeout=10 \
    -artifact_prefix=build/fuzz/artifacts/ "build/fuzz/found/$target" "$corpus" \
    >"build/fuzz/$target.log" 2>&1
}

# The limit of TARGET's run, as a libFuzzer option: its count of inputs in fuzz/runs (-runs=N), or
# FUZZ_SECONDS (-max_total_time=N); nothing when fuzz/runs has no count for it.
fuzz_limit() {
  if [ -n "${FUZZ_SECONDS:-}" ]; then
    echo "-max_total_time=$FUZZ_SECONDS"
    return
  fi
  local runs
  runs=$(awk -v target="$1" '$1 == target { print $2 }' fuzz/runs)
  [ -z "$runs" ] || echo "-runs=$runs"
}

# Built apart from their runs, while the background builds may still be going on.
build_fuzzers() {
  echo "=== fuzz build ==="
  if ! configure_preset fuzz || ! cmake --build --preset fuzz; then
    failed+=("fuzz (build)")
    summaries+=("fuzz: the build failed")
    return 1
  fi
}

# All the targets at once, at the lowest priority: beside the background lane, whose Windows suite
# leaves a core idle half its time, they take that time rather than the other stages' own.
run_fuzzers() {
  local limits="the inputs of fuzz/runs"
  [ -z "${FUZZ_SECONDS:-}" ] || limits="$FUZZ_SECONDS s per target"
  echo "=== fuzz ($limits) ==="
  mkdir -p build/fuzz/artifacts
  local corpora=(fuzz/corpus/*/) pids=() corpus
  for corpus in "${corpora[@]}"; do
    fuzz_target "$(basename "$corpus")" "$corpus" &
    pids+=($!)
  done
  local index target
  for index in "${!corpora[@]}"; do
    target=$(basename "${corpora[index]}")
    if wait "${pids[index]}"; then
      summaries+=("fuzz $target: $(tail -n 1 "build/fuzz/$target.log")")
    else
      tail -n 30 "build/fuzz/$target.log"
      failed+=("fuzz $target")
      summaries+=("fuzz $target: FAILED, see build/fuzz/$target.log")
    fi
  done
}
