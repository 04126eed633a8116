#!/usr/bin/env bash
# Runs every line of the README's code block marked for CI, so that the commands a newcomer
# copies keep working. A line that selects no test fails, as it would mislead.
set -euo pipefail
cd "$(dirname "$0")/.."

block=$(awk '/<!-- CI runs every line of the next block/ {marked = 1; next}
             marked && /^```sh/ {inside = 1; next}
             inside && /^```/ {exit}
             inside {print}' README.md)
if [ -z "$block" ]; then
    echo "check-readme: the README has no block marked for CI" >&2
    exit 1
fi

while IFS= read -r line; do
    [ -z "$line" ] && continue
    echo "+ $line"
    output=$(bash -c "$line" 2>&1) || { echo "$output"; echo "check-readme: failed: $line" >&2; exit 1; }
    if grep -qE '^\[==========\] 0 tests|No tests were found' <<<"$output"; then
        echo "$output"
        echo "check-readme: selects no test: $line" >&2
        exit 1
    fi
done <<<"$block"
echo "check-readme: every README command ran"
