#!/usr/bin/env python3
"""How long `kvc lsp` takes to answer, on a generated recipe of N lines and its bundle.

    python3 bench/lsp_latency.py --kvc build/release/bin/kvc [--lines 1000] [--rounds 200]

The recipe and bundle come from gen_recipe_bundle.py (kept in build/bench-inputs). The script
opens the recipe, then times, one after another, hovers, completions and definitions at places
spread over the recipe's words, and changes that each make a new mistake, from the change to
the diagnostics that show it (less the debounce, which is set to 0 here). It prints the median,
the 95th percentile and the largest time of each, in milliseconds, and whether every request
was answered within the 100 ms the server is meant to keep to.
"""

import argparse
import json
import os
import random
import statistics
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
BUDGET_MS = 100


class Server:
    def __init__(self, kvc, bundle):
        self.process = subprocess.Popen([kvc, "lsp", "--bundle", bundle, "--debounce", "0"],
                                        stdin=subprocess.PIPE, stdout=subprocess.PIPE)
        self.next_id = 0

    def send(self, message):
        body = json.dumps(dict(jsonrpc="2.0", **message)).encode()
        self.process.stdin.write(b"Content-Length: %d\r\n\r\n" % len(body) + body)
        self.process.stdin.flush()

    def receive(self):
        length = None
        while True:
            line = self.process.stdout.readline()
            if not line:
                raise RuntimeError("kvc lsp ended")
            if line in (b"\r\n", b"\n"):
                break
            name, _, value = line.decode().partition(":")
            if name.strip().lower() == "content-length":
                length = int(value)
        return json.loads(self.process.stdout.read(length))

    def request(self, method, params):
        self.next_id += 1
        self.send(dict(id=self.next_id, method=method, params=params))
        while True:
            message = self.receive()
            if message.get("id") == self.next_id:
                return message

    def wait_diagnostics(self, version):
        while True:
            message = self.receive()
            if (message.get("method") == "textDocument/publishDiagnostics"
                    and message["params"].get("version") == version):
                return message["params"]["diagnostics"]


def timed(action):
    start = time.perf_counter()
    result = action()
    return (time.perf_counter() - start) * 1000, result


def summary(name, times):
    times = sorted(times)
    p95 = times[min(len(times) - 1, int(len(times) * 0.95))]
    print(f"{name:12} {len(times):6d} {statistics.median(times):9.2f} {p95:9.2f} {times[-1]:9.2f}")
    return times[-1]


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--kvc", required=True)
    parser.add_argument("--lines", type=int, default=1000)
    parser.add_argument("--rounds", type=int, default=200)
    parser.add_argument("--work", default=os.path.join(HERE, "..", "build", "bench-inputs"))
    args = parser.parse_args()

    inputs = os.path.join(args.work, f"lsp-{args.lines}")
    if not os.path.isdir(os.path.join(inputs, "bundle")):
        subprocess.run([sys.executable, os.path.join(HERE, "gen_recipe_bundle.py"),
                        str(args.lines), inputs], check=True)
    with open(os.path.join(inputs, "recipe.rcp"), encoding="utf-8") as f:
        text = f.read()
    lines = text.split("\n")
    uri = "file://" + os.path.abspath(os.path.join(inputs, "recipe.rcp"))
    # Places at the words of the recipe, in UTF-16 units as the protocol counts by default.
    rng = random.Random(1)
    places = []
    for number, line in enumerate(lines):
        units = 0
        for index, char in enumerate(line):
            if char.isalnum() or char in "#(":
                places.append((number, units + 1))
            units += 2 if ord(char) > 0xFFFF else 1
    rng.shuffle(places)

    server = Server(args.kvc, os.path.join(inputs, "bundle"))
    server.request("initialize", dict(processId=None, rootUri=None, capabilities={}))
    server.send(dict(method="initialized", params={}))
    opened, _ = timed(lambda: (server.send(dict(method="textDocument/didOpen", params=dict(
        textDocument=dict(uri=uri, languageId="kvrecipe", version=1, text=text)))),
        server.wait_diagnostics(1)))

    times = {"hover": [], "completion": [], "definition": [], "diagnostics": []}
    for round_ in range(args.rounds):
        line, character = places[round_ % len(places)]
        at = dict(textDocument=dict(uri=uri), position=dict(line=line, character=character))
        for method, key in (("textDocument/hover", "hover"),
                            ("textDocument/completion", "completion"),
                            ("textDocument/definition", "definition")):
            elapsed, answer = timed(lambda: server.request(method, at))
            if "error" in answer:
                raise RuntimeError(f"{method} failed: {answer['error']}")
            times[key].append(elapsed)
    for version in range(2, 2 + max(args.rounds // 10, 5)):
        # A temperature far out of range on a line of its own, each time on another line.
        changed = list(lines)
        changed[rng.randrange(len(lines) - 1)] += "; heat(99999, 1s)"
        elapsed, _ = timed(lambda: (server.send(dict(method="textDocument/didChange", params=dict(
            textDocument=dict(uri=uri, version=version),
            contentChanges=[dict(text="\n".join(changed))]))),
            server.wait_diagnostics(version)))
        times["diagnostics"].append(elapsed)
    server.request("shutdown", None)
    server.send(dict(method="exit"))
    server.process.wait()

    print(f"kvc lsp on a {args.lines}-line recipe; opening it took {opened:.1f} ms")
    print(f"{'':12} {'count':>6} {'median':>9} {'p95':>9} {'max':>9}   (ms)")
    slowest = max(summary(key, times[key]) for key in ("hover", "completion", "definition"))
    summary("diagnostics", times["diagnostics"])
    verdict = "within" if slowest <= BUDGET_MS else "NOT within"
    print(f"every request answered {verdict} {BUDGET_MS} ms (slowest {slowest:.2f} ms)")
    return 0 if slowest <= BUDGET_MS else 1


if __name__ == "__main__":
    sys.exit(main())
