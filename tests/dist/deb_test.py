#!/usr/bin/env python3
"""The Debian package, unpacked into a temporary root (never installed): its files, its control
fields, lintian, its program run from a read-only /usr/bin against the fake gateway, keeping
its settings in $XDG_CONFIG_HOME/verdalin, and the presets it reads (the shipped ones, else the
user's own).

Usage: deb_test.py BUILD_DIR DEB VERSION; exits 77 (skipped) when the package is not built.
"""

import glob
import gzip
import os
import shutil
import signal
import socket
import stat
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(os.path.dirname(HERE), "linux"))
from program_fixture import (SOURCE, Gateway, ProgramFolder, expect, read_ini,  # noqa: E402
                             store_password, wait_for, write_ini)

ICON_SIZES = (16, 24, 32, 48, 128)


def control_field(deb, name):
    return subprocess.run(["dpkg-deb", "-f", deb, name], check=True, capture_output=True,
                          text=True).stdout.strip()


def unzipped(path):
    with gzip.open(path, "rt", encoding="utf-8") as source:
        return source.read()


def png_size(path):
    with open(path, "rb") as source:
        header = source.read(24)
    expect(header[:8] == b"\x89PNG\r\n\x1a\n", "%s is a PNG picture" % path)
    return int.from_bytes(header[16:20], "big"), int.from_bytes(header[20:24], "big")


def check_files(root, version):
    usr = os.path.join(root, "usr")
    program = os.path.join(usr, "bin", "verdalin")
    expect(os.stat(program).st_mode & 0o777 == 0o755, "the program is executable by all")
    expect(os.path.isfile(os.path.join(usr, "share", "applications", "verdalin.desktop")),
           "the desktop entry")
    for size in ICON_SIZES:
        icon = os.path.join(usr, "share", "icons", "hicolor", "%dx%d" % (size, size), "apps",
                            "verdalin.png")
        expect(png_size(icon) == (size, size), "the %d-pixel icon" % size)
    manual = unzipped(os.path.join(usr, "share", "man", "man1", "verdalin.1.gz"))
    expect('"Verdalin %s"' % version in manual, "the manual page carries the version")
    for option in ("\\-startup", "\\-\\-report", "\\-\\-headless", "\\-\\-setup", "\\-\\-config",
                   "snr_low_db", "listen", "Verdalin_Events.csv", "Verdalin_Report.html"):
        expect(option in manual, "the manual page tells of %s" % option)
    doc = os.path.join(usr, "share", "doc", "verdalin")
    copyright_text = open(os.path.join(doc, "copyright"), encoding="utf-8").read()
    expect(copyright_text.startswith("Format: https://www.debian.org/doc/packaging-manuals/"),
           "a machine-readable copyright file")
    notices = unzipped(os.path.join(doc, "THIRD-PARTY-NOTICES.gz"))
    for library in ("uPlot", "libpng", "zlib", "Qt 6", "libcurl", "GNU libmicrohttpd",
                    "GNU LESSER GENERAL"):
        expect(library in notices, "the notices name %s" % library)
    expect("(%s)" % version in unzipped(os.path.join(doc, "changelog.gz")), "the changelog")
    expect(unzipped(os.path.join(doc, "README.md.gz")).startswith("# Verdalin user guide"),
           "the README is the user guide")
    for unit in glob.glob(os.path.join(SOURCE, "resources", "*.service")):
        name = os.path.basename(unit)
        place = (os.path.join(doc, "examples") if name.endswith("-system.service")
                 else os.path.join(usr, "lib", "systemd", "user"))
        expect(os.path.isfile(os.path.join(place, name)), "the unit %s in %s" % (name, place))
    expect(os.path.isfile(os.path.join(doc, "examples", "verdalin-grafana.json")),
           "the Grafana dashboard among the examples")
    print("ok files: program, desktop entry, icons, manual page, documents, units, dashboard")


