#!/usr/bin/env bash
# Sets up a Debian machine for the project, builds it and runs every test,
# those on PostgreSQL against a throwaway cluster started for the run.
#
#   bash scripts/test.sh              Qt 5 build in build/
#   bash scripts/test.sh --sanitize   Qt 5, AddressSanitizer + UndefinedBehaviorSanitizer
#                                     build in build-sanitize/; any report fails
#   bash scripts/test.sh --qt6        Qt 6 build in build-qt6/
set -euo pipefail

usage() {
    echo "usage: bash scripts/test.sh [--sanitize | --qt6]" >&2
    exit 2
}

sanitize=0
qt_major=5
case "${1:-}" in
"") ;;
--sanitize) sanitize=1 ;;
--qt6) qt_major=6 ;;
*) usage ;;
esac
[[ $# -le 1 ]] || usage

source_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
# shellcheck source=scripts/packages.sh
source "$source_dir/scripts/packages.sh"
# shellcheck source=scripts/pgcluster.sh
source "$source_dir/scripts/pgcluster.sh"

install_missing_packages

build_dir="$source_dir/build"
cmake_args=(-DORSA_WERROR=ON -DORSA_QT_MAJOR=$qt_major)
if [[ $qt_major -eq 6 ]]; then
    build_dir="$source_dir/build-qt6"
fi
if [[ $sanitize -eq 1 ]]; then
    build_dir="$source_dir/build-sanitize"
    cmake_args+=(-DORSA_SANITIZERS="address;undefined" -DCMAKE_BUILD_TYPE=Debug)
    # Any sanitizer report ends the test process with a failure.
    export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
    export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
fi

cmake -S "$source_dir" -B "$build_dir" "${cmake_args[@]}"
cmake --build "$build_dir" -j2
# Stopped however the run ends, a failed test included.
trap pgcluster_stop EXIT
pgcluster_start
cd "$build_dir"
ctest --output-on-failure
