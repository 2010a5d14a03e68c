#!/usr/bin/env python3
"""/report of the headless program on a large log: the time to the first page and to each one
after it, and the program's memory.

Writes (once a day) a data log of rows every second ending now, REPORT_LOG_MB megabytes (default
1024: about four months, the last 30 days far more rows than are held in memory), starts
`PROGRAM --headless` going on with it (a poll an hour, so the log stays as it is), asks /report
until the first page comes (a 503 says it is being made), then REPORT_ASKS more times (default 5),
and prints each time and the resident memory (VmRSS now, VmHWM its peak) from /proc.
Usage: report_endpoint.py PROGRAM   (build/linux/verdalin-headless)
"""

import datetime
import os
import sys
import time
import urllib.error
import urllib.request

from headless_fixture import measure

MEGABYTES = int(os.environ.get("REPORT_LOG_MB", "1024"))
ASKS = int(os.environ.get("REPORT_ASKS", "5"))
HERE = os.path.dirname(os.path.abspath(__file__))
FOLDER = os.path.join(os.path.dirname(HERE), "build", "linux", "bench-report")
ROW = (';1;"G.992.5 (ADSL2+):Interleaved";1023;17904;23.50;12.00;%s;11.20;%d;'
       '"LiveBox Inventel";"V4.05.10,B2"\r\n')
OUT_OF_SYNC = ';0;":";0;0;.00;.00;.00;.00;0;"LiveBox Inventel";"V4.05.10,B2"\r\n'


def write_log(path):
    """Rows every second back from now, a few minutes out of sync each day."""
    rows = MEGABYTES * 1024 * 1024 // len("2026/12/08 00:00:00" + ROW % ("8.00", 0))
    first = datetime.datetime.now().replace(microsecond=0) - datetime.timedelta(seconds=rows)
    clock = ["%02d:%02d:%02d" % (s // 3600, s // 60 % 60, s % 60) for s in range(86400)]
    margins = ["%.2f" % (7.0 + (s % 300) / 100.0) for s in range(600)]
    with open(path + ".part", "w", newline="") as out:
        out.write("Date;Connected;Mode:Type;Upstream_kbps;Downstream_kbps;Attenuation_local;"
                  "Attenuation_distant;SNR_local;SNR_distant;CRC_errors;Device;Firmware\r\n")
        day, crc, at = first.date(), 0, 0
        second = first.hour * 3600 + first.minute * 60 + first.second
        while at < rows:
            stamp = day.strftime("%Y/%m/%d ")
            chunk = []
            while second < 86400 and at < rows:
                if 3600 <= second < 3720:
                    chunk.append(stamp + clock[second] + OUT_OF_SYNC)
                else:
                    crc += second % 7 == 0
                    chunk.append(stamp + clock[second] + ROW % (margins[at % 600], crc))
                second += 1
                at += 1
            out.write("".join(chunk))
            day, second = day + datetime.timedelta(days=1), 0
    os.replace(path + ".part", path)


def ask(port):
    """The status and the seconds of one GET /report."""
    start = time.monotonic()
    try:
        with urllib.request.urlopen("http://127.0.0.1:%d/report" % port, timeout=60) as answer:
            answer.read()
            status = answer.status
    except urllib.error.HTTPError as error:
        status = error.code
    return status, time.monotonic() - start


def memory(pid):
    values = {}
    for line in open("/proc/%d/status" % pid):
        key, _, rest = line.partition(":")
        if key in ("VmRSS", "VmHWM"):
            values[key] = int(rest.split()[0]) // 1024
    return values


def run(headless):
    pid = headless.process.pid
    start = time.monotonic()
    while True:
        status, seconds = ask(headless.port)
        print("first pages: %d in %.3f s" % (status, seconds))
        if status != 503:
            break
        time.sleep(1)
    print("first page after %.1f s; memory %s MB" % (time.monotonic() - start, memory(pid)))
    for _ in range(ASKS):
        status, seconds = ask(headless.port)
        print("again: %d in %.3f s" % (status, seconds))
    print("memory %s MB" % memory(pid))


def main():
    os.makedirs(FOLDER, exist_ok=True)
    log = os.path.join(FOLDER, "seconds-%d.csv" % MEGABYTES)
    if not os.path.exists(log) or time.time() - os.path.getmtime(log) > 86400:
        write_log(log)
    print("log: %s (%d bytes)" % (log, os.path.getsize(log)))
    measure("/script/inventel?steps=up", 3600, run, log)


if __name__ == "__main__":
    main()
