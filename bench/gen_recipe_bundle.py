#!/usr/bin/env python3
"""Writes a recipe of N lines and an application bundle it compiles cleanly against.

    python3 bench/gen_recipe_bundle.py N OUTDIR

OUTDIR receives bundle/ (the layout of examples/braised-chicken/bundle) and recipe.rcp. Every
recipe line is a step of a task with a time point, calls with units, a choice and `#`
references to cooking parameters. The tables grow with N: one logic row per line, and
ingredients, units, cooking parameters and function descriptors in proportion to N. The output
depends on N alone (the one random generator has a fixed seed), so that timings of the same N
compare.
"""

import argparse
import json
import os
import random
import shutil
import sys

SEED = 20240611
STEPS_PER_TASK = 200   # 100k lines -> 500 tasks
# The VM's task table holds at most 64 KiB of records: past this many tasks, tasks grow longer.
MAX_TASKS = 4000

# The fixed tables of the bundle, shaped like the braised-chicken example.
BS_TYPES = [
    {"name": "temperature", "nameDesc": "温度", "dataType": "float", "unit": "℃"},
    {"name": "duration", "nameDesc": "时长", "dataType": "int", "unit": "s"},
    {"name": "weight", "nameDesc": "重量", "dataType": "float", "unit": "g"},
    {"name": "volume", "nameDesc": "容量", "dataType": "float", "unit": "ml"},
    {"name": "speed", "nameDesc": "转速", "dataType": "int", "unit": "rpm"},
    {"name": "count", "nameDesc": "编号", "dataType": "int", "unit": ""},
    {"name": "material-id", "nameDesc": "食材", "dataType": "int", "unit": ""},
    {"name": "res-id", "nameDesc": "器具", "dataType": "int", "unit": ""},
    {"name": "char", "nameDesc": "档位", "dataType": "char", "unit": ""},
]
BASE_UNITS = [
    ("g", "克", "g", 1), ("kg", "千克", "g", 1000), ("ml", "毫升", "ml", 1),
    ("l", "升", "ml", 1000), ("s", "秒", "s", 1), ("min", "分钟", "s", 60),
    ("℃", "摄氏度", "℃", 1), ("rpm", "转每分", "rpm", 1),
]
# The bases extra units are made for, and the largest ratio each keeps in its call's range.
EXTRA_UNIT_BASES = [("g", "重量单位", 9), ("ml", "容量单位", 9), ("s", "时长单位", 30)]
LEVELS = {"low": "1", "mid": "2", "high": "3"}
LEVEL_NAMES = {"low": "小火", "mid": "中火", "high": "大火"}

BASE_FUNCTIONS = [
    # name, device index, method path, parameters (name, data type, scope or None)
    ("heat", 0, "wok.heater.setHeat", [("temp", "temperature", ["0", "250"]),
                                        ("time", "duration", ["0", "7200"])]),
    ("stir", 1, "wok.stirrer.setSpeed", [("speed", "speed", ["0", "200"])]),
    ("add", 2, "wok.feeder.feedSolid", [("material", "material-id", None),
                                        ("weight", "weight", ["0", "5000"])]),
    ("pour", 3, "wok.pump.feedLiquid", [("material", "material-id", None),
                                        ("volume", "volume", ["0", "3000"])]),
    ("cover", 4, "wok.lid.close", [("lid", "res-id", None)]),
    ("uncover", 4, "wok.lid.open", [("lid", "res-id", None)]),
    ("fire", 0, "wok.heater.setLevel", [("level", "char", None)]),
]


