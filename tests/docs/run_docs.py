#!/usr/bin/env python3
"""Runs the examples of the documentation and checks that they give what each page says.

    run_docs.py --kvc KVC --source SRC --work DIR [--build BUILD] PAGE...

A page's fenced blocks say in their info string what they are and what they must give:

    ```recipe ok                    kvc compiles it without a word on standard error
    ```recipe error[1003] 3:14      kvc exits 1, its first diagnostic is error 1003 at 3:14
    ```recipe error[2002]           ... an error without a position (it names the bundle)
    ```recipe warning 4:6           kvc exits 0, its first diagnostic is a warning at 4:6
    ```sh                           bash runs it; it must exit 0
    ```sh exit=1                    ... it must exit 1
    ```sh install                   ... it uses the installed build: run only with --build
    ```text stderr                  the first line of standard error of the block before
    ```text output                  all of standard output of the sh block before
    ```json                         must parse as JSON
    ```cpp file=host/main.cpp       a piece of a file; the pieces of one path join in order
    ```cpp file=P same=tests/x.cpp  the joined file must be the repository's file, byte for byte
    ```text                         shown as it is, not checked

A recipe block compiles against bundle=DIR (examples/braised-chicken/bundle unless it says)
as file=NAME (recipe.rcp); a file= block of any kind is written there for later blocks.
Only the first line of standard error is ever compared: the rest of a diagnostic (source
line, caret, notes) is not part of what the pages promise.

Each page runs in a scratch folder of its own, DIR/<page name>, in page order. The folder
starts with a copy of the repository's examples/; kvc is on PATH; HOME is the folder itself,
so that a page may install into $HOME/kv; with --build, build/release in it is that build
folder, which is the one a reader's commands name. A failure names the page, the line of the
block and what differed; every block is run even after one fails.
"""

import argparse
import json
import os
import re
import shutil
import subprocess
import sys
from dataclasses import dataclass, field

DEFAULT_BUNDLE = "examples/braised-chicken/bundle"
DEFAULT_RECIPE = "recipe.rcp"
RECIPE_OUTPUT = ".recipe-out"
KINDS = {"recipe", "sh", "text", "json", "cpp", "cmake", "lua"}
TIMEOUT_SECONDS = 120
# Building a host against the installed package takes a while on a busy machine.
INSTALL_TIMEOUT_SECONDS = 600
FENCE = re.compile(r"^( {0,3})(`{3,})(.*)$")
EXPECTATION = re.compile(r"^(ok|warning|error\[(\d+)\])$")
POSITION = re.compile(r"^(\d+):(\d+)$")


@dataclass
class Block:
    line: int  # of the opening fence, counted from 1
    kind: str
    flags: list = field(default_factory=list)
    attrs: dict = field(default_factory=dict)
    text: str = ""  # the lines between the fences, each ending in a line feed

    def lines(self):
        return self.text.splitlines()


class PageError(Exception):
    def __init__(self, line, text):
        super().__init__(text)
        self.line = line


def read_blocks(path):
    """The fenced blocks of a page, in order."""
    with open(path, encoding="utf-8") as page:
        lines = page.read().split("\n")
    blocks = []
    number = 0
    while number < len(lines):
        opening = FENCE.match(lines[number])
        number += 1
        if not opening:
            continue
        indent, fence, info = len(opening.group(1)), opening.group(2), opening.group(3).split()
        block = Block(line=number, kind=info[0] if info else "")
        for word in info[1:]:
            key, equals, value = word.partition("=")
            if equals:
                block.attrs[key] = value
            else:
                block.flags.append(word)
        content = []
        while number < len(lines):
            closing = FENCE.match(lines[number])
            number += 1
            if closing and len(closing.group(2)) >= len(fence) and not closing.group(3).strip():
                break
            # A fence indented in a list item indents its lines as far.
            raw = lines[number - 1]
            content.append(raw[min(indent, len(raw) - len(raw.lstrip(" "))):])
        else:
            raise PageError(block.line, "the block is never closed")
        block.text = "".join(line + "\n" for line in content)
        blocks.append(block)
    return blocks


def first_line(data):
    text = data.decode("utf-8", "replace")
    return text.split("\n", 1)[0] if text else ""


def first_difference(want_lines, got_lines):
    """The index of the first line where the two differ, with both lines (None past the end),
    or None when they are the same."""
    for index in range(max(len(want_lines), len(got_lines))):
        want = want_lines[index] if index < len(want_lines) else None
        got = got_lines[index] if index < len(got_lines) else None
        if want != got:
            return index, want, got
    return None


def quoted(line):
    return "nothing more" if line is None else repr(line)


@dataclass
class FilePieces:
    line: int  # of the first piece's fence
    text: str = ""
    same: str = None  # the repository file the pieces must make up, if any


