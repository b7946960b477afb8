#!/usr/bin/env bash
# Builds the Debian packages, installs them on this machine and tries them the
# way an administrator and a developer would: a client built against the
# installed -dev package, orsactl --version, and orsad started and stopped
# through its unit (under systemd), or else by the unit's own command line as
# its user.
#
#   bash scripts/packages-check.sh          Qt 5 packages, built in build-deb/
#   bash scripts/packages-check.sh --qt6    Qt 6 packages, built in build-deb-qt6/
set -euo pipefail

usage() {
    echo "usage: bash scripts/packages-check.sh [--qt6]" >&2
    exit 2
}

qt_major=5
case "${1:-}" in
"") ;;
--qt6) qt_major=6 ;;
*) usage ;;
esac
[[ $# -le 1 ]] || usage

source_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
# shellcheck source=scripts/packages.sh
source "$source_dir/scripts/packages.sh"
install_missing_packages

build_dir="$source_dir/build-deb"
package=OrsaDataCenter
if [[ $qt_major -eq 6 ]]; then
    build_dir="$source_dir/build-deb-qt6"
    package=OrsaDataCenterQt6
fi

step() { echo "==> $*"; }
fail() {
    echo "packages-check: $*" >&2
    exit 1
}

step "building the packages in $build_dir"
cmake -S "$source_dir" -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_INSTALL_PREFIX=/usr -DORSA_QT_MAJOR=$qt_major -DORSA_WERROR=ON \
    -DBUILD_TESTING=OFF -DORSA_BUILD_BENCHMARKS=OFF
cmake --build "$build_dir" -j2
rm -f "$build_dir"/*.deb
(cd "$build_dir" && cpack -G DEB)
debs=("$build_dir"/*.deb)
[[ ${#debs[@]} -eq 6 ]] || fail "expected 6 packages, got ${#debs[@]}: ${debs[*]}"
for deb in "${debs[@]}"; do
    echo "--- $(basename "$deb")"
    dpkg-deb --field "$deb" Package Depends
done

step "installing them"
run_as_root "apt-get install -y --no-install-recommends --allow-downgrades --reinstall $(printf '%q ' "${debs[@]}")"

step "orsad's user and data directory"
getent passwd orsad >/dev/null || fail "no user orsad"
[[ "$(stat -c '%a %U' /var/lib/orsad)" == "700 orsad" ]] ||
    fail "/var/lib/orsad is $(stat -c '%a %U' /var/lib/orsad), not 700 orsad"
[[ "$(stat -c '%a %U' /etc/orsad/admin-password)" == "600 orsad" ]] ||
    fail "/etc/orsad/admin-password is $(stat -c '%a %U' /etc/orsad/admin-password)"

step "a client of the installed -dev package"
consumer_build="$build_dir/consumer"
rm -rf "$consumer_build"
cmake -S "$source_dir/tests/install/consumer" -B "$consumer_build" -DORSA_PACKAGE=$package \
    -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF
cmake --build "$consumer_build"
"$consumer_build/consumer" || fail "the consumer failed"

step "orsactl --version"
/usr/bin/orsactl --version

unit=/usr/lib/systemd/system/orsad.service
[[ -f $unit ]] || unit=/lib/systemd/system/orsad.service
[[ -f $unit ]] || fail "no orsad.service installed"
if [[ -d /run/systemd/system ]]; then
    step "orsad through systemd"
    since="$(date '+%Y-%m-%d %H:%M:%S')"
    run_as_root "systemctl daemon-reload && systemctl start orsad.service"
    for ((i = 0; i < 50; i++)); do
        journalctl -u orsad.service --since "$since" --no-pager | grep -q 'listening on' && break
        sleep 0.2
    done
    systemctl is-active --quiet orsad.service || fail "orsad is not running"
    run_as_root "systemctl stop orsad.service"
    journalctl -u orsad.service --since "$since" --no-pager
    [[ "$(systemctl show -p Result --value orsad.service)" == success ]] ||
        fail "orsad did not stop cleanly"
else
    step "orsad by its unit's command line, as its user (no systemd here)"
    # ExecStart= with its continuation lines, the first of them only.
    exec_start="$(sed -n '/^ExecStart=/,/[^\\]$/p' "$unit" | sed 's/^ExecStart=//; s/\\$//' |
        tr '\n' ' ')"
    user="$(sed -n 's/^User=//p' "$unit")"
    umask_value="$(sed -n 's/^UMask=//p' "$unit")"
    [[ -n "$exec_start" && -n "$user" ]] || fail "no ExecStart or User in $unit"
    log="$build_dir/orsad.log"
    pidfile="$build_dir/orsad.pid"
    : >"$log"
    rm -f "$pidfile"
    # setpriv execs orsad in place, so the pid written is orsad's.
    run_as_root "cd / && umask $umask_value && echo \$\$ >'$pidfile' &&
        exec setpriv --reuid=$user --regid=$user --init-groups -- $exec_start" >>"$log" 2>&1 &
    job=$!
    for ((i = 0; i < 50; i++)); do
        grep -q 'listening on' "$log" && break
        kill -0 "$job" 2>/dev/null || break
        sleep 0.2
    done
    grep -q 'listening on' "$log" || { cat "$log"; fail "orsad did not start"; }
    [[ "$(stat -c '%U' /var/lib/orsad/orsa.db)" == "$user" ]] || fail "the database is not $user's"
    run_as_root "kill -TERM $(cat "$pidfile")"
    status=0
    wait "$job" || status=$?
    cat "$log"
    [[ $status -eq 0 ]] || fail "orsad ended with status $status"
fi
step "packages check passed"
