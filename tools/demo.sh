#!/bin/sh
# Runs the program against the fake gateway's simulated line on loopback, from build/demo/: one
# preset per gateway model, all on 127.0.0.1. Without a display it runs offscreen with -startup
# and prints the CSV rows as they arrive, for DEMO_SECONDS (default 20) or until Ctrl-C.
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/linux"
demo="$root/build/demo"
seconds=${DEMO_SECONDS:-20}
for file in "$build/verdalin" "$build/verdalin-headless" "$build/linux/verdalin_store_password"; do
  [ -x "$file" ] || { echo "demo.sh: $file is missing: run make linux first" >&2; exit 1; }
done

. "$root/tools/fake-gateway.sh"
fake_gateway_pid=""
program_pid=""
tail_pid=""
stop_all() {
  for pid in $tail_pid $program_pid $fake_gateway_pid; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
}
# The history of what the demo polled, written beside the log when the demo ends.
write_report() {
  [ -s "$csv" ] || return 0
  report="$demo/Verdalin_Report.html"
  if "$demo/verdalin" --report "$csv" --out "$report" --no-open 2>"$demo/report.log"; then
    echo "History report of these polls: $report (open it in a browser)."
  else
    echo "demo.sh: the history report could not be written: $(cat "$demo/report.log")" >&2
  fi
}
on_exit() {
  stop_all
  write_report
}
trap on_exit EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

rm -rf "$demo"
mkdir -p "$demo/home/.config"
cp "$build/verdalin" "$build/verdalin-headless" "$demo/"

user=demo
password=demo-pass
start_fake_gateway "$demo" --user "$user" --password "$password" --drop-every 45 --drop-for 6 ||
  exit 1
port=$VERDALIN_GATEWAY_PORT
live="http://127.0.0.1:$port/live"
csv="$demo/Verdalin_Data.CsV"

# The INI files live beside the program; the password is stored scrambled as the program does.
printf '[Index]\r\ntotal=3\r\n1=Inventel\r\n2=Sagem\r\n3=Tecom\r\n' > "$demo/Verdalin_Presets.ini"
for preset in "Inventel INVENTEL inventel LiveBox_Inventel" "Sagem SAGEM sagem LiveBox_Sagem" \
              "Tecom AH4222 tecom Tecom_AH4222"; do
  set -- $preset
  printf '[%s]\r\ntype=%s\r\nlabel=%s (simulated)\r\nURL=%s/%s\r\nlogin=%s\r\npassword=%s\r\ndownmax=20000\r\n' \
    "$1" "$2" "$(echo "$4" | tr _ ' ')" "$live" "$3" "$user" "$password" >> "$demo/Verdalin_Presets.ini"
done
stored=$("$build/linux/verdalin_store_password" "$password")
printf '[Settings]\r\ndownstream=20000\r\nlogin=%s\r\ndelay=2\r\nurl=%s/inventel\r\noutput_file=%s\r\npreset=0\r\ncrypted_password=%s\r\n' \
  "$user" "$live" "$csv" "$stored" > "$demo/Verdalin_Settings.ini"

echo "Fake gateway on 127.0.0.1:$port with a simulated line (login $user, password $password)."
echo "Program, settings and presets in $demo; the CSV goes to $csv."
if [ -n "$DISPLAY" ] || [ -n "$WAYLAND_DISPLAY" ]; then
  echo "Press START to monitor (pick another model in the preset list); close the window to end."
  "$demo/verdalin" &
  program_pid=$!
  wait "$program_pid" || true
  program_pid=""
  exit 0
fi

echo "No display: running offscreen with -startup for $seconds s (Ctrl-C ends sooner)."
HOME="$demo/home" XDG_CONFIG_HOME="$demo/home/.config" QT_QPA_PLATFORM=offscreen \
  "$demo/verdalin" -startup >"$demo/program.log" 2>&1 &
program_pid=$!
tries=0
until [ -s "$csv" ] || [ "$tries" -ge 100 ]; do sleep 0.1; tries=$((tries + 1)); done
tail -n +1 -f "$csv" &
tail_pid=$!
sleep "$seconds"
kill -TERM "$program_pid"
wait "$program_pid" || true
program_pid=""
echo "The program saved its settings on SIGTERM and ended:"
tr -d '\r' < "$demo/Verdalin_Settings.ini" | grep -E '^(LastRun|Runs|url)='
