#!/usr/bin/env python3
"""End-to-end jobs of the Windows build under wine.

tarvik.exe runs under wine in a fresh program directory per test; the
register emulator runs natively and is reached over TCP on 127.0.0.1 and
over serial through wine's COM mapping of its pty (a comN link in the wine
prefix's dosdevices folder). Files are compared byte for byte.

    tests/wine/wine_e2e.py --exe build-win/src/app/tarvik.exe \
        --register build/register/tarvik-register
"""
import argparse
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest

ARGS = None
LOG_STAMP = re.compile(rb"^\d\d-\d\d-\d{4},\d\d:\d\d,")
PLU = (b'00000000000012;"ROHLIK            ";00000250;00000000;00;00;00;00;00;00;00;00;00;00\r\n'
       b'00000000000013;"CHLEBA            ";00003900;00000000;00;00;00;00;00;00;00;00;00;00\r\n')


class Register:
    """The native emulator, on a pty (serial) or a free TCP port."""

    def __init__(self, data_dir, tcp=False, extra=()):
        args = [ARGS.register, "--data", data_dir, *extra]
        if tcp:
            args += ["--tcp", "127.0.0.1", "--port", "0"]
        self.process = subprocess.Popen(args, stdout=subprocess.PIPE, text=True)
        line = self.process.stdout.readline().strip()
        kind, _, where = line.partition(": ")
        if kind not in ("pty", "tcp"):
            self.stop()
            raise RuntimeError("emulator did not start: " + line)
        self.where = where

    def stop(self):
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGTERM)
            try:
                self.process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        self.process.stdout.close()


class WineJob(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="tarvik-wine-")
        self.data = os.path.join(self.dir, "register")
        self.job = os.path.join(self.dir, "job")
        os.makedirs(self.data)
        os.makedirs(self.job)
        shutil.copy(ARGS.exe, os.path.join(self.job, "tarvik.exe"))
        self.registers = []

    def tearDown(self):
        for register in self.registers:
            register.stop()
        unset_com(COM)
        shutil.rmtree(self.dir, ignore_errors=True)

    def write(self, name, data, where=None):
        with open(os.path.join(where or self.job, name), "wb") as f:
            f.write(data)

    def read(self, name, where=None):
        with open(os.path.join(where or self.job, name), "rb") as f:
            return f.read()

    def exists(self, name):
        return os.path.exists(os.path.join(self.job, name))

    def start(self, tcp=False, extra=()):
        register = Register(self.data, tcp, extra)
        self.registers.append(register)
        return register

    def run_tarvik(self, *args, program="tarvik.exe", extra_env=None):
        """Runs the program as a calling program would: by its path, with
        arguments; wine turns them into the Windows command line."""
        env = dict(os.environ, WINEDEBUG="-all", WINEPREFIX=ARGS.prefix, **(extra_env or {}))
        for name in ("DISPLAY", "WAYLAND_DISPLAY"):
            env.pop(name, None)  # no box may wait for a click
        return subprocess.run([ARGS.wine, os.path.join(self.job, program), *args],
                              cwd=self.job, env=env, capture_output=True, timeout=180)

    def log_tails(self, name):
        lines = self.read(name).split(b"\r\n")
        return [LOG_STAMP.sub(b"", line) for line in lines if line]

    def assert_success(self, result):
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(self.read("err"), b"0")
        self.assertEqual(self.read("error.txt"), b"151\r\n")


# wine's mount manager keeps com1..comN pointed at the machine's /dev/ttyS*
# devices; a port above those is left to the link the tests make.
COM = 7
SERIAL_LINE = b"01,%d,7,8,O,650,ERA\r\n" % COM


def set_com(number, device):
    link = os.path.join(ARGS.prefix, "dosdevices", "com%d" % number)
    if os.path.lexists(link):
        os.remove(link)
    os.symlink(device, link)


def unset_com(number):
    link = os.path.join(ARGS.prefix, "dosdevices", "com%d" % number)
    if os.path.lexists(link):
        os.remove(link)


