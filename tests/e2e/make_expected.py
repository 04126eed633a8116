#!/usr/bin/env python3
"""Works out what `kvc compile` must write for an example, without using any of our code.

    python3 tests/e2e/make_expected.py examples/braised-chicken

Reads the example's bundle/, its recipe.rcp and its hand-written expected/program.rcp, and
writes into expected/ the files that follow from them by the VM image rules: the rewritten
tables appParameterDataVm/appPar.json and taskInfo.json, recipeVersion.txt, the binary image
binBytes.bin, the JSON log log.jsonl, stdout.txt and an empty stderr.txt; and next to expected/
the list expected-inspect.txt of the texts `kvc inspect` must show, in image order.

Everything here is written from the format description alone: the string hash, the big-endian
header and 16-bit record tables, the MessagePack forms (strings carry their NUL byte), the
JSON key orders. The encoders are checked against the worked examples of that description
before anything is written. The bundle is read strictly: a table of an unexpected shape stops
the script rather than being half-understood.

Written by hand: expected/program.rcp alone, because it holds the checkers' rewrites (units to
base values, names to codes, time points to timeouts, calls to their VM form), which are worked
out from the recipe and the tables line by line; the listing lines of the log are that program
with the call formatting undone. Modelled here: the tables loaded and the variables' tasks
derived, each task's timers from the recipe's starttimer calls, the tables written back, the
VM data set logged and packed. Only the full image (VMAppFileType 0) is modelled; that mode
files no steps into the task table.
"""

import json
import os
import re
import sys

VERSION_LINE = "餐饮语义分析器版本：V3.00.03.00"
LISTING_PREFIX = "餐饮语义分析后:"
VM_DATA_PREFIX = "餐饮应用数据："
OFFSET_NAMES = ["应用变量表偏移量", "任务信息偏移量", "参数数据偏移量", "参数默认值数据偏移量",
                "扩展数据偏移量"]
DEFAULT_DATA_FAILED = "默认值数据表打包失败！"
DATABASES = ["appParameterDataLc", "appParameterDataVm", "systemParameterDataLc"]


# ---- byte and hash helpers ----------------------------------------------------------------

def hash_code(text):
    """h = h * 31 + byte over the UTF-8 bytes, modulo 2^32, read as signed 32-bit."""
    h = 0
    for b in text.encode("utf-8"):
        h = (h * 31 + b) & 0xFFFFFFFF
    return h - (1 << 32) if h & 0x80000000 else h


def big_endian(value, bits):
    mask = (1 << bits) - 1
    value &= mask
    count = (bits + 7) // 8
    return bytes((value >> (8 * (count - 1 - i))) & 0xFF for i in range(count))


def offset_line(name, value):
    data = big_endian(value, 32)
    return name + " " + str(value) + "，大端模式大端编码0x" + " ".join("%02X" % b for b in data)


# ---- MessagePack, shortest forms --------------------------------------------------------

def mp_str(text):
    data = text.encode("utf-8") + b"\x00"
    n = len(data)
    if n <= 31:
        return bytes([0xA0 | n]) + data
    if n <= 0xFF:
        return bytes([0xD9, n]) + data
    if n <= 0xFFFF:
        return bytes([0xDA]) + n.to_bytes(2, "big") + data
    return bytes([0xDB]) + n.to_bytes(4, "big") + data


def mp_int(value):
    if value >= 0:
        if value <= 0x7F:
            return bytes([value])
        if value <= 0xFF:
            return bytes([0xCC, value])
        if value <= 0xFFFF:
            return bytes([0xCD]) + value.to_bytes(2, "big")
        return bytes([0xCE]) + value.to_bytes(4, "big")
    if value >= -32:
        return bytes([value & 0xFF])
    if value >= -128:
        return bytes([0xD0, value & 0xFF])
    if value >= -32768:
        return bytes([0xD1]) + (value & 0xFFFF).to_bytes(2, "big")
    return bytes([0xD2]) + (value & 0xFFFFFFFF).to_bytes(4, "big")


def mp_array(n):
    if n <= 15:
        return bytes([0x90 | n])
    if n <= 0xFFFF:
        return bytes([0xDC]) + n.to_bytes(2, "big")
    return bytes([0xDD]) + n.to_bytes(4, "big")


def mp_map(n):
    if n <= 15:
        return bytes([0x80 | n])
    if n <= 0xFFFF:
        return bytes([0xDE]) + n.to_bytes(2, "big")
    return bytes([0xDF]) + n.to_bytes(4, "big")


