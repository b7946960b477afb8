#!/usr/bin/env bash
# The main job, end to end: imports examples/site.json with orsactl into a
# database of its own, made afresh on every run, and prints its region tree.
# On first use it installs the Debian packages that are missing and builds.
#
#   bash scripts/demo.sh
set -euo pipefail

# Everything the build needs from Debian, in one place.
PACKAGES=(cmake g++ make pkg-config qtbase5-dev libsqlite3-dev libssl-dev)

source_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build_dir="$source_dir/build"

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

# Quiet when up to date; the log is shown only when the build fails.
build_tool() {
    local log="$build_dir/demo-build.log"
    mkdir -p "$build_dir"
    if [[ ! -x "$build_dir/bin/orsactl" ]]; then
        echo "Building orsactl (first run only, a few minutes)..."
    fi
    if ! { [[ -f "$build_dir/CMakeCache.txt" ]] ||
        cmake -S "$source_dir" -B "$build_dir" -DORSA_WERROR=ON; } >"$log" 2>&1 ||
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
