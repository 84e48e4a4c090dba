#!/usr/bin/env python3
"""Prints one table: Huewright's times beside its peers', every case on the same single core
(taskset), medians of 15 runs, on the photo-like picture of photo_picture.hpp.

Usage: ratios.py BUILD_DIR [--core N] [--runs N]
BUILD_DIR is the Release build with the benchmarks (scripts/bench makes it). The start-up case
runs under a virtual display of its own (xvfb-run), the display server on the same core. The mouse
move case runs both sides on the core against one display server pinned to another core, as a
client and the server of a real display run side by side.
"""
import argparse
import json
import os
import re
import shutil
import statistics
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
XVFB = ["xvfb-run", "-a", "-s", "-screen 0 1280x800x24 -dpi 96 -noreset"]
SYSTEM_PYTHON = "/usr/bin/python3"  # the one python3-pil is installed for


class Bench:
    def __init__(self, build, core, runs, work):
        self.build = build
        self.core = str(core)
        self.runs = runs
        self.work = work
        self.env = dict(os.environ)
        runtime = os.path.join(work, "runtime")
        os.makedirs(runtime, mode=0o700, exist_ok=True)
        home = os.path.join(work, "home")
        os.makedirs(home, exist_ok=True)
        self.env.update(XDG_RUNTIME_DIR=runtime, HOME=home, VIPS_CONCURRENCY="1")

    def exe(self, *parts):
        return os.path.join(self.build, *parts)

    def run(self, cmd, x11=False, env=None, cwd=None):
        """Runs `cmd` pinned to the core (with its own display when x11); returns stdout."""
        full = ["taskset", "-c", self.core] + (XVFB if x11 else []) + cmd
        e = dict(self.env)
        e.update(env or {})
        res = subprocess.run(full, capture_output=True, text=True, env=e, cwd=cwd or self.work)
        if res.returncode != 0:
            raise RuntimeError(f"{' '.join(cmd)} failed ({res.returncode}):\n{res.stderr[-2000:]}")
        return res.stdout

    def other_core(self):
        """A core of this process's set other than the measured one (the same one if it is alone)."""
        others = sorted(c for c in os.sched_getaffinity(0) if str(c) != self.core)
        return str(others[-1]) if others else self.core

    def start_display(self):
        """Starts Xvfb pinned to another core; returns (process, display name)."""
        rfd, wfd = os.pipe()
        server = subprocess.Popen(["taskset", "-c", self.other_core(), "Xvfb", "-displayfd", str(wfd), "-screen", "0",
                                   "1280x800x24", "-dpi", "96", "-noreset", "-nolisten", "tcp"],
                                  pass_fds=(wfd,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(wfd)
        number = b""
        while not number.endswith(b"\n"):
            chunk = os.read(rfd, 16)
            if not chunk:
                break
            number += chunk
        os.close(rfd)
        if not number.strip():
            server.kill()
            raise RuntimeError("Xvfb did not start")
        return server, ":" + number.decode().strip()

    def gbench(self, exe, pattern, x11=False, env=None, repetitions=True):
        """Medians (ms) of a Google Benchmark executable's cases matching `pattern`."""
        args = [exe, f"--benchmark_filter={pattern}", "--benchmark_format=json", "--benchmark_color=false"]
        if repetitions:
            args += [f"--benchmark_repetitions={self.runs}", "--benchmark_report_aggregates_only=true"]
        out = self.run(args, x11=x11, env=env)
        medians = {}
        if "{" not in out:  # a benchmark with a console reporter of its own (and its colours)
            out = re.sub(r"\x1b\[[0-9;]*m", "", out)
            for m in re.finditer(r"^(BM_\S+?)_median\s+([\d.]+) (ns|us|ms|s)\b", out, re.M):
                medians[m.group(1)] = float(m.group(2)) * {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[m.group(3)]
            return medians
        out = out[out.index("{"):]
        for b in json.loads(out)["benchmarks"]:
            if b.get("aggregate_name") != "median":
                continue
            ms = b["real_time"] * {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[b.get("time_unit", "ns")]
            medians[b["run_name"]] = ms
        return medians


def find(medians, prefix):
    for name, ms in medians.items():
        if name.startswith(prefix):
            return ms
    raise KeyError(prefix)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("build")
    ap.add_argument("--core", type=int, default=None)
    ap.add_argument("--runs", type=int, default=15)
    ap.add_argument("--skip", default="", help="comma-separated rows to leave out: resize,start,move,rss,zoom,jpeg")
    a = ap.parse_args()
    build = os.path.abspath(a.build)
    core = a.core if a.core is not None else max(os.sched_getaffinity(0))
    skip = set(filter(None, a.skip.split(",")))
    work = tempfile.mkdtemp(prefix="hw-bench-")
    b = Bench(build, core, a.runs, work)
    rows = []  # (task, ours, peer, ratio, goal text, goal test)

    def row(task, ours, peer, ratio, goal, ok):
        rows.append((task, ours, peer, ratio, goal, ok))
        print(f"  measured: {task}", file=sys.stderr, flush=True)

    try:
        photo = os.path.join(work, "photo.ppm")
        subprocess.run([b.exe("bench", "photo_ppm"), "4000", "3000", photo, "1"], check=True)

        if "resize" not in skip:
            ours = b.gbench(b.exe("bench", "bench_transforms"), r"BM_resize_(25|200)_(bilinear|lanczos)/")
            vips = {}
            for line in b.run([b.exe("bench", "vips_peer"), photo, str(a.runs)]).splitlines():
                name, ms = line.split()
                vips[name] = float(ms)
            pil = {}
            for line in b.run([SYSTEM_PYTHON, os.path.join(HERE, "pillow_peer.py"), photo, str(a.runs)]).splitlines():
                name, ms = line.split()
                pil[name] = float(ms)
            for f, label in (("bilinear", "bilinear"), ("lanczos", "Lanczos")):
                o = find(ours, f"BM_resize_25_{f}/")
                p = vips[f"reduce_25_{f}"]
                row(f"resize to 25 %, {label}", f"{o:.1f} ms", f"libvips reduce, 1 thread: {p:.1f} ms", o / p,
                    "<= 1.0", o / p <= 1.0)
            for f, label in (("bilinear", "bilinear"), ("lanczos", "Lanczos")):
                o = find(ours, f"BM_resize_200_{f}/")
                p = pil[f"resize_200_{f}"]
                row(f"resize to 200 %, {label}", f"{o:.0f} ms", f"Pillow: {p:.0f} ms", o / p, "<= 0.5", o / p <= 0.5)
            extra = ("The libvips peer is vips_reduce (= vips resize --gap 0): two separable passes of the kernel "
                     "widened by the factor, as ours.\n"
                     f"For information: vips_resize with its default gap (a box shrink first) "
                     f"{vips['resize_25_bilinear']:.1f} / {vips['resize_25_lanczos']:.1f} ms; Pillow to 25 % "
                     f"{pil['resize_25_bilinear']:.1f} / {pil['resize_25_lanczos']:.1f} ms.")
        else:
            extra = ""

        if "start" not in skip:
            program = b.exe("app", "huewright")
            ours = float(b.run([b.exe("bench", "first_window"), str(a.runs), program], x11=True,
                               env={"QT_QPA_PLATFORM": "xcb"}).split()[0])
            if shutil.which("gpick"):
                peer = float(b.run([b.exe("bench", "first_window"), str(a.runs), "gpick"], x11=True).split()[0])
                row("start to first window (Xvfb)", f"{ours:.0f} ms", f"gpick: {peer:.0f} ms", ours / peer, "<= 1.0",
                    ours / peer <= 1.0)
            else:
                row("start to first window (Xvfb)", f"{ours:.0f} ms", "gpick missing", None, "<= 1.0", False)

        if "move" not in skip:
            # Both sides per move: pointer warp, pointer query, one-pixel read of the root window,
            # the readout's two areas painted and on the screen before the next move.
            server, display = b.start_display()
            try:
                ours = b.gbench(b.exe("bench", "bench_pick_bench"), "BM_MouseMoveOverView",
                                env={"QT_QPA_PLATFORM": "xcb", "DISPLAY": display}, repetitions=False)
                o = find(ours, "BM_MouseMoveOverView")
                p = float(b.run([b.exe("bench", "xlib_readout"), str(a.runs), "1000"],
                                env={"DISPLAY": display}).split()[0])
            finally:
                server.terminate()
                server.wait()
            row(f"mouse move to repainted readout (Xvfb on cpu {b.other_core()})", f"{o:.3f} ms",
                f"minimal Xlib client: {p:.3f} ms", o / p, "<= 1.5", o / p <= 1.5)

        if "rss" not in skip:
            big = os.path.join(work, "big.ppm")
            jpeg = os.path.join(work, "big.jpg")
            subprocess.run([b.exe("bench", "photo_ppm"), "6000", "4000", big, "2"], check=True)
            subprocess.run(["convert", big, "-quality", "90", jpeg], check=True)
            os.remove(big)
            idle, after, peak = (float(v) for v in b.run([b.exe("bench", "open_rss"), jpeg], x11=True,
                                                          env={"QT_QPA_PLATFORM": "xcb"}).split()[:3])
            pixels = 6000 * 4000 * 3 / 1048576.0
            ratio = (after - idle) / pixels
            row("RSS after opening a 6000 x 4000 JPEG", f"{after:.0f} MB (peak {peak:.0f})",
                f"idle {idle:.0f} MB + picture {pixels:.0f} MB", ratio, "<= idle + 1.5x picture", ratio <= 1.5)

        if "zoom" not in skip:
            ours = b.gbench(b.exe("bench", "bench_picture_view_bench"), "BM_ZoomTo/",
                            env={"QT_QPA_PLATFORM": "offscreen"})
            sizes = [4000 * 3000 * 4 * f * f for f in (1, 2, 4)]
            copies = {}
            for line in b.run([b.exe("bench", "plain_copy"), str(a.runs)] + [str(s) for s in sizes]).splitlines():
                n, ms = line.split()
                copies[int(n)] = float(ms)
            for f, size in zip((1, 2, 4), sizes):
                o = find(ours, f"BM_ZoomTo/{100 * f}/")
                p = copies[size]
                row(f"zoom step to {100 * f} %", f"{o:.1f} ms", f"memcpy of {size >> 20} MB: {p:.1f} ms", o / p,
                    "<= 2.0", o / p <= 2.0)

        if "jpeg" not in skip:
            ours = b.gbench(b.exe("bench", "bench_codec_bench"), "BM_JpegEncode_", repetitions=False)
            o = find(ours, "BM_JpegEncode_FormatClass")
            p = find(ours, "BM_JpegEncode_FreeImage")
            row("JPEG encode q90", f"{o:.1f} ms", f"FreeImage alone: {p:.1f} ms", o / p, "<= 1.1", o / p <= 1.1)
    finally:
        shutil.rmtree(work, ignore_errors=True)

    print(f"\nHuewright against its peers: one core (cpu {core}, taskset), medians of {a.runs} runs, "
          f"4000 x 3000 photo-like picture")
    w = max([len("task")] + [len(r[0]) for r in rows])
    w2 = max([len("Huewright")] + [len(r[1]) for r in rows])
    w3 = max([len("peer")] + [len(r[2]) for r in rows])
    w5 = max([len("goal")] + [len(r[4]) for r in rows])
    print(f"| {'task':{w}} | {'Huewright':{w2}} | {'peer':{w3}} | ratio | {'goal':{w5}} | met |")
    print(f"|{'-' * (w + 2)}|{'-' * (w2 + 2)}|{'-' * (w3 + 2)}|-------|{'-' * (w5 + 2)}|-----|")
    for task, ours, peer, ratio, goal, ok in rows:
        r = f"{ratio:5.2f}" if ratio is not None else "   - "
        print(f"| {task:{w}} | {ours:{w2}} | {peer:{w3}} | {r} | {goal:{w5}} | {'yes' if ok else 'no ':3} |")
    if extra:
        print(extra)
    return 0


if __name__ == "__main__":
    sys.exit(main())