def utf8_sorted(keys, reverse=False):
    return sorted(keys, key=lambda k: k.encode("utf-8"), reverse=reverse)


def pack_variable(v):
    out = mp_str(v["appKey"]) + mp_int(v["dataType"]) + mp_int(v["eventType"])
    out += mp_str(v["defaultValue"]) + mp_array(len(v["belongTaskId"]))
    for task in v["belongTaskId"]:
        out += mp_str(task)
    return out


def pack_task(task_id, task):
    out = mp_str(task_id) + mp_int(task["stepCount"]) + mp_array(len(task["timerId"]))
    for timer in task["timerId"]:
        out += mp_int(timer)
    return out


def pack_parameter(key, par):
    out = mp_str(key) + mp_array(len(par["attachKeys"]))
    for attach_key in par["attachKeys"]:
        out += mp_str(attach_key)
    out += mp_map(len(par["attachData"]))
    for name in utf8_sorted(par["attachData"]):
        value = par["attachData"][name]
        out += mp_str(name) + mp_array(2) + mp_str(value["src"]) + mp_str(value["dst"])
    return out


def pack_default_data(entries):
    out = mp_map(len(entries))
    for key in utf8_sorted(entries):
        out += mp_str(key) + mp_str(entries[key])
    return out


def indexed_table(records):
    """Count, the start offset of every record, the end offset, then the records."""
    out = big_endian(len(records), 16)
    offset = 0
    for record in records:
        out += big_endian(offset, 16)
        offset += len(record)
    assert offset <= 0xFFFF and len(records) <= 0xFFFF, "table past the 16-bit fields"
    return out + big_endian(offset, 16) + b"".join(records)


def make_image(variables, tasks, parameters, default_data):
    """variables/tasks/parameters: lists of (sort key, packed record). Returns (image, offsets,
    whether the default data packed)."""
    sections = []
    for table in (variables, tasks, parameters):
        hashes = [hash_code(key) for key, _ in table]
        assert len(set(hashes)) == len(hashes), "equal hashes leave the order open"
        ordered = sorted(table, key=lambda entry: hash_code(entry[0]))
        sections.append(indexed_table([record for _, record in ordered]))
    # An empty default table does not even fit its map header and is left out.
    defaults_packed = len(default_data) > 0
    sections.append(pack_default_data(default_data) if defaults_packed else b"")
    offsets = [0]
    for section in sections:
        offsets.append(offsets[-1] + len(section))
    header = b"".join(big_endian(o, 32) for o in offsets)
    return header + b"".join(sections), offsets, defaults_packed


def check_against_worked_examples():
    assert hash_code("") == 0 and hash_code("a") == 97 and hash_code("abc") == 96354
    assert hash_code("abcdefgh") == 1259673732
    assert hash_code("taskInfo") == -410467373
    assert hash_code("中") == 224985
    assert big_endian(0x12345678, 32) == bytes.fromhex("12345678")
    assert big_endian(70000, 16) == bytes.fromhex("1170")
    variable = {"appKey": "k1", "dataType": 2, "eventType": 0, "defaultValue": "",
                "belongTaskId": ["t1"]}
    assert pack_variable(variable) == bytes.fromhex("A36B3100 02 00 A100 91 A3743100")
    task = {"stepCount": 3, "timerId": [1, 2]}
    assert pack_task("t1", task) == bytes.fromhex("A374310003920102")
    assert mp_int(200) == bytes.fromhex("CCC8") and mp_int(-1) == bytes.fromhex("FF")
    assert mp_int(-2147483648) == bytes.fromhex("D280000000")
    assert pack_parameter("p", {"attachKeys": [], "attachData": {}}) == mp_str("p") + b"\x90\x80"
    assert pack_default_data({"a": "1"}) == bytes.fromhex("81A26100A23100")
    assert mp_str("x" * 40)[:2] == bytes.fromhex("D929") and len(mp_str("x" * 40)) == 43
    image, offsets, _ = make_image([("k1", pack_variable(variable))], [("t1", pack_task("t1", task))],
                                   [], {"a": "1"})
    assert offsets == [0, 19, 33, 37, 44] and len(image) == 64
    assert image[:20] == bytes.fromhex("00000000 00000013 00000021 00000025 0000002C")
    assert image[20:26] == bytes.fromhex("0001 0000 000D") and image[53:57] == bytes(4)
    assert image[57:] == pack_default_data({"a": "1"})  # offsets count from after the header
    assert offset_line(OFFSET_NAMES[0], 0) == "应用变量表偏移量 0，大端模式大端编码0x00 00 00 00"
    empty, empty_offsets, packed = make_image([], [], [], {})
    assert empty_offsets == [0, 4, 8, 12, 12] and len(empty) == 32 and not packed


