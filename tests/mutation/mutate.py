#!/usr/bin/env python3
"""Plants each mistake of mutations.txt in the library, one at a time, and
runs the test suite against it. A mistake the tests do not notice survives.

Usage: mutate.py [--build DIR] [--only NAME ...] [--list]

Each mistake is a block of the list:

    name: zero-tolerance-raised
    file: services/qrv_keys.h
    find: kZeroTolerance = 1e-6;
    replace: kZeroTolerance = 1e-5;

A value may stand for several lines, written with \\n between them. `find`
must occur exactly once in `file` (a stale entry is reported, not run).
The file is always restored, also when the run is interrupted.
"""
import argparse
import os
import shutil
import signal
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
LIST = os.path.join(os.path.dirname(os.path.abspath(__file__)), "mutations.txt")


def read_list(path):
    mutations, current = [], {}
    with open(path, encoding="utf-8") as text:
        for number, line in enumerate(text, 1):
            line = line.rstrip("\n")
            if not line.strip() or line.lstrip().startswith("#"):
                if current:
                    mutations.append(current)
                    current = {}
                continue
            key, sep, value = line.partition(": ")
            if not sep or key not in ("name", "file", "find", "replace", "why"):
                sys.exit(f"{path}:{number}: expected 'name|file|find|replace|why: ...'")
            current[key] = value.replace("\\n", "\n")
    if current:
        mutations.append(current)
    for m in mutations:
        for key in ("name", "file", "find", "replace"):
            if key not in m:
                sys.exit(f"{path}: mutation {m.get('name', '?')} lacks '{key}'")
    return mutations


def run(command, cwd, log):
    with open(log, "a", encoding="utf-8") as out:
        out.write(f"\n$ {' '.join(command)}\n")
        out.flush()
        return subprocess.run(command, cwd=cwd, stdout=out, stderr=subprocess.STDOUT).returncode


def configure(build):
    # Warnings stay warnings: a slip that leaves a name unused is still a slip.
    command = ["cmake", "-S", ROOT, "-B", build, "-DCMAKE_BUILD_TYPE=Release",
               "-DMARROW_BUILD_BENCH=OFF", "-DMARROW_WERROR=OFF"]
    if shutil.which("ccache"):
        command.append("-DCMAKE_CXX_COMPILER_LAUNCHER=ccache")
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL)


def test(build, log):
    """0 when every test passes; the build's failure counts as a failed run."""
    jobs = str(os.cpu_count() or 2)
    if run(["cmake", "--build", build, "-j", jobs], ROOT, log) != 0:
        return "build"
    tests = os.path.join(build, "tests", "marrow_tests")
    # From where ctest runs them: the tests may name files relative to it.
    if run([tests, "--gtest_brief=1", "--gtest_fail_fast"], os.path.dirname(tests), log) != 0:
        return "unit"
    if run(["ctest", "-j", jobs, "-R", "^cli_", "--stop-on-failure"], build, log) != 0:
        return "cli"
    return ""


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", default=os.path.join(ROOT, "build", "mutate"))
    parser.add_argument("--only", nargs="*", default=[])
    parser.add_argument("--list", action="store_true", help="list the mistakes and stop")
    args = parser.parse_args()

    mutations = read_list(LIST)
    if args.only:
        mutations = [m for m in mutations if m["name"] in args.only]
    if args.list:
        for m in mutations:
            print(f"{m['name']}: {m['file']}")
        return 0

    build = os.path.abspath(args.build)
    configure(build)
    log = os.path.join(build, "mutate.log")
    open(log, "w").close()
    if test(build, log):
        sys.exit(f"the unmutated tree fails its tests; see {log}")

    survivors, stale, killed = [], [], 0
    for index, m in enumerate(mutations, 1):
        path = os.path.join(ROOT, m["file"])
        with open(path, encoding="utf-8") as source:
            original = source.read()
        if original.count(m["find"]) != 1:
            stale.append(m["name"])
            print(f"[{index}/{len(mutations)}] {m['name']}: STALE (find text occurs "
                  f"{original.count(m['find'])} times)")
            continue
        started = time.time()
        previous = signal.signal(signal.SIGINT, signal.SIG_IGN)
        try:
            with open(path, "w", encoding="utf-8") as source:
                source.write(original.replace(m["find"], m["replace"]))
            signal.signal(signal.SIGINT, previous)
            caught_by = test(build, log)
        finally:
            signal.signal(signal.SIGINT, signal.SIG_IGN)
            with open(path, "w", encoding="utf-8") as source:
                source.write(original)
            signal.signal(signal.SIGINT, previous)
        seconds = time.time() - started
        if caught_by == "build":
            stale.append(m["name"] + " (does not compile)")
            print(f"[{index}/{len(mutations)}] {m['name']}: DOES NOT COMPILE")
        elif caught_by:
            killed += 1
            print(f"[{index}/{len(mutations)}] {m['name']}: caught ({caught_by}, {seconds:.0f} s)")
        else:
            survivors.append(m)
            print(f"[{index}/{len(mutations)}] {m['name']}: SURVIVED ({seconds:.0f} s)")

    # Leave the build matching the real sources again.
    run(["cmake", "--build", build, "-j", str(os.cpu_count() or 2)], ROOT, log)
    ran = killed + len(survivors)
    print(f"\n{ran} mistakes planted, {killed} caught, {len(survivors)} survived, "
          f"{len(stale)} stale")
    for m in survivors:
        print(f"  survived: {m['name']} ({m['file']}){': ' + m['why'] if 'why' in m else ''}")
    for name in stale:
        print(f"  stale: {name}")
    if stale or (ran and len(survivors) * 20 >= ran):
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
