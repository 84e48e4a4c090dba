#!/usr/bin/python3
"""Runs the transform benchmark and the yardstick in one go and prints both times and their ratio.

Usage: transform_ratios.py BUILD_DIR
A ratio below 1 means our transform is faster than the yardstick at equal filter and size.
"""
import json
import os
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))


def main():
    build = sys.argv[1] if len(sys.argv) > 1 else os.path.join(HERE, "..", "build")
    exe = os.path.join(build, "bench", "bench_transforms")
    out = subprocess.run([exe, "--benchmark_format=json"], check=True, capture_output=True, text=True).stdout
    ours = {}
    for b in json.loads(out)["benchmarks"]:
        name = b["name"].split("/")[0].removeprefix("BM_")
        ours[name] = b["real_time"]  # milliseconds (the benchmarks use that unit)
    yard = {}
    res = subprocess.run(["/usr/bin/python3", os.path.join(HERE, "resize_yardstick.py")],
                         check=True, capture_output=True, text=True).stdout
    for line in res.splitlines():
        name, ms = line.split()
        yard[name] = float(ms)
    print(f"{'case':28} {'ours ms':>10} {'yardstick ms':>13} {'ratio':>7}")
    for name, ms in ours.items():
        if name in yard:
            print(f"{name:28} {ms:10.1f} {yard[name]:13.1f} {ms / yard[name]:7.2f}")
        else:
            print(f"{name:28} {ms:10.1f} {'-':>13} {'-':>7}")


if __name__ == "__main__":
    main()
