#!/usr/bin/env bash
# The main job, end to end: imports examples/site.json with orsactl into a
# database of its own, made afresh on every run, and prints its region tree.
# On first use it installs the Debian packages that are missing and builds.
#
#   bash scripts/demo.sh
set -euo pipefail

source_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
# shellcheck source=scripts/packages.sh
source "$source_dir/scripts/packages.sh"
build_dir="$source_dir/build"

# Quiet when up to date; the log is shown only when the build fails.
build_tool() {
    local log="$build_dir/demo-build.log"
    mkdir -p "$build_dir"
    if [[ ! -x "$build_dir/bin/orsactl" ]]; then
        echo "Building orsactl (first run only, a few minutes)..."
    fi
    if ! { [[ -f "$build_dir/CMakeCache.txt" ]] ||
        cmake -S "$source_dir" -B "$build_dir" -DORSA_WERROR=ON -DORSA_QT_MAJOR=5; } >"$log" 2>&1 ||
        ! cmake --build "$build_dir" -j2 --target orsactl >>"$log" 2>&1; then
        cat "$log" >&2
        exit 1
    fi
}

install_missing_packages
build_tool

database="$build_dir/demo/site.db"
mkdir -p "$(dirname "$database")"
rm -f "$database" "$database-wal" "$database-shm"

# A new embedded database has the account admin with the password admin.
export ORSA_ADDRESS="embedded:$database"
export ORSA_PASSWORD=admin
cd "$source_dir"
"$build_dir/bin/orsactl" import examples/site.json
echo
echo "Region tree:"
"$build_dir/bin/orsactl" tree
