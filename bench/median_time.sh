# The median wall time of a shell command, sourced by the comparison benchmarks. Expects $runs
# and the array one_core (the command prefix that pins the work to one core).
# shellcheck shell=bash

# Median wall time in milliseconds of a shell command, over $runs runs.
median_ms() {
  local times=()
  for _ in $(seq "$runs"); do
    local start end
    start=$(date +%s%N)
    "${one_core[@]}" bash -c "$1" >/dev/null 2>&1
    end=$(date +%s%N)
    times+=($(((end - start) / 1000)))
  done
  printf '%s\n' "${times[@]}" | sort -n | sed -n "$(((runs + 1) / 2))p" | awk '{printf "%.2f", $1 / 1000}'
}

# Median "wall/cpu" milliseconds (CPU: user + system, steadier on a busy machine) of a shell
# command over $runs runs.
median_wall_cpu_ms() {
  local walls=() cpus=() times
  for _ in $(seq "$runs"); do
    times=$(/usr/bin/time -f '%e %U %S' "${one_core[@]}" bash -c "$1" 2>&1 >/dev/null | tail -1)
    walls+=("$(awk '{printf "%d", $1 * 1000}' <<<"$times")")
    cpus+=("$(awk '{printf "%d", ($2 + $3) * 1000}' <<<"$times")")
  done
  local middle=$(((runs + 1) / 2))
  echo "$(printf '%s\n' "${walls[@]}" | sort -n | sed -n "${middle}p")/$(printf '%s\n' "${cpus[@]}" | sort -n | sed -n "${middle}p")"
}