def check_presets(root, folder, launcher):
    """--help of the program in its read-only /usr/bin names the presets file it reads: the
    shipped one, and the user's own once there is one."""
    shipped = os.path.join(root, "usr", "share", "verdalin", "Verdalin_Presets.ini")
    presets = [g for g in read_ini(shipped).values() if "type" in g]
    kinds = sorted(set(g["type"] for g in presets))
    expect(kinds == ["AH4222", "BROADCOM", "DRAYTEK", "INVENTEL", "OPENWRT", "SAGEM", "TR064"] and
           not any(g["password"] for g in presets), "a preset for each kind, no password: %r" %
           presets)

    def files_line():
        run = subprocess.run(list(launcher) + [folder.program, "--help"],
                             env=folder.environment(), capture_output=True, text=True, timeout=30)
        expect(run.returncode == 0, "--help ends with 0: " + run.stderr)
        return [line.strip() for line in run.stdout.splitlines()
                if line.strip().endswith("Verdalin_Presets.ini")]
    expect(files_line() == [shipped], "--help names the shipped presets: %r" % files_line())
    own = os.path.join(folder.config, "verdalin", "Verdalin_Presets.ini")
    write_ini(own, [("Index", [("total", "0")])])
    expect(files_line() == [own], "--help names the user's presets: %r" % files_line())
    print("ok presets: %s shipped, the user's own file first" % ", ".join(kinds))


def check_control(deb, version):
    expect(os.path.basename(deb) == "verdalin_%s_amd64.deb" % version, "the package's file name")
    expect(control_field(deb, "Version") == version, "the package's version")
    depends = control_field(deb, "Depends")
    for library in ("libqt6widgets6", "libcurl4", "libpng16-16", "libmicrohttpd12", "libc6"):
        expect(library in depends, "Depends names %s: %s" % (library, depends))
    expect(int(control_field(deb, "Installed-Size")) > 100, "Installed-Size is counted")
    print("ok control: version %s, Depends %s" % (version, depends))


def check_lintian(deb):
    run = subprocess.run(["lintian", "--fail-on", "error", "--display-info", deb],
                         capture_output=True, text=True)
    lines = run.stdout.splitlines()
    for line in lines:
        print("lintian: " + line)
    errors = [line for line in lines if line.startswith("E:")]
    expect(run.returncode == 0 and not errors, "lintian finds no error:\n" + run.stderr)
    print("ok lintian: no error")


def read_only_launcher(folder):
    """A command that runs a program with `folder` unwritable for it, or None where this machine
    cannot make it so. As the superuser, a private read-only bind mount; else its permissions."""
    if os.geteuid() != 0:
        os.chmod(folder, 0o555)
        return ()
    script = 'mount --bind "$0" "$0" && mount -o remount,bind,ro "$0" && exec "$@"'
    launcher = ("unshare", "-m", "--propagation", "private", "sh", "-c", script, folder)
    probe = subprocess.run(list(launcher) + ["sh", "-c", 'touch "$0/probe"', folder],
                           capture_output=True)
    return launcher if probe.returncode != 0 and not os.path.exists(folder + "/probe") else None


