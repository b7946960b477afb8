#!/usr/bin/env bash
# A soak run, not part of CI: an orsad of a Release build on a new SQLite
# database in a temporary directory, loaded by 50 clients over loopback TLS
# with mixed reads and writes for a given time. Prints requests/s, errors,
# orsad's resident memory and open file count at the start and every minute;
# memory and files should stay flat. Fails on any error.
#
#   bash scripts/soak.sh [MINUTES [CLIENTS]]     default: 10 minutes, 50 clients
set -euo pipefail

minutes="${1:-10}"
clients="${2:-50}"
[[ "$minutes" =~ ^[0-9]+$ && "$clients" =~ ^[0-9]+$ && "$minutes" -gt 0 ]] || {
    echo "usage: bash scripts/soak.sh [MINUTES [CLIENTS]]" >&2
    exit 2
}

source_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
# shellcheck source=scripts/packages.sh
source "$source_dir/scripts/packages.sh"
install_missing_packages

build_dir="$source_dir/build-rel"
cmake -S "$source_dir" -B "$build_dir" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build_dir" -j2 --target orsad soak_orsad

work="$(mktemp -d)" # 0700: it holds the password file
orsad_pid=""
cleanup() {
    if [[ -n "$orsad_pid" ]] && kill -0 "$orsad_pid" 2>/dev/null; then
        kill -TERM "$orsad_pid"
        wait "$orsad_pid" || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

(umask 077 && head -c 18 /dev/urandom | base64 >"$work/admin-password")
# Port 0: orsad takes a free one and says which in its log.
coproc ORSAD {
    exec "$build_dir/bin/orsad" --database "$work/soak.db" --listen 127.0.0.1:0 \
        --admin-password-file "$work/admin-password" 2>&1
}
orsad_pid=$ORSAD_PID
exec {orsad_out}<&"${ORSAD[0]}" # bash forgets the coprocess's own once it ends
port=""
while IFS= read -r -t 60 line <&"$orsad_out"; do
    echo "$line" >>"$work/orsad.log"
    if [[ "$line" =~ listening\ on\ 127\.0\.0\.1:([0-9]+) ]]; then
        port="${BASH_REMATCH[1]}"
        break
    fi
done
if [[ -z "$port" ]]; then
    echo "orsad did not start:" >&2
    cat "$work/orsad.log" >&2
    exit 1
fi
# The rest of its log, read so that orsad never waits on a full pipe.
cat <&"$orsad_out" >>"$work/orsad.log" &
echo "orsad (pid $orsad_pid) on 127.0.0.1:$port; $clients clients for $minutes min; $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)"

export XDG_CONFIG_HOME="$work/config" # the clients trust orsad's certificate on first use
"$build_dir/bin/soak_orsad" "$port" "$work/admin-password" $((minutes * 60)) "$orsad_pid" "$clients"
echo "load at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
