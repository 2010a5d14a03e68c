#!/usr/bin/env python3
"""Status pages of the three gateway makes (Inventel, Sagem, Tecom AH4222), from line values.

Used by the fake gateway and, on the command line, to write pages to files for tests and
benchmarks:  python3 tools/gateway_pages.py inventel --size 20000 [--disconnected] [-o FILE]
"""

import argparse
import math
import random
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


# --- Inventel: ADSL_KEY=value<br> lines inside a plain status page --------------------------

def _inventel_entries(v):
    down = _num(v.downstream) if v.connected else "0"
    up = _num(v.upstream) if v.connected else "0"
    return [
        ("STATUS", "UP" if v.connected else "DOWN"),
        ("MODE", v.mode if v.connected else ""),
        ("ADSL_TYPE", v.line_type),
        ("UPSTREAM", up),
        ("DOWNSTREAM", down),
        ("ATTENUATION", _num(v.attenuation_down)),
        ("ATTENUATION_UP", _num(v.attenuation_up)),
        ("NOISE_MARGIN", _num(v.snr_down)),
        ("NOISE_MARGIN_UP", _num(v.snr_up)),
        ("RSCORR", str(v.crc_errors)),
        ("RSUNCORR", "0"),
        ("ADSL_VERSION", v.firmware),
    ]


def _inventel_filler(n):
    return "ADSL_CELLS_%d=%d<br>\n" % (n, (n * 7919) % 100000)


def inventel_parts(v):
    head = ("<html>\n<head>\n<title>Livebox - Etat de la ligne ADSL</title>\n"
            "<meta http-equiv=\"Pragma\" content=\"no-cache\">\n</head>\n"
            "<body bgcolor=\"#FFFFFF\">\n<p>Informations ADSL</p>\n")
    body = "".join("ADSL_%s=%s<br>\n" % entry for entry in _inventel_entries(v))
    return head + body, "</body>\n</html>\n", _inventel_filler


# --- Sagem: JavaScript variables var v_name<TAB><TAB>= "value"; -----------------------------

def _sagem_entries(v):
    return [
        ("v_ADSL_line_status", "OK" if v.connected else "NOK"),
        ("v_ADSL_mode", v.mode if v.connected else ""),
        ("v_down_pathtype", v.line_type),
        ("v_upstream", _num(v.upstream) if v.connected else "0"),
        ("v_downstream", _num(v.downstream) if v.connected else "0"),
        ("v_att_near", _num(v.attenuation_down)),
        ("v_att_far", _num(v.attenuation_up)),
        ("v_SNR_near", _num(v.snr_down)),
        ("v_SNR_far", _num(v.snr_up)),
        ("v_CRC_errors", str(v.crc_errors)),
        ("v_firm_ver", v.firmware),
    ]


def _sagem_filler(n):
    return "var v_stat_counter\t\t= \"%d\";\n" % ((n * 7919) % 100000)


def sagem_parts(v):
    head = ("<html>\n<head>\n<title>Livebox</title>\n"
            "<script language=\"JavaScript\" type=\"text/javascript\">\n<!--\n")
    body = "".join("var %s\t\t= \"%s\";\n" % entry for entry in _sagem_entries(v))
    tail = ("//-->\n</script>\n</head>\n<body onload=\"init()\">\n"
            "<div id=\"adsl\">Etat de la ligne ADSL</div>\n</body>\n</html>\n")
    return head + body, tail, _sagem_filler


# --- Tecom AH4222: label cell on one line, value cell on the next ---------------------------

def _tecom_entries(v):
    def cell(text):
        return text if v.connected else "&nbsp"
    return [
        ("Mode:", cell(v.mode)),
        ("Line Rate - Upstream (Kbps):", cell(_num(v.upstream))),
        ("Line Rate - Downstream (Kbps):", cell(_num(v.downstream))),
        ("Attenuation - Downstream (dB):", _num(v.attenuation_down)),
        ("Attenuation - Upstream (dB):", _num(v.attenuation_up)),
        ("SNR Margin - Downstream (dB):", _num(v.snr_down)),
        ("SNR Margin - Upstream (dB):", _num(v.snr_up)),
        ("Software Version:", v.firmware),
    ]


def _tecom_row(label, value):
    return "  <tr>\n    <td class='hd'>%s</td>\n    <td>%s</td>\n  </tr>\n" % (label, value)


def _tecom_filler(n):
    return _tecom_row("Counter %d:" % n, str((n * 7919) % 100000))


def tecom_parts(v):
    head = ("<html>\n<head>\n<meta http-equiv='Content-Type' content='text/html'>\n"
            "<title>AH4222 - ADSL Status</title>\n</head>\n<body>\n"
            "<b>ADSL Status</b><br>\n<table border='0' cellpadding='4'>\n")
    body = "".join(_tecom_row(label, value) for label, value in _tecom_entries(v))
    return head + body, "</table>\n</body>\n</html>\n", _tecom_filler


_PARTS = {"inventel": inventel_parts, "sagem": sagem_parts, "tecom": tecom_parts}


def page(model, values=None, size=None):
    """The status page of MODEL; with SIZE, filler entries that no parser stores pad it to about
    that many bytes (at least the bare page)."""
    head, tail, filler = _PARTS[model](values or LineValues())
    lines = []
    used = len(head) + len(tail)
    n = 0
    while size is not None and used < size:
        line = filler(n)
        lines.append(line)
        used += len(line)
        n += 1
    return head + "".join(lines) + tail


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
