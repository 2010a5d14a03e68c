#!/bin/sh
# The year report benchmark: a year of 1-minute rows (tools/gen-year-log.py, about 525,600 rows)
# made into the history report by the core's command, three times; prints the time, the peak
# memory and the page's size of each run against the goals (2 s, 200 MB, 10 MB).
# usage: bench/report-year.sh [BUILD_DIR] [gen-year-log.py options, e.g. --form fr]
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/linux}
[ $# -gt 0 ] && shift
work="$build/bench-report"
mkdir -p "$work"
suffix=$(printf '%s' "$*" | tr -c 'a-z0-9' '-')
log="$work/year${suffix:+-$suffix}.csv"
[ -f "$log" ] || python3 "$root/tools/gen-year-log.py" "$log" "$@"
echo "log: $log ($(wc -c <"$log") bytes, $(grep -c '^[0-9]' "$log") rows)"
for run in 1 2 3; do
  "$build/tests/make_report" --stats "$log" --out "$work/year.html" --no-open |
    awk -v run="$run" -F'[= ]' '{
      verdict = ($2 < 2 && $4 < 200 && $6 < 10) ? "within the goals" : "OVER A GOAL";
      printf "run %s: %.2f s (goal 2), peak %.0f MB (goal 200), page %.2f MB (goal 10): %s\n",
             run, $2, $4, $6, verdict }'
done
