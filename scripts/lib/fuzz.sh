# shellcheck shell=bash
# scripts/test's fuzzing, sourced by it: the libFuzzer targets built, then each run for
# FUZZ_SECONDS (30 by default) from its seed corpus, all at once.
# Inputs the fuzzers find go under build/, never into the seed corpora in the repository; a
# crashing input is kept there as build/fuzz/artifacts/crash-* to replay.

fuzz_target() {
  local target=$1 corpus=$2 fuzz_seconds=$3
  mkdir -p "build/fuzz/found/$target"
  # -timeout: an input that runs for 10 s is a hang, and a hang is a failure.
  "build/fuzz/${target}_fuzzer" -max_total_time="$fuzz_seconds" -timeout=10 \
    -artifact_prefix=build/fuzz/artifacts/ "build/fuzz/found/$target" "$corpus" \
    >"build/fuzz/$target.log" 2>&1
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

# All the targets at once: the run's time is FUZZ_SECONDS whatever the cores, and the processor
# is shared among them and whatever still runs beside them.
run_fuzzers() {
  local fuzz_seconds=${FUZZ_SECONDS:-30}
  echo "=== fuzz (${fuzz_seconds} s per target) ==="
  mkdir -p build/fuzz/artifacts
  local corpora=(fuzz/corpus/*/) pids=() corpus
  for corpus in "${corpora[@]}"; do
    fuzz_target "$(basename "$corpus")" "$corpus" "$fuzz_seconds" &
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
