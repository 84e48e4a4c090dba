#!/usr/bin/python3
"""Yardstick for the resize benchmark: the same resizes of a 4000 x 3000 RGB noise picture with
the imaging library of the system's Python (bilinear and Lanczos filters), single thread.

Prints one line per case: name, best time in milliseconds over the repetitions.
Usage: resize_yardstick.py [repetitions]
"""
import os
import sys
import time

from PIL import Image

WIDTH, HEIGHT = 4000, 3000


def best_of(fn, reps):
    best = None
    for _ in range(reps):
        t0 = time.perf_counter()
        fn()
        t = time.perf_counter() - t0
        best = t if best is None or t < best else best
    return best * 1000.0


def main():
    reps = int(sys.argv[1]) if len(sys.argv) > 1 else 5
    img = Image.frombytes("RGB", (WIDTH, HEIGHT), os.urandom(WIDTH * HEIGHT * 3))
    cases = [
        ("resize_25_bilinear", (WIDTH // 4, HEIGHT // 4), Image.BILINEAR),
        ("resize_25_lanczos", (WIDTH // 4, HEIGHT // 4), Image.LANCZOS),
        ("resize_200_bilinear", (WIDTH * 2, HEIGHT * 2), Image.BILINEAR),
        ("resize_200_lanczos", (WIDTH * 2, HEIGHT * 2), Image.LANCZOS),
    ]
    for name, size, flt in cases:
        ms = best_of(lambda: img.resize(size, flt), reps if size[0] < WIDTH else max(2, reps // 2))
        print(f"{name} {ms:.1f}")
    ms = best_of(lambda: img.transpose(Image.ROTATE_270), reps)
    print(f"rotate_90 {ms:.1f}")


if __name__ == "__main__":
    main()