class PageRun:
    def __init__(self, page, options):
        self.page = page
        self.options = options
        inside = os.path.abspath(page).startswith(options.source + os.sep)
        self.name = os.path.relpath(os.path.abspath(page), options.source) if inside else page
        self.work = os.path.join(options.work, os.path.splitext(os.path.basename(page))[0])
        self.failures = []
        self.checked = 0
        self.skipped = 0
        self.files = {}  # path -> FilePieces

    def fail(self, line, text):
        self.failures.append(f"{self.name}:{line}: {text}")

    def prepare(self):
        shutil.rmtree(self.work, ignore_errors=True)
        shutil.copytree(os.path.join(self.options.source, "examples"),
                        os.path.join(self.work, "examples"), symlinks=True)
        if self.options.build:
            os.makedirs(os.path.join(self.work, "build"))
            os.symlink(self.options.build, os.path.join(self.work, "build", "release"))
        self.env = {key: value for key, value in os.environ.items()
                    if key not in ("CMAKE_PREFIX_PATH", "PKG_CONFIG_PATH")}
        self.env["PATH"] = os.path.dirname(self.options.kvc) + os.pathsep + self.env.get("PATH", "")
        self.env["HOME"] = self.work
        self.env["LC_ALL"] = "C.UTF-8"

    def run(self):
        try:
            blocks = read_blocks(self.page)
        except PageError as error:
            self.fail(error.line, str(error))
            return
        self.prepare()
        index = 0
        while index < len(blocks):
            block = blocks[index]
            index += 1
            followers = []
            while (block.kind in ("recipe", "sh") and index < len(blocks)
                   and blocks[index].kind == "text" and blocks[index].flags
                   and blocks[index].flags[0] in ("stderr", "output")):
                followers.append(blocks[index])
                index += 1
            try:
                self.check(block, followers)
            except subprocess.TimeoutExpired as expired:
                self.fail(block.line, f"the block did not finish in {expired.timeout} seconds")
        self.check_copies()

    def check(self, block, followers):
        if block.kind not in KINDS:
            self.fail(block.line, f"a block of unknown kind {block.kind!r}; say what it is "
                                  f"({', '.join(sorted(KINDS))})")
            return
        if block.kind == "text":
            if block.flags and block.flags[0] in ("stderr", "output"):
                self.fail(block.line, f"shows {block.flags[0]}, but no recipe or sh block "
                                      f"comes right before it")
            return
        if "file" in block.attrs and block.kind != "recipe":
            self.add_piece(block)
        elif block.kind in ("cpp", "cmake"):
            self.fail(block.line, f"a {block.kind} block must say which file it is a piece of "
                                  f"(file=PATH)")
            return
        if block.kind == "json":
            self.checked += 1
            try:
                json.loads(block.text)
            except ValueError as error:
                self.fail(block.line + error.lineno, f"not JSON: {error.msg}")
        elif block.kind == "recipe":
            self.check_recipe(block, followers)
        elif block.kind == "sh":
            self.check_commands(block, followers)
        elif block.kind == "lua":
            self.check_lua(block)

    def check_lua(self, block):
        # Editor set-ups in Lua (Neovim's) are compiled, which catches every syntax slip.
        self.checked += 1
        result = subprocess.run(["luac5.4", "-p", "-"], input=block.text.encode("utf-8"),
                                capture_output=True, timeout=60)
        if result.returncode != 0:
            self.fail(block.line, "not Lua: " + result.stderr.decode("utf-8", "replace").strip())

    def add_piece(self, block):
        path = block.attrs["file"]
        pieces = self.files.setdefault(path, FilePieces(block.line))
        pieces.text += block.text
        pieces.same = block.attrs.get("same", pieces.same)
        target = os.path.join(self.work, path)
        os.makedirs(os.path.dirname(target), exist_ok=True)
        with open(target, "w", encoding="utf-8", newline="") as out:
            out.write(pieces.text)

    def check_copies(self):
        for path, pieces in self.files.items():
            if pieces.same is None:
                continue
            self.checked += 1
            with open(os.path.join(self.options.source, pieces.same), encoding="utf-8",
                      newline="") as original:
                wanted = original.read()
            if pieces.text == wanted:
                continue
            # Lines alike but the texts not: a line end differs.
            index, want, got = (
                first_difference(wanted.splitlines(), pieces.text.splitlines()) or
                first_difference(wanted.splitlines(True), pieces.text.splitlines(True)))
            self.fail(pieces.line, f"the pieces of {path} are not {pieces.same}: at its line "
                                   f"{index + 1} the page shows {quoted(got)}, the file holds "
                                   f"{quoted(want)}")

    def compile_recipe(self, block):
        recipe = block.attrs.get("file", DEFAULT_RECIPE)
        bundle = block.attrs.get("bundle", DEFAULT_BUNDLE)
        with open(os.path.join(self.work, recipe), "w", encoding="utf-8") as out:
            out.write(block.text)
        done = subprocess.run([self.options.kvc, "compile", bundle, recipe, "-o", RECIPE_OUTPUT],
                              cwd=self.work, env=self.env, capture_output=True,
                              timeout=TIMEOUT_SECONDS)
        return recipe, bundle, done

    def check_recipe(self, block, followers):
        words = block.flags
        expectation = EXPECTATION.match(words[0]) if words else None
        position = POSITION.match(words[1]) if len(words) == 2 else None
        understood = expectation is not None and (
            (words[0] == "ok" and len(words) == 1) or
            (words[0] == "warning" and position is not None) or
            (expectation.group(2) is not None and (len(words) == 1 or position is not None)))
        if not understood:
            self.fail(block.line, "a recipe block says what it gives: ok, error[CODE] LINE:COL, "
                                  "error[CODE] or warning LINE:COL")
            return
        self.checked += 1
        recipe, bundle, done = self.compile_recipe(block)
        stderr = first_line(done.stderr)
        if words[0] == "ok":
            if done.returncode != 0 or done.stderr:
                self.fail(block.line, f"expected a clean compile; kvc exited {done.returncode} "
                                      f"and wrote {stderr!r}")
        else:
            where = f"{recipe}:{position.group(1)}:{position.group(2)}" if position else bundle
            what = f"error[{expectation.group(2)}]" if expectation.group(2) else "warning"
            status = 0 if what == "warning" else 1
            if done.returncode != status or not stderr.startswith(f"{where}: {what}: "):
                place = f" at {position.group(0)}" if position else " without a position"
                self.fail(block.line, f"expected {what}{place}; kvc exited {done.returncode} "
                                      f"with {stderr!r} first")
        self.check_followers(block, followers, done)

    def check_commands(self, block, followers):
        if "install" in block.flags and not self.options.build:
            self.skipped += 1
            return
        self.checked += 1
        timeout = INSTALL_TIMEOUT_SECONDS if "install" in block.flags else TIMEOUT_SECONDS
        done = subprocess.run(["bash", "-e", "-o", "pipefail", "-c", block.text], cwd=self.work,
                              env=self.env, capture_output=True, timeout=timeout)
        wanted = int(block.attrs.get("exit", "0"))
        if done.returncode != wanted:
            said = done.stderr.decode("utf-8", "replace").strip().splitlines()[-10:]
            self.fail(block.line, f"the commands exited {done.returncode}, not {wanted}" +
                      "".join(f"\n    {line}" for line in said))
        self.check_followers(block, followers, done)

    def check_followers(self, block, followers, done):
        for follower in followers:
            lines = follower.lines()
            if follower.flags[0] == "stderr":
                if len(lines) != 1:
                    self.fail(follower.line, "shows more than the first line of standard "
                                             "error, which is all that is compared")
                elif lines[0] != first_line(done.stderr):
                    self.fail(follower.line + 1, f"standard error differs: the page shows "
                                                 f"{lines[0]!r}, the run gives "
                                                 f"{first_line(done.stderr)!r}")
            elif block.kind != "sh":
                self.fail(follower.line, "shows output, which only an sh block's is compared")
            else:
                difference = first_difference(
                    lines, done.stdout.decode("utf-8", "replace").splitlines())
                if difference:
                    index, want, got = difference
                    self.fail(follower.line + 1 + index,
                              f"standard output differs: the page shows {quoted(want)}, "
                              f"the run gives {quoted(got)}")


def count(number, noun):
    return f"{number} {noun}{'' if number == 1 else 's'}"


def main(arguments):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--kvc", required=True, help="the kvc to run")
    parser.add_argument("--source", required=True, help="the repository")
    parser.add_argument("--work", required=True, help="where the scratch folders go")
    parser.add_argument("--build", help="an installable build folder, for the install blocks")
    parser.add_argument("pages", nargs="+")
    options = parser.parse_args(arguments)
    # The commands run in the scratch folders.
    for name in ("kvc", "source", "work", "build"):
        if getattr(options, name):
            setattr(options, name, os.path.abspath(getattr(options, name)))
    failed = False
    for page in options.pages:
        run = PageRun(page, options)
        run.run()
        for failure in run.failures:
            print(failure)
        failed = failed or bool(run.failures)
        skipped = f", {count(run.skipped, 'install block')} skipped (no --build)" \
            if run.skipped else ""
        print(f"{run.name}: {count(run.checked, 'block')} checked, "
              f"{count(len(run.failures), 'failure')}{skipped}")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
