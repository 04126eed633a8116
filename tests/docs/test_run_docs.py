#!/usr/bin/env python3
"""Checks run_docs.py on small pages: what a page says must be what kvc does, or the run fails
naming the page, the line and the difference.

    test_run_docs.py --kvc KVC --source SRC --work DIR
"""

import argparse
import contextlib
import io
import os
import shutil
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import run_docs  # noqa: E402

OPTIONS = None
FENCE = "```"


def source_tree():
    """A repository of its own for the pages: the examples and the file a page quotes."""
    source = os.path.join(OPTIONS.work, "source")
    if not os.path.isdir(source):
        shutil.copytree(os.path.join(OPTIONS.source, "examples"),
                        os.path.join(source, "examples"))
        os.makedirs(os.path.join(source, "docs"))
        os.makedirs(os.path.join(source, "tests", "install"))
        shutil.copy(os.path.join(OPTIONS.source, "tests", "install", "CMakeLists.txt"),
                    os.path.join(source, "tests", "install"))
    return source


def run_page(name, text):
    """run_docs.main on docs/NAME; returns its exit status and its report lines. The pages
    write ~~~ for the fences they hold."""
    source = source_tree()
    with open(os.path.join(source, "docs", name), "w", encoding="utf-8") as out:
        out.write(text.replace("~~~", FENCE))
    report = io.StringIO()
    with contextlib.redirect_stdout(report):
        status = run_docs.main(["--kvc", OPTIONS.kvc, "--source", source,
                                "--work", os.path.join(OPTIONS.work, "scratch"),
                                os.path.join(source, "docs", name)])
    return status, report.getvalue().splitlines()


class RunDocsTest(unittest.TestCase):
    def test_a_page_that_says_what_kvc_does_passes(self):
        status, report = run_page("right.md", """\
~~~recipe error[1003] 3:14
// 第 1 行
// 第 2 行
task_t1 = 1; stir(300)
~~~
~~~text stderr
recipe.rcp:3:14: error[1003]: 参数值:<300>的值不在正常范围内，必须在0-200范围内
~~~

~~~sh
printf 'one\\ntwo\\n'
~~~
~~~text output
one
two
~~~
""")
        self.assertEqual(status, 0, report)
        self.assertEqual(report, ["docs/right.md: 2 blocks checked, 0 failures"])

    def test_each_wrong_expectation_fails_with_its_line_and_what_differed(self):
        status, report = run_page("wrong.md", """\
~~~recipe error[1004] 3:14
// 第 1 行
// 第 2 行
task_t1 = 1; stir(300)
~~~

~~~recipe ok
// 第 1 行
// 第 2 行
task_t1 = 1; stir(30)
~~~
~~~text stderr
recipe.rcp:3:14: error[1003]: 不是这样
~~~

~~~sh exit=1
echo one
~~~
~~~text output
two
~~~
""")
        self.assertEqual(status, 1)
        page = "docs/wrong.md"
        self.assertEqual(report, [
            f"{page}:1: expected error[1004] at 3:14; kvc exited 1 with "
            "'recipe.rcp:3:14: error[1003]: 参数值:<300>的值不在正常范围内，必须在0-200范围内' first",
            f"{page}:13: standard error differs: the page shows "
            "'recipe.rcp:3:14: error[1003]: 不是这样', the run gives ''",
            f"{page}:16: the commands exited 0, not 1",
            f"{page}:20: standard output differs: the page shows 'two', the run gives 'one'",
            f"{page}: 3 blocks checked, 4 failures",
        ])

    def test_blocks_must_say_what_they_are_and_copies_must_match(self):
        with open(os.path.join(source_tree(), "tests", "install", "CMakeLists.txt"),
                  encoding="utf-8") as original:
            first = original.readline().rstrip("\n")
        status, report = run_page("unclear.md", f"""\
~~~
echo what am I
~~~

~~~text stderr
a first line
~~~

~~~cmake
project(x)
~~~

~~~cmake file=x/CMakeLists.txt same=tests/install/CMakeLists.txt
{first}
cmake_minimum_required(VERSION 3.0)
~~~

~~~recipe error 3:14
stir(30)
~~~
""")
        self.assertEqual(status, 1)
        page = "docs/unclear.md"
        self.assertEqual(report, [
            f"{page}:1: a block of unknown kind ''; say what it is "
            "(cmake, cpp, json, lua, recipe, sh, text)",
            f"{page}:5: shows stderr, but no recipe or sh block comes right before it",
            f"{page}:9: a cmake block must say which file it is a piece of (file=PATH)",
            f"{page}:18: a recipe block says what it gives: ok, error[CODE] LINE:COL, "
            "error[CODE] or warning LINE:COL",
            f"{page}:13: the pieces of x/CMakeLists.txt are not tests/install/CMakeLists.txt: "
            "at its line 2 the page shows 'cmake_minimum_required(VERSION 3.0)', the file "
            "holds '# developer would: configure with -DCMAKE_PREFIX_PATH=<prefix>.'",
            f"{page}: 1 block checked, 5 failures",
        ])

    def test_lua_blocks_are_compiled(self):
        status, report = run_page("lua.md", """# Lua

~~~lua
vim.lsp.start({ cmd = { "kvc", "lsp" } })
~~~

~~~lua
vim.lsp.start({ cmd = { "kvc", "lsp" }
~~~
""")
        self.assertEqual(status, 1)
        self.assertEqual(len(report), 2, report)
        self.assertTrue(report[0].startswith("docs/lua.md:7: not Lua: "), report)
        self.assertEqual(report[1], "docs/lua.md: 2 blocks checked, 1 failure")


def main():
    global OPTIONS
    parser = argparse.ArgumentParser()
    parser.add_argument("--kvc", required=True)
    parser.add_argument("--source", required=True)
    parser.add_argument("--work", required=True)
    OPTIONS, rest = parser.parse_known_args()
    shutil.rmtree(OPTIONS.work, ignore_errors=True)
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)


if __name__ == "__main__":
    main()
