#!/usr/bin/env bash
# Makes the profile the release build is optimised with: builds kvc and its libraries counting
# what they run (preset pgo-train), compiles the bundled example and a generated recipe of 2,000
# lines with them, and leaves the counts in build/pgo-profile. Does nothing while the profile is
# newer than every program that made it.
set -euo pipefail
cd "$(dirname "$0")/.."

jobs=${JOBS:-$(nproc)}
profile=build/pgo-profile
trained=$profile/trained
bin=build/pgo-train/bin

cmake --preset pgo-train >/dev/null
cmake --build --preset pgo-train -j "$jobs" --target kvc

if [[ -f $trained && -z $(find "$bin" -maxdepth 1 -newer "$trained" \( -name kvc -o -name '*.so*' \)) ]]; then
    exit 0
fi

# Counts add up over runs: a new profile starts from none.
rm -rf "$profile"
mkdir -p "$profile"
inputs=build/pgo-train/inputs
if [[ ! -f $inputs/recipe.rcp ]]; then
    python3 bench/gen_recipe_bundle.py 2000 "$inputs" >/dev/null
fi
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
example=examples/braised-chicken
"$bin/kvc" compile "$example/bundle" "$example/recipe.rcp" -o "$scratch/example" >/dev/null
"$bin/kvc" compile "$inputs/bundle" "$inputs/recipe.rcp" -o "$scratch/generated" >/dev/null
touch "$trained"
echo "profile for the release build written to $profile"
