#!/bin/sh
# The report of a large log: years of 1-minute rows (tools/gen-year-log.py, about 67 MB a year)
# made into the history report by the core's command; prints its time and peak memory.
# usage: bench/report-scale.sh [BUILD_DIR] [DAYS]   (DAYS 1460: about 270 MB; 16000: about 3 GB)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/linux}
days=${2:-1460}
work="$build/bench-report"
mkdir -p "$work"
log="$work/days-$days.csv"
[ -f "$log" ] || python3 "$root/tools/gen-year-log.py" "$log" --days "$days" --start 2000/01/01
echo "log: $log ($(wc -c <"$log") bytes)"
/usr/bin/time -v "$build/tests/make_report" --stats "$log" --out "$work/days-$days.html" \
  --no-open 2>"$work/time.txt"
grep -E 'Elapsed|Maximum resident' "$work/time.txt"
