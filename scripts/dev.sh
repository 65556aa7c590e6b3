#!/usr/bin/env bash
# Sets up what is missing on Debian 12, builds Velunor, and then starts the
# editor (run), runs the test suite (test), or runs it again under
# AddressSanitizer and UndefinedBehaviorSanitizer (test-sanitize).
set -euo pipefail

cd "$(dirname "$0")/.."
root=$(pwd)
jobs=$(nproc 2>/dev/null || echo 2)

packages=(build-essential cmake qt6-base-dev qt6-base-dev-tools libgl-dev
          libbenchmark-dev ccache git xvfb xauth
          libbitstream-dev)  # dvb_print_si, the independent decoder of test_tsdecoder

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

install_missing() {
    local missing=()
    for p in "${packages[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        echo "Installing: ${missing[*]}"
        as_root apt-get update -qq
        as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
    fi
}

build() { # build DIR [cmake options...]
    local dir=$1; shift
    cmake -S "$root" -B "$dir" "$@" >/dev/null
    cmake --build "$dir" -j "$jobs"
}

case "${1:-}" in
run)
    install_missing
    build "$root/build"
    if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
        exec xvfb-run -a "$root/build/app/velunor"
    fi
    exec "$root/build/app/velunor"
    ;;
test)
    install_missing
    build "$root/build"
    cd "$root/build"
    QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$jobs"
    ;;
test-sanitize)
    install_missing
    build "$root/build-sanitize" -DCMAKE_BUILD_TYPE=Debug -DVELUNOR_SANITIZE=ON -DVELUNOR_BENCH=OFF
    cd "$root/build-sanitize"
    QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$jobs"
    ;;
*)
    echo "usage: $0 run|test|test-sanitize" >&2
    exit 2
    ;;
esac
