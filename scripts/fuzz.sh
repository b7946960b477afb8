#!/usr/bin/env bash
# Builds the fuzz targets of fuzz/ with clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer in build-fuzz/, then runs each for a while,
# starting from its committed corpus. Any crash, leak or time-out fails the
# run and prints the input that caused it in base64.
#
#   bash scripts/fuzz.sh [SECONDS [TARGET...]]   default: 60 s, every target
#
# A finding is reproduced with build-fuzz/bin/fuzz_TARGET FILE, and once fixed,
# its input is added to fuzz/corpus/TARGET/ so that every test run replays it.
set -euo pipefail

seconds="${1:-60}"
[[ "$seconds" =~ ^[0-9]+$ ]] || {
    echo "usage: bash scripts/fuzz.sh [SECONDS [TARGET...]]" >&2
    exit 2
}
shift || true
targets=("$@")
[[ ${#targets[@]} -gt 0 ]] || targets=(frames service sinks siteread orsad)

source_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
# shellcheck source=scripts/packages.sh
source "$source_dir/scripts/packages.sh"
PACKAGES+=("${FUZZ_PACKAGES[@]}")
install_missing_packages

build_dir="$source_dir/build-fuzz"
CXX=clang++-14 cmake -S "$source_dir" -B "$build_dir" -DORSA_FUZZ=ON -DORSA_QT_MAJOR=5 \
    -DORSA_SANITIZERS="address;undefined" -DCMAKE_BUILD_TYPE=Debug \
    -DORSA_BUILD_BENCHMARKS=OFF
cmake --build "$build_dir" -j2 --target "${targets[@]/#/fuzz_}"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export QT_LOGGING_RULES="orsa.*.debug=false"
export QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8

failed=()
for target in "${targets[@]}"; do
    work="$build_dir/fuzz-work/$target"
    rm -rf "$work"
    mkdir -p "$work/corpus" "$work/findings"
    echo "== fuzz_$target for $seconds s"
    # New inputs go to the scratch corpus only; the committed one stays as it is.
    # Standard error carries the server's log lines: libFuzzer keeps its own copy.
    if ! "$build_dir/bin/fuzz_$target" -max_total_time="$seconds" -timeout=25 \
        -rss_limit_mb=2048 -max_len=4096 -close_fd_mask=2 \
        -artifact_prefix="$work/findings/" "$work/corpus" "$source_dir/fuzz/corpus/$target"; then
        failed+=("$target")
        for finding in "$work/findings/"*; do
            [[ -f "$finding" ]] || continue
            echo "fuzz_$target: reproducing input $(basename "$finding"), base64:"
            base64 -w 76 "$finding"
        done
    fi
done

if [[ ${#failed[@]} -gt 0 ]]; then
    echo "fuzzing failed: ${failed[*]}" >&2
    exit 1
fi
echo "fuzzing: no finding in ${targets[*]}"
