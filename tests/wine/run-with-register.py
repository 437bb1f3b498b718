#!/usr/bin/env python3
"""Runs a command (a test of the Windows build under wine) beside the native
register emulator, served over TCP on a free port of 127.0.0.1, and names it
to the command in TARVIK_TEST_REGISTER ("127.0.0.1:port"). The emulator's
data directory is fresh, with PLU file 10 of two lines. The command's exit
code is the script's.

    tests/wine/run-with-register.py --register build/register/tarvik-register \
        -- cmake/wine-run.sh build-win/src/ui/win32/ui_win32_window_test.exe
"""
import argparse
import os
import shutil
import signal
import subprocess
import sys
import tempfile

PLU_10 = b"0005;1234\r\n0006;5678\r\n"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--register", required=True, help="the native tarvik-register")
    parser.add_argument("command", nargs=argparse.REMAINDER)
    args = parser.parse_args()
    command = args.command[1:] if args.command[:1] == ["--"] else args.command
    if not command:
        parser.error("no command to run")
    if not os.access(args.register, os.X_OK):
        print(f"run-with-register: {args.register} is not an executable emulator; "
              "build it natively first (cmake --build build --target tarvik-register)",
              file=sys.stderr)
        return 2
    data = tempfile.mkdtemp(prefix="tarvik-register-")
    try:
        with open(os.path.join(data, "10.dat"), "wb") as f:
            f.write(PLU_10)
        emulator = subprocess.Popen(
            [args.register, "--data", data, "--tcp", "127.0.0.1", "--port", "0"],
            stdout=subprocess.PIPE, text=True)
        try:
            line = emulator.stdout.readline().strip()
            kind, _, where = line.partition(": ")
            if kind != "tcp":
                print("run-with-register: the emulator did not start: " + line, file=sys.stderr)
                return 2
            env = dict(os.environ, TARVIK_TEST_REGISTER=where)
            # wine passes the variable on to the Windows program.
            return subprocess.call(command, env=env)
        finally:
            if emulator.poll() is None:
                emulator.send_signal(signal.SIGTERM)
                try:
                    emulator.wait(timeout=10)
                except subprocess.TimeoutExpired:
                    emulator.kill()
                    emulator.wait()
            emulator.stdout.close()
    finally:
        shutil.rmtree(data, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
