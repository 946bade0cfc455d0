#!/usr/bin/env bash
# Installs the Debian packages the builds and tests need. Safe to run again and
# again: with everything present it asks dpkg and returns without touching apt.
set -euo pipefail

packages=(
    # native build and unit tests
    make cmake ninja-build g++ libgtest-dev googletest
    # cross build
    mingw-w64 g++-mingw-w64-x86-64-posix
    # running the Windows programs; fonts-wine carries the Tahoma the window draws with
    wine wine64 fonts-wine
    # a private X display and looking at it from outside
    xvfb xdotool imagemagick tesseract-ocr tesseract-ocr-eng
    # the end-to-end tests and the bench (they run /usr/bin/python3, not a pyenv one)
    python3 python3-pil python3-psutil
    # the window test reads the pointer's image through XFIXES with ctypes
    libx11-6 libxfixes3
    # the fuzz targets: clang with libFuzzer and the sanitizer runtimes
    clang libclang-rt-14-dev
)

missing=()
for p in "${packages[@]}"; do
    [[ $(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null) == installed ]] || missing+=("$p")
done

((${#missing[@]} > 0)) || exit 0

if ((EUID != 0)); then
    echo "install-deps: missing packages: ${missing[*]}" >&2
    echo "install-deps: run this script as root to install them" >&2
    exit 1
fi

echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
# apt's chatter goes to a log that is shown only when something fails.
log=$(mktemp)
trap 'rm -f "$log"' EXIT
if ! { apt-get update -qq && apt-get install -y -qq -o=Dpkg::Use-Pty=0 "${missing[@]}"; } >"$log" 2>&1; then
    cat "$log" >&2
    echo "install-deps: apt-get failed" >&2
    exit 1
fi
