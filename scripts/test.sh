#!/usr/bin/env bash
# Sets up a Debian machine for the project, builds it and runs every test.
#
#   bash scripts/test.sh              normal build in build/
#   bash scripts/test.sh --sanitize   AddressSanitizer + UndefinedBehaviorSanitizer
#                                     build in build-sanitize/; any report fails
set -euo pipefail

# Everything the build needs from Debian, in one place.
PACKAGES=(cmake g++ make pkg-config qtbase5-dev libsqlite3-dev libssl-dev)

usage() {
    echo "usage: bash scripts/test.sh [--sanitize]" >&2
    exit 2
}

sanitize=0
case "${1:-}" in
"") ;;
--sanitize) sanitize=1 ;;
*) usage ;;
esac
[[ $# -le 1 ]] || usage

source_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

install_missing_packages() {
    local missing=() pkg status
    for pkg in "${PACKAGES[@]}"; do
        status="$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)"
        [[ "$status" == "install ok installed" ]] || missing+=("$pkg")
    done
    [[ ${#missing[@]} -eq 0 ]] && return 0

    local install_cmd="apt-get update && apt-get install -y --no-install-recommends ${missing[*]}"
    echo "Installing missing packages: ${missing[*]}"
    if [[ "$(id -u)" -eq 0 ]]; then
        export DEBIAN_FRONTEND=noninteractive
        bash -c "$install_cmd"
    elif command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then
        sudo -n env DEBIAN_FRONTEND=noninteractive bash -c "$install_cmd"
    else
        echo "Cannot install packages without root. Run as root:" >&2
        echo "  $install_cmd" >&2
        exit 1
    fi
}

install_missing_packages

build_dir="$source_dir/build"
cmake_args=(-DORSA_WERROR=ON)
if [[ $sanitize -eq 1 ]]; then
    build_dir="$source_dir/build-sanitize"
    cmake_args+=(-DORSA_SANITIZERS="address;undefined" -DCMAKE_BUILD_TYPE=Debug)
    # Any sanitizer report ends the test process with a failure.
    export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
    export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
fi

cmake -S "$source_dir" -B "$build_dir" "${cmake_args[@]}"
cmake --build "$build_dir" -j2
cd "$build_dir"
ctest --output-on-failure
