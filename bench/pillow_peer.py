#!/usr/bin/python3
"""The Pillow side of the resize ratios: the photo-like picture written by photo_ppm, resized to
25 % and 200 % with Pillow's bilinear and Lanczos filters (a plain convolution: no reducing gap),
one thread as Pillow always is. Each case runs once unmeasured, then RUNS times.

Prints one line per case: name, median milliseconds.
Usage: pillow_peer.py FILE.ppm [RUNS]
"""
import statistics
import sys
import time

from PIL import Image


def main():
    path = sys.argv[1]
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 15
    img = Image.open(path)
    img.load()
    w, h = img.size
    cases = [
        ("resize_25_bilinear", (w // 4, h // 4), Image.BILINEAR),
        ("resize_25_lanczos", (w // 4, h // 4), Image.LANCZOS),
        ("resize_200_bilinear", (w * 2, h * 2), Image.BILINEAR),
        ("resize_200_lanczos", (w * 2, h * 2), Image.LANCZOS),
    ]
    for name, size, flt in cases:
        img.resize(size, flt)
        times = []
        for _ in range(runs):
            t0 = time.perf_counter()
            img.resize(size, flt)
            times.append((time.perf_counter() - t0) * 1000.0)
        print(f"{name} {statistics.median(times):.2f}", flush=True)


if __name__ == "__main__":
    main()