class Tcp(WineJob):
    def test_read_and_write_of_the_plu_file(self):
        self.write("03.dat", PLU, self.data)
        register = self.start(tcp=True)
        self.write("tarvik.ini", b"zpozdeni=0\r\n")
        self.write("read.cmd", register.where.encode() + b",01,650,ERA\r\nR03;P_PLU\r\n")
        result = self.run_tarvik("read.cmd")
        self.assert_success(result)
        self.assertEqual(self.read("P_PLU.dat"), PLU)
        self.assertEqual(self.log_tails("ERA.log"),
                         [b"00," + register.where.encode() + b",R03;0000"])

        self.write("D10.dat", b"0005;1234\r\n0006;5678\r\n")
        self.write("write.cmd", register.where.encode() + b",01,650,ERA\r\nW10;D10\r\n")
        self.assert_success(self.run_tarvik("write.cmd"))
        register.stop()
        self.assertEqual(self.read("10.dat", self.data), b"0005;1234\r\n0006;5678\r\n")


class Serial(WineJob):
    def test_read_and_write_through_the_mapped_com_port(self):
        self.write("03.dat", PLU, self.data)
        register = self.start()
        set_com(COM, register.where)
        self.write("tarvik.ini", b"zpozdeni=0\r\n")
        self.write("read.cmd", SERIAL_LINE + b"R03;P_PLU\r\n")
        self.assert_success(self.run_tarvik("read.cmd"))
        self.assertEqual(self.read("P_PLU.dat"), PLU)

        self.write("D10.dat", b"0005;1234\r\n")
        self.write("write.cmd", SERIAL_LINE + b"W10;D10\r\n")
        self.assert_success(self.run_tarvik("write.cmd"))
        register.stop()
        self.assertEqual(self.read("10.dat", self.data), b"0005;1234\r\n")

    def test_silent_register_ends_in_the_time_out_pair(self):
        register = self.start(extra=["--silent"])
        set_com(COM, register.where)
        self.write("tarvik.ini", b"zpozdeni=0\r\ntimeout=1\r\n")
        self.write("read.cmd", SERIAL_LINE + b"R03;P_PLU\r\n")
        result = self.run_tarvik("read.cmd")
        self.assertEqual(result.returncode, 1, result.stderr)
        # A register that does not answer is told apart from other failures.
        self.assertEqual(self.read("err"), b"2")
        self.assertEqual(self.read("error.txt"), b"9\r\n")
        self.assertEqual(self.log_tails("ERA.log"), [b"38,01,R03;%d,0001" % COM])
        self.assertFalse(self.exists("P_PLU.dat"))


class Failure(WineJob):
    def test_missing_command_file(self):
        result = self.run_tarvik("chybi.cmd")
        self.assertEqual(result.returncode, 1)
        self.assertEqual(result.stdout, b"")
        self.assertEqual(self.read("err"), b"1")
        self.assertEqual(self.read("error.txt"), b"9\r\n")
        self.assertEqual(self.log_tails("error.log"), [b"30,,;1,0001"])
        # One line on stderr names the file, in UTF-8 as every console text.
        line = "Chyba 30, 1, LastError 2. Chyba otevreni souboru - soubor "
        self.assertIn(b"Komunikace Tarvik: " + line.encode(), result.stderr)
        self.assertIn("chybi.cmd nelze otevřít (".encode(), result.stderr)

    def test_a_letter_in_a_number_field_names_the_data_file_line_and_field(self):
        self.write("D10.dat", b"0005;1234\r\n0006;12A4\r\n")
        self.write("w.cmd", b"01,1,7,8,O,650,ERA\r\nV10;D10\r\n")
        result = self.run_tarvik("/k", "w.cmd")
        self.assertEqual(result.returncode, 1, result.stderr)
        self.assertIn(b"Chyba 59, 40, LastError 0.", result.stderr)
        self.assertIn("D10.dat, řádek 2, pole 2, \"A\" není číslice".encode(), result.stderr)
        self.assertEqual(self.log_tails("ERA.log"), [b"59,01,V10;1,0040"])


class Boxes(WineJob):
    def test_report_box_without_a_display_falls_back_to_stderr(self):
        self.write("D10.dat", b"0005;1234\r\n")
        self.write("w.cmd", b"01,1,7,8,O,650,ERA\r\nV10;D10\r\n")
        result = self.run_tarvik("/k", "/h", "w.cmd")
        self.assert_success(result)
        self.assertIn(b"Komunikace Tarvik: Komunikace uspesne ukoncena.", result.stderr)


