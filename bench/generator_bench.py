#!/usr/bin/env python3
"""Times plessard's default bank against its compute floor in one run.

The floor (sine_floor) computes the same 128 x 220500 sine samples with the
same expression in a tight loop and writes each file with one write call.
Both outputs are compared byte for byte before the times are printed.

Usage: bench/generator_bench.py [runs]   (builds a Release tree in build-release)
"""
import filecmp
import os
import pathlib
import subprocess
import sys
import tempfile
import time

root = pathlib.Path(__file__).resolve().parent.parent
build = root / "build-release"
runs = int(sys.argv[1]) if len(sys.argv) > 1 else 9
subprocess.run(["cmake", "-S", root, "-B", build, "-DCMAKE_BUILD_TYPE=Release", "-DBUILD_TESTING=OFF"],
               check=True, stdout=subprocess.DEVNULL)
subprocess.run(["cmake", "--build", build, "-j2", "--target", "plessard", "sine_floor"],
               check=True, stdout=subprocess.DEVNULL)


def seconds(command, cwd):
    # Each run starts with the previous runs' files on disk, so that neither
    # program is slowed by writing back the other's data.
    os.sync()
    start = time.perf_counter()
    subprocess.run(command, cwd=cwd, check=True, stdout=subprocess.DEVNULL)
    return time.perf_counter() - start


with tempfile.TemporaryDirectory() as work:
    work = pathlib.Path(work)
    (work / "floor").mkdir()
    generator, floor = [], []
    for _ in range(runs):
        generator.append(seconds([build / "plessard"], work))
        floor.append(seconds([build / "bench" / "sine_floor", work / "floor" / "test"], work))
    for slot in range(128):
        name = f"test.{slot}.pcm"
        if not filecmp.cmp(work / "pcm" / name, work / "floor" / name, shallow=False):
            sys.exit(f"slot {slot}: plessard and the floor wrote different samples")

g, f = min(generator), min(floor)
print(f"default bank, 128 x 220500 samples, best of {runs} runs (outputs identical)")
print(f"  plessard: {g:.3f} s")
print(f"  floor:    {f:.3f} s")
print(f"  ratio:    {g / f:.2f} (goal <= 1.2)")