# ---- reading the bundle, strictly ---------------------------------------------------------

def table_rows(bundle, database, table):
    """The JSON documents of one table: one file, or a folder of row files in name order."""
    base = os.path.join(bundle, database, table)
    if os.path.isfile(base + ".json"):
        paths = [base + ".json"]
    elif os.path.isdir(base):
        paths = [os.path.join(base, n) for n in sorted(os.listdir(base)) if n.endswith(".json")]
    else:
        return []
    rows = []
    for path in paths:
        with open(path, encoding="utf-8") as f:
            rows.append(json.load(f))
    return rows


def expect(condition, what):
    if not condition:
        sys.exit("make_expected: the bundle is not what this script models: " + what)


def is_int(value):
    return isinstance(value, int) and not isinstance(value, bool) and -2**31 <= value < 2**31


def merged_object(rows, name):
    merged = {}
    for row in rows:
        expect(isinstance(row, dict), name + " rows must be objects")
        merged.update(row)
    return merged


def load_bundle(bundle):
    data = {}
    config = merged_object(table_rows(bundle, "appParameterDataLc", "appConfig"), "appConfig")
    data["recipeVersion"] = config.get("recipeVersion", "2.0")
    expect(isinstance(data["recipeVersion"], str), "recipeVersion must be a string")

    file_type = 0
    for row in table_rows(bundle, "systemParameterDataLc", "compileConfigure"):
        for entry in row:
            if entry.get("name") == "VMAppFileType":
                file_type = int(entry["description"])
                break
    expect(file_type == 0, "only VMAppFileType 0 (full image) is modelled")

    app_par = merged_object(table_rows(bundle, "appParameterDataVm", "appPar"), "appPar")
    for key, par in app_par.items():
        expect(set(par) <= {"attachKeys", "attachData"}, "appPar " + key + " has other keys")
        expect(all(isinstance(k, str) for k in par.get("attachKeys", [])), "attachKeys")
        par.setdefault("attachKeys", [])
        par.setdefault("attachData", {})
        for value in par["attachData"].values():
            expect(set(value) == {"src", "dst"} and all(isinstance(t, str) for t in value.values()),
                   "attachData entries need src and dst texts")
    data["appPar"] = app_par

    tasks = merged_object(table_rows(bundle, "appParameterDataVm", "taskInfo"), "taskInfo")
    for key, task in tasks.items():
        expect(is_int(task.get("stepCount")), "task " + key + " needs an integer stepCount")
        expect(set(task) <= {"stepCount", "timerId", "varList"}, "task " + key + " has other keys")
        task.setdefault("timerId", [])
        task.setdefault("varList", [])
        expect(all(is_int(t) for t in task["timerId"]), "timerId must hold integers")
    data["taskInfo"] = tasks

    variables = []
    for row in table_rows(bundle, "appParameterDataVm", "appVariable"):
        for entry in row:
            expect(set(entry) == {"appKey", "dataType", "defaultValue", "eventType"},
                   "variables need exactly appKey, dataType, defaultValue, eventType")
            variables.append(dict(entry, belongTaskId=[]))
    data["appVariable"] = variables

    objects = merged_object(table_rows(bundle, "appParameterDataVm", "appObject"), "appObject")
    data["appObject"] = objects
    data["defaultData"] = merged_object(
        table_rows(bundle, "appParameterDataVm", "defaultData"), "defaultData")
    expect(all(isinstance(v, str) for v in data["defaultData"].values()), "default values are texts")
    content = []
    for row in table_rows(bundle, "appParameterDataVm", "expandContent"):
        expect(all(is_int(v) for v in row), "expandContent holds integers")
        content += row
    data["expandContent"] = content
    return data


