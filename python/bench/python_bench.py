#!/usr/bin/env python3
"""What the Python module costs over the C++ it wraps, as ratios within one run.

    python/bench/python_bench.py [BUILD_DIR] [--runs N] [--scale X]

BUILD_DIR (default build/release) must hold the module, tintsurvey, mkportal
and micro_bench; run it with the interpreter the module was built for (the
configure step names it). Writes `mkportal large` at scale X (default 1) under
/tmp and deletes it afterwards, then with a warm page cache and the two taking
turns N times (default 5):

- survey: bd.Archive(path).survey() in this process, and again in a new
  interpreter each time, against a whole tintsurvey run on the same archive
  (which also writes its report); all open the archive.
- rgba: a.rgba(t) of a 2048 x 2048 DXT1 texture against micro_bench's
  BM_DecompressDxt1 (the C++ decode of the same size, blocks drawn the same way).

Prints medians of wall and CPU time and the ratios Python / C++.
"""

import argparse
import json
import pathlib
import random
import resource
import shutil
import statistics
import struct
import subprocess
import sys
import tempfile
import time

DXT1 = 0x31545844
SIDE = 2048


def parse_args():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("build_dir", nargs="?", default="build/release", type=pathlib.Path)
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--scale", default="1")
    return parser.parse_args()


def children_cpu():
    usage = resource.getrusage(resource.RUSAGE_CHILDREN)
    return usage.ru_utime + usage.ru_stime


def timed_tintsurvey(tintsurvey, archive, out):
    wall, cpu = time.perf_counter(), children_cpu()
    subprocess.run([tintsurvey, "--portal-dat", archive, "--out", out], check=True,
                   stderr=subprocess.DEVNULL)
    return time.perf_counter() - wall, children_cpu() - cpu


def timed_python_survey(build, archive):
    """survey() in a fresh interpreter, which pays for its start as tintsurvey does."""
    script = ("import sys; sys.path.insert(0, sys.argv[1]); import brackwater_dat as bd; "
              "bd.Archive(sys.argv[2]).survey()")
    wall, cpu = time.perf_counter(), children_cpu()
    subprocess.run([sys.executable, "-c", script, build / "python", archive], check=True)
    return time.perf_counter() - wall, children_cpu() - cpu


def timed(work):
    wall, cpu = time.perf_counter(), time.process_time()
    result = work()
    return (time.perf_counter() - wall, time.process_time() - cpu), result


def survey(bd, archive):
    with bd.Archive(archive) as a:
        return a.survey()


def dxt1_texture_record():
    """A Texture record of random DXT1 blocks: endpoints mostly in four-colour
    order, one block in eight in three-colour order, random indices."""
    rng = random.Random(20240607)
    blocks = bytearray()
    for _ in range((SIDE // 4) ** 2):
        c0, c1 = rng.getrandbits(16), rng.getrandbits(16)
        if c0 < c1:
            c0, c1 = c1, c0
        if rng.randrange(8) == 0:
            c0, c1 = c1, c0
        blocks += struct.pack("<HHI", c0, c1, rng.getrandbits(32))
    return struct.pack("<IIiiIi", 0x06FFFFFF, 0, SIDE, SIDE, DXT1, len(blocks)) + blocks


def cpp_dxt1_ms(micro_bench, runs):
    done = subprocess.run(
        [micro_bench, "--benchmark_filter=^BM_DecompressDxt1$", "--benchmark_format=json",
         f"--benchmark_repetitions={runs}", "--benchmark_report_aggregates_only=true"],
        check=True, capture_output=True, text=True)
    rows = {row["aggregate_name"]: row for row in json.loads(done.stdout)["benchmarks"]
            if row.get("run_type") == "aggregate"}
    return rows["median"]["real_time"], rows["median"]["cpu_time"]


def line(name, python, cpp):
    print(f"{name:20} python {python[0] * 1e3:8.2f} ms wall {python[1] * 1e3:8.2f} ms CPU | "
          f"C++ {cpp[0] * 1e3:8.2f} ms wall {cpp[1] * 1e3:8.2f} ms CPU | "
          f"ratio {python[0] / cpp[0]:.3f} wall {python[1] / cpp[1]:.3f} CPU")


def medians(samples):
    return tuple(statistics.median(s[i] for s in samples) for i in range(2))


def main():
    args = parse_args()
    build = args.build_dir.resolve()
    sys.path.insert(0, str(build / "python"))
    import brackwater_dat as bd

    tintsurvey = build / "apps/tintsurvey/tintsurvey"
    work = pathlib.Path(tempfile.mkdtemp(prefix="bd-bench-", dir="/tmp"))
    try:
        archive, report = work / "large.dat", work / "report.json"
        subprocess.run([build / "tools/portal-fixture/mkportal", "large", archive, "--scale",
                        args.scale], check=True)
        # Warm the page cache and check that both give the same colours.
        timed_tintsurvey(tintsurvey, archive, report)
        with open(report) as f:
            expected = {int(k, 16): tuple(v) for k, v in json.load(f).items()}
        assert survey(bd, archive) == expected, "survey() differs from tintsurvey"

        py_runs, fresh_runs, cpp_runs = [], [], []
        for _ in range(args.runs):
            cpp_runs.append(timed_tintsurvey(tintsurvey, archive, report))
            py_runs.append(timed(lambda: survey(bd, archive))[0])
            fresh_runs.append(timed_python_survey(build, archive))
        line("survey", medians(py_runs), medians(cpp_runs))
        line("survey, new process", medians(fresh_runs), medians(cpp_runs))

        texture = bd.Texture.unpack(dxt1_texture_record())
        with bd.Archive(archive) as a:
            a.rgba(texture)
            rgba_runs = [timed(lambda: a.rgba(texture))[0] for _ in range(args.runs * 4)]
        cpp_wall, cpp_cpu = cpp_dxt1_ms(build / "bench/micro_bench", args.runs)
        line("rgba", medians(rgba_runs), (cpp_wall / 1e3, cpp_cpu / 1e3))
    finally:
        shutil.rmtree(work)


if __name__ == "__main__":
    main()
