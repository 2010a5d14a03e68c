#!/bin/sh
# Builds the libFuzzer targets (tests/fuzz/*_fuzz.cpp) with clang and runs each for a bounded time.
#
# Time per target: FUZZ_SECONDS_<name> (name = file name without _fuzz.cpp), else FUZZ_SECONDS,
# else 60 s for regexp and 20 s for the others. Seeds come from tests/fuzz/corpus/<name>/ and, for
# the device readers, from the answer files of tests/answers/ (read only); new inputs and crash
# artifacts go to build/fuzz. Any finding fails the run.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/fuzz"

cd "$root"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "${JOBS:-2}"

# The targets run JOBS at a time (each libFuzzer run takes one core); a failed one leaves a mark.
rm -f "$build"/*.failed
running=0
for source in "$root"/tests/fuzz/*_fuzz.cpp; do
  [ -e "$source" ] || continue
  target=$(basename "$source" .cpp)
  name=${target%_fuzz}
  default=20
  [ "$name" = regexp ] && default=60
  eval "seconds=\${FUZZ_SECONDS_$name:-\${FUZZ_SECONDS:-$default}}"
  work="$build/corpus/$name"
  artifacts="$build/artifacts/$name"
  mkdir -p "$work" "$artifacts"
  set -- "$work"
  [ -d "$root/tests/fuzz/corpus/$name" ] && set -- "$work" "$root/tests/fuzz/corpus/$name"
  # The devices' answer files (tests/answers/<kind>/) seed the fuzzers of their readers.
  answers=$name
  [ "$name" = ubus ] && answers=openwrt
  if [ -d "$root/tests/answers/$answers" ]; then
    seeds="$build/seeds/$name"
    rm -rf "$seeds" && mkdir -p "$seeds"
    count=0
    for file in $(find "$root/tests/answers/$answers" -type f ! -name expected.txt | sort); do
      count=$((count + 1))
      cp "$file" "$seeds/$count"
    done
    set -- "$@" "$seeds"
  fi
  log="$build/$name.log"
  echo "Fuzzing $name for $seconds s"
  (if "$build/tests/fuzz/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -max_len=4096 -print_final_stats=1 -artifact_prefix="$artifacts/" "$@" >"$log" 2>&1; then
    echo "$name: $(grep -E '^stat::number_of_executed_units' "$log" || true)"
  else
    echo "FAILED: $name (log $log, artifacts in $artifacts)"
    tail -n 40 "$log"
    touch "$build/$name.failed"
  fi) &
  running=$((running + 1))
  if [ "$running" -ge "${JOBS:-2}" ]; then
    wait
    running=0
  fi
done
wait
! ls "$build"/*.failed >/dev/null 2>&1
