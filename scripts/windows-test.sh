#!/usr/bin/env bash
# Builds both Windows presets and tests them under Wine: every test of the 64-bit twin, and of
# the 32-bit deliverable its export check, or every test where this machine runs 32-bit code.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${JOBS:-$(nproc)}
# Wine under load now and then fails to start a process at all: the test sees no output and
# an exit status no Windows run of kvc gives. A failed test is run once more; a fault of the
# build fails both times.
retry=(--repeat until-pass:2)
# The tests leave Wine's persistent server running (see scripts/wine-run.sh); it goes when the
# script does, so that it takes no more of the machine's time.
trap 'WINEPREFIX="${KV_WINEPREFIX:-$PWD/build/wineprefix}" wineserver -k >/dev/null 2>&1 || true' EXIT

bash scripts/install-deps.sh --windows
cmake --preset windows-x64 >/dev/null
cmake --build --preset windows-x64 -j "$jobs"
ctest --preset windows-x64 -j "$jobs" "${retry[@]}"

cmake --preset windows >/dev/null
cmake --build --preset windows -j "$jobs"
# Whether 32-bit code runs is told by what kvc says, not by Wine's exit status: a 64-bit-only
# Wine tries such a program in its experimental WoW64 mode, fails to load it and still exits 0.
version=$(timeout 120 scripts/wine-run.sh build/windows/bin/kvc.exe --version 2>/dev/null || true)
if [[ $version == kvc\ * ]]; then
    cmake --preset windows -DCMAKE_CROSSCOMPILING_EMULATOR="$PWD/scripts/wine-run.sh" >/dev/null
    ctest --preset windows -j "$jobs" "${retry[@]}"
else
    echo "windows-test: this machine cannot run 32-bit Windows code; the i686 build is export-checked"
    ctest --preset windows -R AnalyzerLibrary
fi