class Scale:
    """How many entries each growing table gets for n recipe lines."""

    def __init__(self, lines):
        self.lines = lines
        self.tasks = min(MAX_TASKS, -(-lines // STEPS_PER_TASK))
        self.steps_per_task = -(-lines // self.tasks)
        self.tasks = -(-lines // self.steps_per_task)
        self.ingredients = max(16, lines // 6)
        self.units = max(3, lines // 1000)
        self.cook_pars = max(8, lines // 40)
        self.level_pars = min(64, 2 + lines // 2000)   # they go into the VM's par table
        self.functions = max(4, lines // 400)


def unit_name(index):
    """u and the index in letters: no digit can run into the number before it."""
    letters = ""
    index += 26
    while index:
        index, rest = divmod(index, 26)
        letters = chr(ord("a") + rest) + letters
    return "u" + letters


def ingredient_name(index):
    return "食材%d" % index


def extra_units(scale):
    """(name, Chinese name, base, ratio) of every generated unit."""
    units = []
    for i in range(scale.units):
        base, chinese, largest = EXTRA_UNIT_BASES[i % len(EXTRA_UNIT_BASES)]
        units.append((unit_name(i), "%s%d号" % (chinese, i), base, 2 + i % (largest - 1)))
    return units


def extra_functions(scale):
    """op<i>(speed, time) on devices past the wok's own, each with its own method."""
    functions = []
    for i in range(scale.functions):
        functions.append(("op%d" % i, 5 + i % 11, "wok.aux%d.run%d" % (i % 11, i),
                          [("speed", "speed", ["0", "200"]), ("time", "duration", ["0", "7200"])]))
    return functions


def cook_par_values(index):
    """A numeric cooking parameter: speeds for even indices, durations for odd ones."""
    if index % 2 == 0:
        return ["%d" % (20 + index % 90), "%d" % (110 + index % 90)]
    return ["%dmin" % (1 + index % 20), "%ds" % (30 + index % 500)]


class Recipe:
    """Writes the recipe line by line and records what each line needs from the tables."""

    def __init__(self, scale, rng, units):
        self.scale = scale
        self.rng = rng
        self.units_of_base = {}     # base unit -> the generated units measured in it
        for unit in units:
            self.units_of_base.setdefault(unit[2], []).append(unit)
        self.logic_rows = {}        # task id -> logic rows of its lines
        self.task_of_line = {}      # line number -> task id
        self.task_steps = {}        # task id -> step count
        self.task_timer = {}        # task id -> the timer its first step starts

    def unit_value(self, base, largest):
        """A quantity in one of the generated units of base, within largest base units."""
        candidates = self.units_of_base[base]
        name, _, _, ratio = candidates[self.rng.randrange(len(candidates))]
        return "%d%s" % (self.rng.randint(1, max(1, largest // ratio)), name)

    def calls(self, step):
        rng = self.rng
        s = self.scale
        a = ingredient_name(rng.randrange(s.ingredients))
        b = ingredient_name(rng.randrange(s.ingredients))
        calls = []
        kind = step % 4
        if kind == 0:
            calls.append("heat(%d, %dmin)" % (rng.randint(60, 240), rng.randint(1, 30)))
            calls.append("add(%s, %s)" % (a, self.unit_value("g", 200)))
            calls.append("stir(#cp%d)" % (2 * rng.randrange(s.cook_pars // 2)))
        elif kind == 1:
            calls.append("pour(%s, %dml)" % (a, rng.randint(5, 900)))
            calls.append("heat(%d, #cp%d)" % (rng.randint(60, 240),
                                               2 * rng.randrange(s.cook_pars // 2) + 1))
            calls.append("fire(%s)" % rng.choice(sorted(LEVELS)))
        elif kind == 2:
            calls.append("op%d(#cp%d, %s)" % (rng.randrange(s.functions),
                                              2 * rng.randrange(s.cook_pars // 2),
                                              self.unit_value("s", 600)))
            calls.append("add(%s, 0.%dkg)" % (b, rng.randint(1, 9)))
            calls.append("fire(#lvl%d)" % rng.randrange(s.level_pars))
        else:
            calls.append("pour(%s, %s)" % (b, self.unit_value("ml", 300)))
            calls.append("stir(%d)" % rng.randint(0, 200))
            calls.append("fire(%s)" % LEVELS[rng.choice(sorted(LEVELS))])
        return calls, [a, b] if kind in (0, 3) else [a] if kind == 1 else [b]

    def line(self, number):
        index = number - 1
        task_number = index // self.scale.steps_per_task + 1
        task = "t%d" % task_number
        step = index % self.scale.steps_per_task + 1
        calls, materials = self.calls(step)
        if step == 1:
            timer = 1 + (task_number - 1) % 8
            self.task_timer[task] = timer
            condition = "time >= 0, pot.temp >= %d" % self.rng.randint(20, 200)
            calls = ["uncover(锅盖)", "starttimer(%d)" % timer] + calls[:1]
        else:
            condition = "time >= %d" % (step * 30)
        text = "%s => task_%s = %d; %s" % (condition, task, step, "; ".join(calls))
        if step % 5 == 0:
            text += "   // 第%d步" % step
        self.task_of_line[number] = task
        self.task_steps[task] = step
        self.logic_rows.setdefault(task, []).append({
            "logicNo": number,
            "visibleStep": step,
            "visibleId": task_number * 10000 + step,
            "materialList": [{"name": m, "quantity": "%dg" % self.rng.randint(1, 500)}
                             for m in materials],
        })
        return text


def dump(path, value, rows_per_line=False):
    """Writes value as JSON; lists and maps of rows get one entry per line, as people write them."""
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", encoding="utf-8", newline="\n") as out:
        if not rows_per_line:
            json.dump(value, out, ensure_ascii=False, indent=2)
        elif isinstance(value, list):
            out.write("[\n")
            out.write(",\n".join("  " + json.dumps(v, ensure_ascii=False) for v in value))
            out.write("\n]")
        else:
            out.write("{\n")
            out.write(",\n".join("  %s: %s" % (json.dumps(k, ensure_ascii=False),
                                                json.dumps(v, ensure_ascii=False))
                                 for k, v in value.items()))
            out.write("\n}")
        out.write("\n")


def descriptor(name, parameters):
    pars = []
    for par_name, data_type, scope in parameters:
        entry = {"name": par_name, "dataType": data_type}
        if scope is not None:
            entry["scope"] = scope
        if data_type == "char":
            entry["select"] = LEVELS
        pars.append(entry)
    return {"functionName": name, "functionEName": name, "par": pars}


def write_bundle(root, scale, recipe, units, functions):
    lc = os.path.join(root, "appParameterDataLc")
    vm = os.path.join(root, "appParameterDataVm")
    tasks = ["t%d" % (i + 1) for i in range(scale.tasks)]

    dump(os.path.join(lc, "appConfig.json"), {"recipeVersion": "2.3", "appName": "基准菜谱",
                                              "appVersion": "1.0.0", "productCode": "8801"})
    dump(os.path.join(lc, "bsType.json"), BS_TYPES, rows_per_line=True)
    dump(os.path.join(lc, "functionParasValueDes.json"),
         {name: descriptor(name, pars) for name, _, _, pars in functions}, rows_per_line=True)
    dump(os.path.join(lc, "ingredient.json"),
         [{"code": str(100000 + i), "name": ingredient_name(i)} for i in range(scale.ingredients)],
         rows_per_line=True)
    dump(os.path.join(lc, "resource.json"), [{"code": "2001", "name": "锅盖", "type": "lid"},
                                             {"code": "2002", "name": "炒锅", "type": "pot"}],
         rows_per_line=True)
    dump(os.path.join(lc, "unit.json"),
         [{"srcename": n, "srccname": c, "base": b, "ratio": r, "offset": 0}
          for n, c, b, r in units], rows_per_line=True)
    par = {"cp%d" % i: cook_par_values(i) for i in range(scale.cook_pars)}
    for j in range(scale.level_pars):
        par["lvl%d" % j] = sorted(LEVELS.values())
    dump(os.path.join(lc, "par.json"), par, rows_per_line=True)
    dump(os.path.join(lc, "oral.json"),
         [{"id": str(i + 1), "name": "cp%d" % i, "alias": "口令%d" % i,
           "value": float(cook_par_values(i)[0].rstrip("mins")),
           "unit": "rpm" if i % 2 == 0 else "min", "productCode": [8801]}
          for i in range(scale.cook_pars)], rows_per_line=True)
    dump(os.path.join(lc, "variableValueDes.json"),
         {"pot.temp": {"variableName": "pot.temp", "dataType": "temperature",
                       "scope": ["0", "300"]}})
    dump(os.path.join(lc, "logicTaskRelated.json"),
         {str(n): t for n, t in recipe.task_of_line.items()}, rows_per_line=True)
    for task, rows in recipe.logic_rows.items():
        dump(os.path.join(lc, "logicInfo", task + ".json"), rows, rows_per_line=True)

    dump(os.path.join(vm, "appObject.json"), {"1": {"taskIdList": tasks[:8]},
                                              "2": {"taskIdList": tasks[:4]},
                                              "3": {"taskIdList": tasks[:2]}})
    dump(os.path.join(vm, "appPar.json"),
         {"lvl%d" % j: {"attachKeys": sorted(LEVELS),
                        "attachData": {k: {"src": LEVEL_NAMES[k], "dst": v}
                                       for k, v in sorted(LEVELS.items())}}
          for j in range(scale.level_pars)}, rows_per_line=True)
    dump(os.path.join(vm, "appVariable.json"), [
        {"appKey": "1.temp", "dataType": 3, "defaultValue": "25", "eventType": 1},
        {"appKey": "1.speed", "dataType": 2, "defaultValue": "0", "eventType": 1},
        {"appKey": "2.lidState", "dataType": 1, "defaultValue": "0", "eventType": 1},
        {"appKey": "3.weight", "dataType": 3, "defaultValue": "0", "eventType": 0},
        {"appKey": "-1.dishName", "dataType": 4, "defaultValue": "基准菜谱", "eventType": 0},
    ], rows_per_line=True)
    dump(os.path.join(vm, "defaultData.json"),
         {"lvl%d" % j: "2" for j in range(scale.level_pars)}, rows_per_line=True)
    dump(os.path.join(vm, "expandContent.json"), [1])
    dump(os.path.join(vm, "taskInfo.json"),
         {t: {"stepCount": recipe.task_steps[t], "timerId": [recipe.task_timer[t]],
              "varList": ["1.temp", "1.speed"] if i % 2 else ["1.temp", "2.lidState"]}
          for i, t in enumerate(tasks)}, rows_per_line=True)

    host_functions = [{"name": name, "fullName": name, "functionNo": i + 1, "devIndex": dev,
                       "methodPath": method}
                      for i, (name, dev, method, _) in enumerate(functions)]
    host_functions.append({"name": "starttimer", "fullName": "system.timer.starttimer",
                           "functionNo": -1, "devIndex": -1, "methodPath": "system.timer.start"})
    dump(os.path.join(root, "host", "functions.json"), host_functions, rows_per_line=True)
    dump(os.path.join(root, "host", "midVariables.json"),
         [{"fullName": "pot.temp", "devId": 0, "sensorPath": "wok.sensor.temp"}],
         rows_per_line=True)
    dump(os.path.join(root, "systemParameterDataLc", "compileConfigure.json"),
         [{"name": "VMAppFileType", "description": "0"},
          {"name": "targetModel", "description": "KV-C300"}], rows_per_line=True)


def generate(lines, outdir):
    if lines < 1:
        raise ValueError("a recipe needs at least one line")
    scale = Scale(lines)
    rng = random.Random(SEED)
    units = [(n, c, b, r) for n, c, b, r in BASE_UNITS] + extra_units(scale)
    functions = BASE_FUNCTIONS + extra_functions(scale)
    # Sensible values need the generated units only; the fixed ones are written literally.
    recipe = Recipe(scale, rng, units[len(BASE_UNITS):])

    bundle = os.path.join(outdir, "bundle")
    if os.path.isdir(bundle):
        shutil.rmtree(bundle)
    os.makedirs(outdir, exist_ok=True)
    with open(os.path.join(outdir, "recipe.rcp"), "w", encoding="utf-8", newline="\n") as out:
        for number in range(1, lines + 1):
            out.write(recipe.line(number))
            out.write("\n")
    write_bundle(bundle, scale, recipe, units, functions)


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("lines", type=int, help="number of recipe lines")
    parser.add_argument("outdir", help="folder to write bundle/ and recipe.rcp into")
    args = parser.parse_args(argv)
    generate(args.lines, args.outdir)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