def check_program(build, root, gateway):
    """First start: the settings folder is made and the statistics land there. Second start
    with -startup against the fake gateway: rows, and the edited settings kept there. Then the
    presets it reads."""
    program_dir = os.path.join(root, "usr", "bin")
    launcher = read_only_launcher(program_dir)
    if launcher is None:
        print("skip read-only run: this machine cannot make a folder unwritable for root")
        return
    folder = ProgramFolder(build, os.path.join(program_dir, "verdalin"))
    try:
        settings = os.path.join(folder.config, "verdalin", "Verdalin_Settings.ini")
        folder.start([], launcher=launcher)
        wait_for(lambda: os.path.exists(settings) or folder.process.poll() is not None, 20,
                 "the settings of the first start")
        expect(folder.stop(signal.SIGTERM) == 0, "the program ends with 0: " + folder.output())
        expect(stat.S_IMODE(os.stat(os.path.dirname(settings)).st_mode) == 0o700,
               "the settings folder is the user's alone")
        output = os.path.join(folder.root, "log.csv")
        ini = read_ini(settings)
        write_ini(settings, [
            ("Settings", [("url", gateway.page_address("inventel", "u", "p", "deb")),
                          ("login", "u"), ("crypted_password", store_password(build, "p")),
                          ("delay", "1"), ("output_file", output)]),
            ("Statistics", list(ini["statistics"].items()))])
        folder.start(["-startup"], launcher=launcher)
        wait_for(lambda: os.path.exists(output) and len(open(output, "rb").readlines()) >= 3 or
                 folder.process.poll() is not None, 30, "two CSV rows")
        expect(folder.stop(signal.SIGTERM) == 0, "the program ends with 0: " + folder.output())
        ini = read_ini(settings)
        expect(ini["statistics"]["Runs"] == "2", "both starts counted: %r" % ini)
        expect(ini["settings"]["output_file"] == output, "the settings kept: %r" % ini)
        expect(sorted(os.listdir(program_dir)) == ["verdalin"], "nothing beside the program")
        print("ok read-only program: settings in XDG_CONFIG_HOME/verdalin, polls logged")
        check_presets(root, folder, launcher)
    finally:
        folder.close()


def check_headless(root, gateway):
    """The installed program hands "--headless" over to its build without Qt: it polls the
    gateway of the shipped preset the settings choose, and no GUI library is ever mapped into
    it."""
    folder = tempfile.mkdtemp(prefix="verdalin-deb-headless-")
    try:
        output = os.path.join(folder, "log.csv")
        with socket.socket() as probe:
            probe.bind(("127.0.0.1", 0))
            port = probe.getsockname()[1]
        write_ini(os.path.join(folder, "Verdalin_Settings.ini"), [
            ("Settings", [("url", gateway.page_address("inventel", "u", "p", "deb-headless")),
                          ("login", "u"), ("delay", "3600"), ("preset", "0"),
                          ("output_file", output)]),
            ("Export", [("listen", "127.0.0.1:%d" % port)])])
        env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
        env.pop("QT_QPA_PLATFORM", None)
        program = subprocess.Popen([os.path.join(root, "usr", "bin", "verdalin"), "--headless",
                                    "--config", folder], env=env, stderr=subprocess.DEVNULL)
        try:
            wait_for(lambda: os.path.exists(output) or program.poll() is not None, 20, "a row")
            exe = os.readlink("/proc/%d/exe" % program.pid)
            maps = open("/proc/%d/maps" % program.pid).read()
            expect(exe == os.path.join(root, "usr", "lib", "verdalin", "verdalin-headless"),
                   "the headless build runs: " + exe)
            expect("libQt" not in maps, "no Qt library is mapped")
            program.send_signal(signal.SIGTERM)
            expect(program.wait(15) == 0, "SIGTERM ends it with 0")
        finally:
            if program.poll() is None:
                program.kill()
                program.wait()
        print("ok --headless: the build without Qt, polling")
    finally:
        shutil.rmtree(folder, ignore_errors=True)


def main():
    build, deb, version = sys.argv[1:4]
    if not os.path.exists(deb):
        print("%s is missing: make dist writes it" % deb)
        return 77
    root = tempfile.mkdtemp(prefix="verdalin-deb-")
    try:
        subprocess.run(["dpkg-deb", "-x", deb, root], check=True)
        check_control(deb, version)
        check_files(root, version)
        gateway = Gateway()
        check_program(build, root, gateway)
        check_headless(root, gateway)
        check_lintian(deb)
    finally:
        os.chmod(os.path.join(root, "usr", "bin"), 0o755)
        shutil.rmtree(root, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
