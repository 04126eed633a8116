#!/usr/bin/env bash
# The whole-process benchmark: kvc compile against bench_floor on generated recipes of 1k, 10k
# and 100k lines (more with --lines N). Expects a release build:
#   cmake --preset release && cmake --build --preset release -j2
# Further options: python3 bench/whole_process.py --help
set -euo pipefail
cd "$(dirname "$0")/.."
exec python3 bench/whole_process.py "$@"
