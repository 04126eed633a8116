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
if [ ${#missing[@]} -gt 0 ]; then
    echo "installing: ${missing[*]}"
    if [ "$(id -u)" -eq 0 ]; then sudo=(); else sudo=(sudo); fi
    export DEBIAN_FRONTEND=noninteractive
    "${sudo[@]}" apt-get update -qq
    "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The 32-bit build's tests run under wine32, from Debian's i386 architecture. Where that cannot
# be had, scripts/windows-test.sh export-checks the 32-bit build instead.
if [ "${1:-}" = "--windows" ] &&
    ! dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q "install ok installed"; then
    if [ "$(id -u)" -eq 0 ]; then sudo=(); else sudo=(sudo); fi
    export DEBIAN_FRONTEND=noninteractive
    if ! { "${sudo[@]}" dpkg --add-architecture i386 &&
        "${sudo[@]}" apt-get update -qq &&
        "${sudo[@]}" apt-get install -y -qq --no-install-recommends wine32:i386 >/dev/null; }; then
        echo "install-deps: wine32 is not available here; 32-bit Windows code will not run"
    fi
fi