class CommandLine(WineJob):
    def no_link_job(self, name):
        self.write("D10.dat", b"0005;1234\r\n")
        self.write(name, b"01,1,7,8,O,650,ERA\r\nV10;D10\r\n")

    def test_command_file_named_with_drive_and_directory(self):
        self.no_link_job("prikaz.cmd")
        result = self.run_tarvik("/k", "D:\\Jinde\\Data\\PRIKAZ.CMD")
        self.assert_success(result)
        # Taken from the program directory, and the caller is told so.
        self.assertIn(b"ne d:\\jinde\\data\\prikaz.cmd.", result.stderr)
        self.assertEqual(self.read("work02.tmp"), bytes.fromhex("05 00 00 00 12 00 34 FF"))

    def test_switches_glued_to_other_text(self):
        self.no_link_job("w.cmd")
        # "/k" glued behind the file name still switches the link off; the
        # run from "/" to the next blank is not part of the name.
        result = self.run_tarvik("w.cmd/k/q")
        self.assert_success(result)
        self.assertTrue(self.exists("work02.tmp"))

    def test_line_length_limit(self):
        self.no_link_job("w.cmd")
        # wine gives the program its path in quotes, then the arguments.
        program = '"Z:' + os.path.join(self.job, "tarvik.exe").replace("/", "\\") + '"'
        line = program + " /k w.cmd /"
        pad = 1023 - len(line)
        self.assert_success(self.run_tarvik("/k", "w.cmd", "/" + "x" * pad))
        os.remove(os.path.join(self.job, "err"))
        result = self.run_tarvik("/k", "w.cmd", "/" + "x" * (pad + 1))
        self.assertEqual(result.returncode, 2)
        self.assertFalse(self.exists("err"))


class SafeJobs(WineJob):
    def snapshot(self):
        files = {}
        for name in os.listdir(self.job):
            path = os.path.join(self.job, name)
            if os.path.isfile(path) and name != "tarvik.exe":
                files[name] = self.read(name)
        return files

    def start_tarvik(self, *args):
        env = dict(os.environ, WINEDEBUG="-all", WINEPREFIX=ARGS.prefix)
        for name in ("DISPLAY", "WAYLAND_DISPLAY"):
            env.pop(name, None)
        return subprocess.Popen([ARGS.wine, os.path.join(self.job, "tarvik.exe"), *args],
                                cwd=self.job, env=env, stdout=subprocess.PIPE,
                                stderr=subprocess.PIPE)

    def wait_for_holder(self):
        for _ in range(3000):
            if self.exists("tarvik.lck") and self.read("tarvik.lck"):
                return self.read("tarvik.lck")
            time.sleep(0.01)
        self.fail("no job took the program directory")

    def test_one_job_per_program_directory(self):
        self.write("D10.dat", b"0005;1234\r\n")
        # Two commands with a long pause between them: the first job holds
        # the directory for seconds.
        self.write("long.cmd", b"01,1,7,8,O,650,ERA\r\nV10;D10\r\nV10;D10\r\n")
        self.write("short.cmd", b"01,1,7,8,O,650,ERA\r\nV10;D10\r\n")
        self.write("tarvik.ini", b"zpozdeni=6000\r\n")
        first = self.start_tarvik("/k", "long.cmd")
        try:
            holder = self.wait_for_holder()
            pid = holder.split(b" ")[0]
            # Its first command is done and it pauses: nothing of it changes now.
            while not (self.exists("ERA.log") and self.read("ERA.log")):
                time.sleep(0.01)
            self.write("tarvik.ini", b"zpozdeni=0\r\ncekani_zamku=0\r\n")
            before = self.snapshot()
            refused = self.run_tarvik("/k", "short.cmd")
            self.assertEqual(refused.returncode, 1, refused.stderr)
            self.assertIn(("(pid %s, od " % pid.decode()).encode(), refused.stderr)
            self.assertIn("čekání je vypnuto (cekani_zamku=0)".encode(), refused.stderr)
            self.assertEqual(self.snapshot(), before)
            # With a wait, the second job runs once the first is done.
            self.write("tarvik.ini", b"zpozdeni=0\r\ncekani_zamku=60\r\n")
            waited = self.run_tarvik("/k", "short.cmd")
            self.assertIn("čekám nejvýše 60 s".encode(), waited.stderr)
            self.assert_success(waited)
            self.assertEqual(first.wait(timeout=60), 0)
        finally:
            if first.poll() is None:
                first.kill()
            first.communicate()
        self.assertEqual(len(self.log_tails("ERA.log")), 3)

    def test_ctrl_c_during_a_job_ends_it_with_error_116(self):
        self.write("D10.dat", b"0005;1234\r\n")
        self.write("long.cmd", b"01,1,7,8,O,650,ERA\r\nV10;D10\r\nV10;D10\r\n")
        self.write("tarvik.ini", b"zpozdeni=20000\r\n")
        job = self.start_tarvik("/k", "long.cmd")
        try:
            self.wait_for_holder()
            time.sleep(1)
            # wine hands SIGINT to the program as the console's Ctrl+C.
            job.send_signal(signal.SIGINT)
            self.assertEqual(job.wait(timeout=30), 1)
        finally:
            if job.poll() is None:
                job.kill()
            job.communicate()
        self.assertEqual(self.read("err"), b"1")
        self.assertEqual(self.read("error.txt"), b"9\r\n")
        self.assertEqual(self.log_tails("ERA.log")[-1], b"116,01,V10;1,0001")

    def test_help_version_and_unknown_options_touch_nothing(self):
        before = self.snapshot()
        help_ = self.run_tarvik("--help")
        self.assertEqual(help_.returncode, 0, help_.stderr)
        self.assertIn(b"tarvik [", help_.stdout)
        self.assertIn(b"--version", help_.stdout)
        version = self.run_tarvik("--version")
        self.assertEqual(version.returncode, 0)
        self.assertTrue(version.stdout.startswith(b"tarvik 1.86 (Windows"), version.stdout)
        unknown = self.run_tarvik("--nonsense", "job.cmd")
        self.assertEqual(unknown.returncode, 2)
        self.assertIn(b"--nonsense", unknown.stderr)
        self.assertIn(b"--help", unknown.stderr)
        self.assertEqual(self.snapshot(), before)


