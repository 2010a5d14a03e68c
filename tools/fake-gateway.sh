# Starts the fake gateway on loopback and waits for its port; sourced by the scripts that need it.
# start_fake_gateway WORK_DIR [GATEWAY ARGS...] sets VERDALIN_GATEWAY_PORT (exported) and
# fake_gateway_pid, or returns 1 when the gateway did not start within 10 s.
fake_gateway_tools=$(cd "$(dirname "$0")" && pwd)
start_fake_gateway() {
  work=$1
  shift
  rm -f "$work/port"
  python3 "$fake_gateway_tools/fake_gateway.py" --port-file "$work/port" "$@" >/dev/null </dev/null &
  fake_gateway_pid=$!
  tries=0
  until [ -s "$work/port" ]; do
    if ! kill -0 "$fake_gateway_pid" 2>/dev/null || [ "$tries" -ge 100 ]; then
      echo "the fake gateway did not start" >&2
      return 1
    fi
    sleep 0.1
    tries=$((tries + 1))
  done
  VERDALIN_GATEWAY_PORT=$(cat "$work/port")
  export VERDALIN_GATEWAY_PORT
}
