#!/usr/bin/env python3
"""The whole-process benchmark's parts: generated inputs compile cleanly, the floor lists what
it reads, and the runner times both and refuses a failing compile.

    python3 bench/test_whole_process.py --kvc KVC --floor BENCH_FLOOR --work SCRATCH
"""

import argparse
import filecmp
import json
import os
import shutil
import subprocess
import sys
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.dont_write_bytecode = True   # no __pycache__ in the source tree
import gen_recipe_bundle  # noqa: E402
import whole_process  # noqa: E402

LINES = 200
ARGS = None


def tree_files(root):
    found = []
    for folder, _, files in os.walk(root):
        found += [os.path.relpath(os.path.join(folder, f), root) for f in files]
    return sorted(found)


def entry_count(path):
    with open(path, encoding="utf-8") as table:
        return len(json.load(table))


class GeneratedInputs(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.inputs = os.path.join(ARGS.work, "inputs-%d" % LINES)
        gen_recipe_bundle.generate(LINES, cls.inputs)
        cls.bundle = os.path.join(cls.inputs, "bundle")
        cls.recipe = os.path.join(cls.inputs, "recipe.rcp")
        with open(cls.recipe, encoding="utf-8") as recipe:
            cls.recipe_lines = recipe.read().splitlines()

    def run_program(self, program, outdir, *extra, bundle=None):
        if os.path.exists(outdir):
            shutil.rmtree(outdir)
        return subprocess.run([program, "compile", bundle or self.bundle, self.recipe,
                               "-o", outdir, *extra], capture_output=True, timeout=30)

    def test_kvc_compiles_them_without_a_diagnostic(self):
        outdir = os.path.join(ARGS.work, "kvc-out")
        log = os.path.join(ARGS.work, "kvc-log.jsonl")
        result = self.run_program(ARGS.kvc, outdir, "--log-json", log)
        self.assertEqual(result.stderr.decode("utf-8", "replace"), "")
        self.assertEqual(result.returncode, 0)
        with open(log, encoding="utf-8") as calls:
            reports = [line for line in calls if line.startswith('{"op":"Report')]
        self.assertEqual(reports, [])
        with open(os.path.join(outdir, "program.rcp"), encoding="utf-8") as program:
            self.assertEqual(len(program.read().splitlines()), LINES)
        self.assertGreater(os.path.getsize(
            os.path.join(outdir, "appParameterDataVm", "binBytes.bin")), 0)

    def test_same_size_same_bytes_and_tables_grow_with_the_size(self):
        again = os.path.join(ARGS.work, "inputs-again")
        gen_recipe_bundle.generate(LINES, again)
        self.assertEqual(tree_files(again), tree_files(self.inputs))
        _, mismatch, errors = filecmp.cmpfiles(self.inputs, again, tree_files(again),
                                               shallow=False)
        self.assertEqual(mismatch + errors, [])

        larger = os.path.join(ARGS.work, "inputs-larger")
        gen_recipe_bundle.generate(20 * LINES, larger)
        for table in ["ingredient", "unit", "par", "functionParasValueDes", "logicTaskRelated"]:
            path = os.path.join("bundle", "appParameterDataLc", table + ".json")
            self.assertGreater(entry_count(os.path.join(larger, path)),
                               entry_count(os.path.join(self.inputs, path)), table)

    def test_a_large_recipe_compiles_to_the_same_bytes_with_its_heap_in_huge_pages(self):
        # 4,000 lines (some 330 KB) pass the size from which kvc sets its heap aside in huge
        # pages; glibc's own tunable, set to 0, turns that off. Nothing kvc writes may differ.
        inputs = os.path.join(ARGS.work, "inputs-huge")
        gen_recipe_bundle.generate(20 * LINES, inputs)
        recipe = os.path.join(inputs, "recipe.rcp")
        self.assertGreaterEqual(os.path.getsize(recipe), 256 * 1024)
        runs = []
        for name, tunables in [("reserved", None), ("plain", "glibc.malloc.hugetlb=0")]:
            env = dict(os.environ)
            env.pop("GLIBC_TUNABLES", None)
            if tunables:
                env["GLIBC_TUNABLES"] = tunables
            outdir = os.path.join(ARGS.work, "huge-" + name)
            if os.path.exists(outdir):
                shutil.rmtree(outdir)
            result = subprocess.run([ARGS.kvc, "compile", os.path.join(inputs, "bundle"),
                                     recipe, "-o", outdir], capture_output=True, timeout=60,
                                    env=env)
            self.assertEqual((result.returncode, result.stderr), (0, b""))
            runs.append((outdir, result.stdout))
        (reserved, listing), (plain, plain_listing) = runs
        self.assertEqual(listing, plain_listing)
        files = tree_files(reserved)
        self.assertEqual(files, tree_files(plain))
        _, mismatch, errors = filecmp.cmpfiles(reserved, plain, files, shallow=False)
        self.assertEqual(mismatch + errors, [])

    def test_every_line_has_a_task_and_large_sizes_keep_the_task_table_small(self):
        # The image's task table holds 64 KiB of records, some 12 bytes a task.
        for lines in [1, 199, 201, 100000, 800001, 1000000, 1000001, 3000000]:
            scale = gen_recipe_bundle.Scale(lines)
            self.assertLessEqual(scale.tasks, gen_recipe_bundle.MAX_TASKS, lines)
            self.assertLess((scale.tasks - 1) * scale.steps_per_task, lines)
            self.assertGreaterEqual(scale.tasks * scale.steps_per_task, lines)

    def test_cached_inputs_are_made_again_when_the_generator_changes(self):
        cache = os.path.join(ARGS.work, "stamp-cache")
        if os.path.exists(cache):
            shutil.rmtree(cache)
        folder = whole_process.ensure_inputs(5, cache)
        marker = os.path.join(folder, "bundle", "marker")
        open(marker, "w").close()
        self.assertEqual(whole_process.ensure_inputs(5, cache), folder)
        self.assertTrue(os.path.exists(marker))
        with open(os.path.join(folder, "generator.sha256"), "w") as stamp:
            stamp.write("an older generator\n")
        whole_process.ensure_inputs(5, cache)
        self.assertFalse(os.path.exists(marker))
        self.assertTrue(os.path.exists(os.path.join(folder, "recipe.rcp")))

    def test_floor_lists_every_line_and_writes_the_program(self):
        outdir = os.path.join(ARGS.work, "floor-out")
        result = self.run_program(ARGS.floor, outdir)
        self.assertEqual(result.returncode, 0, result.stderr)
        listing = result.stdout.decode("utf-8").splitlines()
        self.assertEqual(listing[:-1], ["餐饮语义分析后:" + line for line in self.recipe_lines])
        self.assertTrue(listing[-1].startswith("bench_floor: %d lines," % LINES), listing[-1])
        with open(os.path.join(outdir, "program.rcp"), encoding="utf-8") as program:
            self.assertEqual(program.read().splitlines(), self.recipe_lines)

    def test_floor_refuses_a_bundle_it_cannot_parse(self):
        broken = os.path.join(ARGS.work, "broken-bundle")
        if os.path.exists(broken):
            shutil.rmtree(broken)
        shutil.copytree(self.bundle, broken)
        with open(os.path.join(broken, "appParameterDataLc", "unit.json"), "a") as table:
            table.write("]")
        result = self.run_program(ARGS.floor, os.path.join(ARGS.work, "floor-broken"),
                                  bundle=broken)
        self.assertEqual(result.returncode, 2)
        self.assertIn(b"unit.json", result.stderr)

    def test_runner_prints_a_row_and_stops_at_a_failing_compile(self):
        runner = os.path.join(HERE, "whole_process.py")
        common = [sys.executable, runner, "--only", "--lines", str(LINES), "--repeat", "1",
                  "--floor", ARGS.floor, "--inputs", os.path.join(ARGS.work, "cache")]
        result = subprocess.run(common + ["--kvc", ARGS.kvc], capture_output=True, timeout=60)
        self.assertEqual(result.returncode, 0, result.stderr)
        table = result.stdout.decode("utf-8").splitlines()
        self.assertEqual(len(table), 3)
        cells = [cell.strip() for cell in table[2].strip("|").split("|")]
        self.assertEqual(cells[0], str(LINES))
        self.assertTrue(all(float(cell) > 0 for cell in cells[1:]), cells)

        one_line = subprocess.run(common + ["--kvc", ARGS.kvc, "--one-line"],
                                  capture_output=True, timeout=60)
        self.assertEqual(one_line.returncode, 0, one_line.stderr)
        row = one_line.stdout.decode("utf-8").splitlines()[2]
        self.assertEqual(row.strip("|").split("|")[0].strip(), "1 (bundle of %d)" % LINES)
        with open(os.path.join(ARGS.work, "cache", "lines-%d" % LINES, "first-line.rcp"),
                  "rb") as recipe:
            self.assertEqual(recipe.read().count(b"\n"), 1)

        failing = subprocess.run(common + ["--kvc", shutil.which("false")],
                                 capture_output=True, timeout=60)
        self.assertEqual(failing.returncode, 1)
        self.assertIn(b"exited with 1", failing.stderr)


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    parser.add_argument("--kvc", required=True)
    parser.add_argument("--floor", required=True)
    parser.add_argument("--work", required=True)
    ARGS, rest = parser.parse_known_args()
    os.makedirs(ARGS.work, exist_ok=True)
    unittest.main(argv=[sys.argv[0], *rest], verbosity=2)


if __name__ == "__main__":
    main()
