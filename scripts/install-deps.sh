#!/usr/bin/env bash
# Installs the Debian packages the build needs; does nothing when all are present.
#   scripts/install-deps.sh            the Linux build
#   scripts/install-deps.sh --windows  also the MinGW-w64 cross compilers and Wine
set -euo pipefail

packages=(
    cmake g++ make python3 time pkgconf lua5.4
    rapidjson-dev libmsgpack-cxx-dev libcli11-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    libxml2-utils librsvg2-bin  # xmllint and rsvg-convert check the timeline pictures
)
# Node and npm run the language server's client tests. A machine may have them from elsewhere
# (a Node.js build with npm inside), which Debian's npm package would conflict with.
if ! command -v node >/dev/null || ! command -v npm >/dev/null; then
    packages+=(nodejs npm)
fi
if [ "${1:-}" = "--windows" ]; then
    # googletest ships the sources that the cross builds compile for Windows.
    packages+=(g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine64 googletest)
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
# The SARIF test runs Microsoft's multitool from npm. A Node.js installed otherwise (whose
# package brings npm along) serves as well; Debian's would conflict with it.
if ! command -v node >/dev/null || ! command -v npm >/dev/null || ! command -v npx >/dev/null; then
    missing+=(nodejs npm)
fi
[ ${#missing[@]} -eq 0 ] && exit 0

echo "installing: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then sudo=(); else sudo=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