class Fleet(WineJob):
    """tarvik-fleet.exe runs tarvik.exe, beside it, once per register."""

    def test_registers_over_tcp_and_one_that_refuses(self):
        shutil.copy(ARGS.fleet_exe, os.path.join(self.job, "tarvik-fleet.exe"))
        self.write("03.dat", PLU, self.data)
        register = self.start(tcp=True)
        where = register.where.encode()
        self.write("tarvik.ini", b"zpozdeni=0\r\ntimeout=1\r\n")
        self.write("nightly.cmd", b"x,01,650,X\r\nR03;P_PLU\r\n")
        # Nobody listens on the port of the second register.
        self.write("fleet.txt", b"# name;connection line;command file\r\n"
                   b"shop1;" + where + b",01,650,S1;nightly.cmd\r\n"
                   b"shop2;127.0.0.1:1,01,650,S2;nightly.cmd\r\n")
        result = self.run_tarvik("--retries", "1", "fleet.txt", program="tarvik-fleet.exe",
                                 extra_env={"TARVIK_FLEET_RETRY_MS": "50"})
        self.assertEqual(result.returncode, 1, result.stdout + result.stderr)
        self.assertEqual(self.read("shop1/P_PLU.dat"), PLU)
        self.assertEqual(self.read("shop1/err"), b"0")
        self.assertEqual(self.read("shop1/nightly.cmd"), where + b",01,650,S1\r\nR03;P_PLU\r\n")
        lines = self.read("summary.csv").decode().splitlines()
        self.assertEqual(lines[0].split(";")[:5], ["name", "connection", "result", "attempts",
                                                   "exit_code"])
        self.assertEqual(lines[1].split(";")[:5],
                         ["shop1", register.where + ",01,650,S1", "ok", "1", "0"])
        shop2 = dict(zip(lines[0].split(";"), lines[2].split(";")))
        self.assertEqual(shop2["result"], "failed")
        self.assertEqual(shop2["attempts"], "2")
        self.assertEqual(shop2["error_code"], "103")
        self.assertEqual(shop2["error_subcode"], "7")


def main():
    global ARGS
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--exe", required=True)
    parser.add_argument("--register", required=True)
    parser.add_argument("--fleet-exe", help="tarvik-fleet.exe (default: beside --exe)")
    parser.add_argument("--wine", default="wine")
    parser.add_argument("--prefix", default=os.path.join(tempfile.gettempdir(), "tarvik-wine-prefix"))
    ARGS, rest = parser.parse_known_args()
    ARGS.exe = os.path.abspath(ARGS.exe)
    ARGS.register = os.path.abspath(ARGS.register)
    ARGS.fleet_exe = os.path.abspath(
        ARGS.fleet_exe or os.path.join(os.path.dirname(ARGS.exe), "tarvik-fleet.exe"))
    env = dict(os.environ, WINEDEBUG="-all", WINEPREFIX=ARGS.prefix)
    env.pop("DISPLAY", None)
    subprocess.run(["wineboot", "--init"], env=env, check=True, capture_output=True)
    unittest.main(argv=[sys.argv[0], *rest], verbosity=2)


if __name__ == "__main__":
    main()