def assign_variable_tasks(data):
    """Each variable belongs to the smallest task key listing it, else to its object's tasks."""
    task_of = {}
    for task_key in utf8_sorted(data["taskInfo"]):
        for variable_key in data["taskInfo"][task_key]["varList"]:
            task_of.setdefault(variable_key, task_key)
    for variable in data["appVariable"]:
        key = variable["appKey"]
        if key in task_of:
            variable["belongTaskId"].append(task_of[key])
            continue
        dot = key.find(".")
        expect(dot > 0, "variable key " + key + " would be reported")
        object_id = key[:dot]
        if object_id in data["appObject"]:
            variable["belongTaskId"] = list(data["appObject"][object_id]["taskIdList"])
        else:
            expect(object_id == "-1", "variable key " + key + " would be reported")


# ---- what the recipe adds --------------------------------------------------------------------

def assign_task_timers(data, recipe_lines, logic_tasks):
    """Each task's timers are the numbers its lines start, ascending; none replaces the bundle's."""
    timers = {}
    for number, line in enumerate(recipe_lines, start=1):
        code = line.split("//", 1)[0]
        for match in re.finditer(r"\bstarttimer\(\s*(-?\d+)\s*\)", code):
            task = logic_tasks.get(str(number))
            expect(task is not None, "starttimer on line %d of no task" % number)
            timers.setdefault(task, set()).add(int(match.group(1)))
    for key, task in data["taskInfo"].items():
        task["timerId"] = sorted(timers.get(key, ()))


def unformatted(block):
    """A program line as the log shows it before its calls took their VM form: name("t,{json}")
    becomes name(v1, v2, ...) and name("t") becomes name()."""
    out = ""
    pos = 0
    for match in re.finditer(r'\(("[^",()]*),\{', block):
        start = match.start()
        if start < pos:
            continue
        close = block.index('}")', match.end())
        values = json.loads(block[match.end() - 1:close + 1])
        expect(all(isinstance(v, str) for v in values.values()), "plain call parameters only")
        out += block[pos:start] + "(" + ", ".join(v if v else '""' for v in values.values()) + ")"
        pos = close + 3
    out += block[pos:]
    return re.sub(r'\("[^",()]*"\)', "()", out)


# ---- the JSON texts -------------------------------------------------------------------------

def compact(value):
    return json.dumps(value, ensure_ascii=False, separators=(",", ":"))


def object_text(pairs):
    """An object from (key, already written value) pairs, in the given order."""
    return "{" + ",".join(compact(k) + ":" + v for k, v in pairs) + "}"


def app_par_text(app_par):
    def one(par):
        data = object_text([(name, compact({"src": par["attachData"][name]["src"],
                                            "dst": par["attachData"][name]["dst"]}))
                            for name in utf8_sorted(par["attachData"])])
        return object_text([("attachKeys", compact(par["attachKeys"])), ("attachData", data)])
    return object_text([(key, one(app_par[key])) for key in utf8_sorted(app_par, reverse=True)])


def task_text(task):
    return object_text([("stepCount", compact(task["stepCount"])),
                        ("timerId", compact(task["timerId"])),
                        ("varList", compact(task["varList"])),
                        ("step", "[]")])


def task_info_text(tasks):
    return object_text([(key, task_text(tasks[key])) for key in utf8_sorted(tasks, reverse=True)])


def vm_data_text(data):
    variables = "[" + ",".join(object_text([
        ("appKey", compact(v["appKey"])), ("dataType", compact(v["dataType"])),
        ("defaultValue", compact(v["defaultValue"])), ("eventType", compact(v["eventType"])),
        ("belongTaskId", compact(v["belongTaskId"]))]) for v in data["appVariable"]) + "]"
    tasks = "[" + ",".join(task_text(data["taskInfo"][key])
                           for key in utf8_sorted(data["taskInfo"])) + "]"
    pars = []
    for key in utf8_sorted(data["appPar"]):
        par = data["appPar"][key]
        attach = object_text([(name, compact([par["attachData"][name]["src"],
                                              par["attachData"][name]["dst"]]))
                              for name in utf8_sorted(par["attachData"])])
        pars.append(object_text([("key", compact(key)), ("attachKeys", compact(par["attachKeys"])),
                                 ("attachData", attach)]))
    defaults = object_text([(k, compact(data["defaultData"][k]))
                            for k in utf8_sorted(data["defaultData"])])
    return object_text([("appVariable", variables), ("appTask", tasks),
                        ("appPar", "[" + ",".join(pars) + "]"), ("defaultData", defaults),
                        ("expandContent", compact(data["expandContent"]))])


