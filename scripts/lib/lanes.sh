# shellcheck shell=bash
# scripts/test's background lanes, sourced by it: a stage run beside the foreground's, in a
# process group of its own, its output kept in build/lanes/NAME.log and shown, with its results
# taken as the run's own, when the foreground waits for it. A stage leaves a core idle for part
# of its time (configuring, linking, tests that wait), and two together keep both busy.

lanes=build/lanes
declare -A lane_pids=()

# Starts `COMMAND...` as the lane NAME; the lane's `failed` and `summaries` start empty.
start_lane() {
  local name=$1
  mkdir -p "$lanes" && rm -f "$lanes/$name".*
  set -m  # a process group of its own, which a stop ends whole
  (
    failed=() summaries=()
    "${@:2}"
    save_lines "$lanes/$name.failed" ${failed[@]+"${failed[@]}"}
    save_lines "$lanes/$name.summaries" ${summaries[@]+"${summaries[@]}"}
  ) </dev/null >"$lanes/$name.log" 2>&1 &
  lane_pids[$name]=$!
  set +m
}

# Writes its arguments to the file named first, one per line: none, an empty file.
save_lines() {
  : >"$1"
  [ $# -lt 2 ] || printf '%s\n' "${@:2}" >"$1"
}

# Waits for the lane NAME, shows its output and takes its results as this run's own.
finish_lane() {
  local name=$1 lines
  wait "${lane_pids[$name]}"
  unset "lane_pids[$name]"
  cat "$lanes/$name.log"
  if [ ! -f "$lanes/$name.summaries" ]; then
    failed+=("$name lane")
    summaries+=("$name lane: ended before its results were saved")
    return
  fi
  mapfile -t lines <"$lanes/$name.failed"
  failed+=(${lines[@]+"${lines[@]}"})
  mapfile -t lines <"$lanes/$name.summaries"
  summaries+=(${lines[@]+"${lines[@]}"})
}

# A stop (Ctrl-C, a time limit, a lost terminal) ends the lanes too, which groups of their own
# would otherwise keep running; the exit status is the shell's for that signal. A signal to this
# shell alone takes effect once the step in the foreground ends.
stop_lanes() {
  local pid
  for pid in "${lane_pids[@]}"; do
    kill -- -"$pid" 2>/dev/null
  done
  exit "$1"
}
