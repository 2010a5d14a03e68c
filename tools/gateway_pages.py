#!/usr/bin/env python3
"""Status pages of the three gateway makes (Inventel, Sagem, Tecom AH4222), from line values,
filled into the page templates of tests/pages/ that the C++ tests and benchmarks use too.

Used by the fake gateway and, on the command line, to write pages to files for tests and
benchmarks:  python3 tools/gateway_pages.py inventel --size 20000 [--disconnected] [-o FILE]
"""

import argparse
import math
import os
import random
import string
import sys
from dataclasses import dataclass, replace

MODELS = ("inventel", "sagem", "tecom")


@dataclass
class LineValues:
    """The line values a gateway shows on its status page."""

    connected: bool = True
    mode: str = "G.992.5 (ADSL2+)"
    line_type: str = "Interleaved"
    upstream: float = 1023.0
    downstream: float = 17904.0
    attenuation_down: float = 23.5
    attenuation_up: float = 12.0
    snr_down: float = 6.4
    snr_up: float = 11.2
    crc_errors: int = 12
    firmware: str = "V4.05.10;B2"


def _num(value):
    """Numbers as gateways print them: integers without a fraction, others with one digit."""
    return str(int(value)) if float(value).is_integer() else "%.1f" % value


PAGES = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "tests", "pages")


def _template(name):
    with open(os.path.join(PAGES, name + ".html"), encoding="latin-1", newline="") as source:
        return string.Template(source.read())


def _placeholders(model, v):
    """The values of MODEL's template for line values V (a line out of sync shows no rates)."""
    def synced(text, empty):
        return text if v.connected else empty
    empty = "&nbsp" if model == "tecom" else ""
    status = {"inventel": ("UP", "DOWN"), "sagem": ("OK", "NOK"), "tecom": ("Up", "Down")}[model]
    return {
        "status": status[0] if v.connected else status[1],
        "mode": synced(v.mode, empty),
        "type": v.line_type,
        "up": synced(_num(v.upstream), "&nbsp" if model == "tecom" else "0"),
        "down": synced(_num(v.downstream), "&nbsp" if model == "tecom" else "0"),
        "att_down": _num(v.attenuation_down),
        "att_up": _num(v.attenuation_up),
        "snr_down": _num(v.snr_down),
        "snr_up": _num(v.snr_up),
        "crc": str(v.crc_errors),
        "firmware": v.firmware,
    }


def _filler(size):
    row = _template("filler")
    lines, used, n = [], 0, 0
    while used < size:
        lines.append(row.substitute(n=n))
        used += len(lines[-1])
        n += 1
    return "".join(lines)


def page(model, values=None, size=None):
    """The status page of MODEL (the template of tests/pages/ that the tests fill too); with SIZE,
    markup that no parser stores pads it to about that many bytes (at least the bare page)."""
    template = _template(model)
    fields = _placeholders(model, values or LineValues())
    bare = len(template.substitute(fields, filler=""))
    return template.substitute(fields, filler=_filler((size or 0) - bare))


def drifting_values(elapsed, drop_every=90.0, drop_for=12.0, seed=1):
    """A simulated line at ELAPSED seconds: rates and margins drift slowly with some noise, and
    the line drops sync for the last DROP_FOR seconds of every DROP_EVERY seconds."""
    noise = random.Random(seed * 1000003 + int(elapsed))
    wave = math.sin(elapsed / 47.0)
    base = LineValues()
    connected = drop_every <= 0 or (elapsed % drop_every) < drop_every - drop_for
    return replace(
        base,
        connected=connected,
        downstream=round(base.downstream * (1 + 0.06 * wave) + noise.uniform(-150, 150)),
        upstream=round(base.upstream * (1 + 0.02 * wave)),
        snr_down=round(base.snr_down + 1.5 * wave + noise.uniform(-0.3, 0.3), 1),
        snr_up=round(base.snr_up + 0.5 * wave, 1),
        attenuation_down=round(base.attenuation_down + noise.uniform(-0.2, 0.2), 1),
        crc_errors=base.crc_errors + int(elapsed // 5) + noise.randint(0, 3),
    )


def main(argv):
    parser = argparse.ArgumentParser(description="Write a gateway status page.")
    parser.add_argument("model", choices=MODELS)
    parser.add_argument("--size", type=int, help="pad the page to about this many bytes")
    parser.add_argument("--disconnected", action="store_true", help="a line out of sync")
    parser.add_argument("-o", "--output", help="file to write (default: standard output)")
    args = parser.parse_args(argv)
    text = page(args.model, LineValues(connected=not args.disconnected), args.size)
    if args.output:
        with open(args.output, "w", encoding="latin-1", newline="") as out:
            out.write(text)
    else:
        sys.stdout.write(text)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