# ---- putting it together --------------------------------------------------------------------

def write(path, content):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(content if isinstance(content, bytes) else content.encode("utf-8"))


def write_listing(folder, calls):
    """log.jsonl and stdout.txt of a compile whose log calls are calls."""
    log = ""
    for op, number, text in calls:
        # Print carries a kind, PrintLine a level; both are written before the text.
        field = "kind" if op == "Print" else "level"
        log += compact({"op": op, field: number, "text": text}) + "\n"
    write(os.path.join(folder, "log.jsonl"), log)
    write(os.path.join(folder, "stdout.txt"), "".join(text + "\n" for _, _, text in calls))


def main(example):
    check_against_worked_examples()
    expected = os.path.join(example, "expected")
    bundle = os.path.join(example, "bundle")
    data = load_bundle(bundle)
    assign_variable_tasks(data)
    with open(os.path.join(example, "recipe.rcp"), encoding="utf-8") as f:
        recipe_lines = f.read().split("\n")
    logic_tasks = merged_object(table_rows(bundle, "appParameterDataLc", "logicTaskRelated"),
                                "logicTaskRelated")
    assign_task_timers(data, recipe_lines, logic_tasks)

    variables = [(v["appKey"], pack_variable(v)) for v in data["appVariable"]]
    tasks = [(k, pack_task(k, t)) for k, t in data["taskInfo"].items()]
    pars = [(k, pack_parameter(k, p)) for k, p in data["appPar"].items()]
    image, offsets, defaults_packed = make_image(variables, tasks, pars, data["defaultData"])

    vm = os.path.join(expected, "appParameterDataVm")
    write(os.path.join(vm, "binBytes.bin"), image)
    write(os.path.join(vm, "recipeVersion.txt"), '"' + data["recipeVersion"] + '"')
    write(os.path.join(vm, "appPar.json"), app_par_text(data["appPar"]))
    write(os.path.join(vm, "taskInfo.json"), task_info_text(data["taskInfo"]))

    # The listing: version, one line per block (as program.rcp renders it), the VM data, and
    # the offsets; the first offset line comes before any packing failure, the rest after.
    with open(os.path.join(expected, "program.rcp"), encoding="utf-8") as f:
        blocks = [line for line in f.read().split("\n") if line]
    calls = [("Print", 0, VERSION_LINE)]
    calls += [("Print", 0, LISTING_PREFIX + unformatted(block)) for block in blocks]
    calls.append(("Print", 0, VM_DATA_PREFIX + vm_data_text(data)))
    calls.append(("PrintLine", 0, offset_line(OFFSET_NAMES[0], offsets[0])))
    # The Windows build lists each record before packing it, in image order: its key and the
    # key's hash (over the UTF-8 key, the text the image holds).
    windows_lines = []
    for label, keys in (("变量key: ", [v["appKey"] for v in data["appVariable"]]),
                        ("任务id: ", list(data["taskInfo"])),
                        ("参数key: ", list(data["appPar"]))):
        windows_lines += [("PrintLine", 0, label + key + " " + str(hash_code(key)))
                          for key in sorted(keys, key=hash_code)]
    rest = []
    if not defaults_packed:
        rest.append(("PrintLine", 3, DEFAULT_DATA_FAILED))
    rest += [("PrintLine", 0, offset_line(name, value))
             for name, value in zip(OFFSET_NAMES[1:], offsets[1:])]
    write_listing(expected, calls + rest)
    write_listing(os.path.join(example, "expected-windows"), calls + windows_lines + rest)
    write(os.path.join(expected, "stderr.txt"), "")

    # What inspect must show back, in image order: every text of every record.
    lines = []
    for v in sorted(data["appVariable"], key=lambda v: hash_code(v["appKey"])):
        lines += [v["appKey"], v["defaultValue"]] + v["belongTaskId"]
    lines += sorted(data["taskInfo"], key=hash_code)
    for key in sorted(data["appPar"], key=hash_code):
        par = data["appPar"][key]
        lines += [key] + par["attachKeys"]
        for name in utf8_sorted(par["attachData"]):
            lines += [name, par["attachData"][name]["src"], par["attachData"][name]["dst"]]
    for key in utf8_sorted(data["defaultData"]):
        lines += [key, data["defaultData"][key]]
    write(os.path.join(example, "expected-inspect.txt"),
          "".join(compact(line) + "\n" for line in lines))


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    main(sys.argv[1])
