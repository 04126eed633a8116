#!/usr/bin/env python3
"""Times `kvc compile` against bench_floor, whole processes, on generated recipes and bundles.

    python3 bench/whole_process.py [--lines 1000000] [--build build/release] [--one-line]

Builds nothing: kvc and bench_floor come from the build folder. The inputs of each size are
generated once by bench/gen_recipe_bundle.py and kept under build/bench-inputs (made again when
the generator changes). kvc, the floor and the floor with its heap in huge pages (as kvc lays
out a large compile's) run in turns, each going first in turn, so that a slow patch of the
machine falls on all; each run's wall time and peak resident set (through GNU time) belong to
that child alone. The table gives the medians. With --one-line each bundle is compiled with
only its recipe's first line instead: the common case of a short recipe against a large
application, where the tables are most of the work. With --pause S each run starts after S
seconds of an idle machine, as a compile run now and then does: on a virtual machine whose free
memory goes back to the host a second or two after it is freed, runs back to back reuse the
memory of the run before and time something no one-off compile gets. A run that fails (an
exit status other than 0, anything on kvc's standard error) stops the benchmark: a timing of a
compile that reported errors measures the wrong thing. kvc runs with --time-report, whose
report on standard error gives the analysis's own time: the part of a compile that the library
does one call at a time, on the host's thread, beside the floor that the whole compile is
measured against.
"""

import argparse
import hashlib
import os
import shutil
import statistics
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
GENERATOR = os.path.join(HERE, "gen_recipe_bundle.py")
SIZES = [1000, 10000, 100000]
TIME = "/usr/bin/time"   # GNU time, Debian package time
REPORT_TITLE = "kvc: time report, wall-clock milliseconds"
ANALYSIS_PHASE = "analysis"


def repetitions(lines):
    return 5 if lines < 100000 else 3


class RunFailed(Exception):
    pass


def generator_stamp():
    with open(GENERATOR, "rb") as source:
        return hashlib.sha256(source.read()).hexdigest()


def ensure_inputs(lines, cache):
    """The folder holding bundle/ and recipe.rcp for lines, generated when missing or stale."""
    folder = os.path.join(cache, "lines-%d" % lines)
    stamp_file = os.path.join(folder, "generator.sha256")
    stamp = generator_stamp()
    if os.path.exists(stamp_file):
        with open(stamp_file, encoding="ascii") as existing:
            if existing.read().strip() == stamp:
                return folder
    if os.path.isdir(folder):
        shutil.rmtree(folder)
    subprocess.run([sys.executable, GENERATOR, str(lines), folder], check=True)
    with open(stamp_file, "w", encoding="ascii") as out:
        out.write(stamp + "\n")
    return folder


def split_time_report(stderr):
    """(the rest of stderr, the analysis's milliseconds or None) of a kvc run's standard error."""
    lines = stderr.splitlines(keepends=True)
    for at, line in enumerate(lines):
        if line.rstrip("\n") != REPORT_TITLE:
            continue
        analysis = None
        for phase in lines[at + 1:]:
            name, _, number = phase.strip().rpartition(" ")
            if name.strip() == ANALYSIS_PHASE:
                analysis = float(number)
        return "".join(lines[:at]), analysis
    return stderr, None


def run_once(command, outdir, timed=False):
    """(wall milliseconds, peak RSS in KiB, analysis milliseconds) of one run of command into a
    fresh outdir; the last is None unless timed, when command reports its phases.

    The peak comes from GNU time, not from this interpreter's wait4: a child forked from
    Python starts with Python's resident set counted as its own peak, which would put a floor
    of some 18 MB under every program measured.
    """
    if os.path.exists(outdir):
        shutil.rmtree(outdir)
    report = outdir + ".time"
    with open(os.devnull, "wb") as sink, open(outdir + ".stderr", "w+b") as errors:
        start = time.perf_counter()
        status = subprocess.call([TIME, "-f", "%M", "-o", report, *command, "-o", outdir],
                                 stdout=sink, stderr=errors)
        elapsed = time.perf_counter() - start
        errors.seek(0)
        complaint = errors.read().decode("utf-8", "replace")
    analysis = None
    if timed:
        complaint, analysis = split_time_report(complaint)
    if status != 0 or complaint:
        raise RunFailed("%s exited with %d\n%s" % (" ".join(command), status, complaint[:2000]))
    if timed and analysis is None:
        raise RunFailed("%s gave no time report of its analysis" % " ".join(command))
    with open(report, encoding="ascii") as lines:
        peak_kib = int(lines.read().split()[-1])
    return elapsed * 1000.0, peak_kib, analysis


def first_line_recipe(inputs):
    """A recipe of the first line of inputs' recipe, made next to it."""
    path = os.path.join(inputs, "first-line.rcp")
    with open(os.path.join(inputs, "recipe.rcp"), "rb") as whole, open(path, "wb") as out:
        out.write(whole.readline())
    return path


