#!/usr/bin/env python3
"""Seconds from SIGTERM to the end of the Linux program while the gateway hangs a poll (goal:
under 2 s). Runs under tools/with-fake-gateway.sh: signal_exit.py BUILD_DIR [RUNS]."""

import os
import signal
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(os.path.dirname(HERE), "tests", "linux"))

from e2e_startup_test import end_during_a_hanging_poll  # noqa: E402
from program_fixture import Gateway  # noqa: E402


def main():
    build = os.path.abspath(sys.argv[1])
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 5
    times = sorted(end_during_a_hanging_poll(build, Gateway(), signal.SIGTERM)
                   for _ in range(runs))
    print("SIGTERM during a hanging poll: %d runs, best %.2f s, median %.2f s, worst %.2f s"
          % (runs, times[0], times[len(times) // 2], times[-1]))
    return 0


if __name__ == "__main__":
    sys.exit(main())
