#!/usr/bin/env bash
# Runs a Windows program under Wine, as the test emulator of the windows-x64 build: in a
# private prefix beside the build, with Wine's own chatter silenced. A persistent wineserver
# and Wine's services are started first with their output detached: services started by the
# program itself would inherit the caller's pipes and keep CTest waiting for ever.
set -euo pipefail

export WINEPREFIX="${KV_WINEPREFIX:-$(cd "$(dirname "$0")/.." && pwd)/build/wineprefix}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$WINEPREFIX"
wineserver -p </dev/null >/dev/null 2>&1 || true
wine cmd /c exit </dev/null >/dev/null 2>&1 || true
exec wine "$@"