def measure(lines, inputs, kvc, floor, scratch, reps, recipe=None, pause=0.0):
    bundle = os.path.join(inputs, "bundle")
    recipe = recipe or os.path.join(inputs, "recipe.rcp")
    programs = [("kvc", [kvc, "compile", bundle, recipe, "--time-report"]),
                ("floor", [floor, "compile", bundle, recipe]),
                ("floor-huge", [floor, "--huge-pages", "compile", bundle, recipe])]
    samples = {name: [] for name, _ in programs}
    for round_number in range(reps):
        # Each program goes first in turn, so that none always runs on a machine its
        # predecessor warmed or left busy.
        shift = round_number % len(programs)
        order = programs[shift:] + programs[:shift]
        for name, command in order:
            outdir = os.path.join(scratch, "%s-%d" % (name, lines))
            time.sleep(pause)
            samples[name].append(run_once(command, outdir, timed=name == "kvc"))
    return summarize(lines, samples)


def summarize(lines, samples):
    """One table row from the runs' (ms, KiB) samples: medians of each."""
    def median_ms(name):
        return statistics.median(ms for ms, _, _ in samples[name])

    def median_mb(name):
        return statistics.median(kib for _, kib, _ in samples[name]) / 1024.0

    kvc_ms = median_ms("kvc")
    floor_ms = median_ms("floor")
    huge_ms = median_ms("floor-huge")
    analysis_ms = statistics.median(analysis for _, _, analysis in samples["kvc"])
    return {
        "lines": str(lines),
        "kvc_ms": kvc_ms,
        "floor_ms": floor_ms,
        "ratio": kvc_ms / floor_ms if floor_ms > 0 else float("inf"),
        "analysis_ms": analysis_ms,
        "analysis_ratio": analysis_ms / floor_ms if floor_ms > 0 else float("inf"),
        "huge_ms": huge_ms,
        "huge_ratio": kvc_ms / huge_ms if huge_ms > 0 else float("inf"),
        "kvc_mb": median_mb("kvc"),
        "floor_mb": median_mb("floor"),
    }


def format_table(rows):
    header = ("| lines | kvc median ms | floor median ms | ratio | kvc's analysis ms "
              "| analysis to floor | floor in huge pages ms | ratio to it | kvc peak RSS MB "
              "| floor peak RSS MB |")
    lines = [header, "|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|"]
    for row in rows:
        lines.append("| %s | %.0f | %.0f | %.1f | %.1f | %.1f | %.0f | %.1f | %.1f | %.1f |" % (
            row["lines"], row["kvc_ms"], row["floor_ms"], row["ratio"], row["analysis_ms"],
            row["analysis_ratio"], row["huge_ms"], row["huge_ratio"], row["kvc_mb"],
            row["floor_mb"]))
    return "\n".join(lines)


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", default=os.path.join(ROOT, "build", "release"),
                        help="build folder holding bin/kvc and bin/bench_floor")
    parser.add_argument("--lines", type=int, action="append",
                        help="a recipe size to add to 1000, 10000 and 100000 (repeatable)")
    parser.add_argument("--only", action="store_true",
                        help="time only the sizes given with --lines")
    parser.add_argument("--one-line", action="store_true",
                        help="compile only the first line of each recipe, against its whole bundle")
    parser.add_argument("--repeat", type=int, help="runs of each program per size")
    parser.add_argument("--pause", type=float, default=0.0,
                        help="seconds of idle machine before each run (3 for one-off compiles)")
    parser.add_argument("--kvc", help="the kvc to time (default: BUILD/bin/kvc)")
    parser.add_argument("--floor", help="the floor to time (default: BUILD/bin/bench_floor)")
    parser.add_argument("--inputs", help="input cache (default: BUILD/../bench-inputs)")
    args = parser.parse_args(argv)

    build = os.path.abspath(args.build)
    kvc = args.kvc or os.path.join(build, "bin", "kvc")
    floor = args.floor or os.path.join(build, "bin", "bench_floor")
    for program in (kvc, floor):
        if not os.access(program, os.X_OK):
            sys.stderr.write("%s is missing: build first with\n  cmake --preset release && "
                             "cmake --build --preset release -j2\n" % program)
            return 2
    if not os.access(TIME, os.X_OK):
        sys.stderr.write("%s is missing: apt-get install time\n" % TIME)
        return 2
    cache = args.inputs or os.path.join(os.path.dirname(build), "bench-inputs")
    scratch = os.path.join(cache, "outputs")
    os.makedirs(scratch, exist_ok=True)

    sizes = [] if args.only else list(SIZES)
    sizes += [n for n in (args.lines or []) if n not in sizes]
    rows = []
    for lines in sorted(sizes):
        inputs = ensure_inputs(lines, cache)
        recipe = first_line_recipe(inputs) if args.one_line else None
        try:
            row = measure(lines, inputs, kvc, floor, scratch, args.repeat or repetitions(lines),
                          recipe, args.pause)
        except RunFailed as failure:
            sys.stderr.write("%d lines: %s\n" % (lines, failure))
            return 1
        if args.one_line:
            row["lines"] = "1 (bundle of %d)" % lines
        rows.append(row)
    print(format_table(rows))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
