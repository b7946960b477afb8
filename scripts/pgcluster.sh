#!/usr/bin/env bash
# A throwaway PostgreSQL cluster for a test run, listening on a Unix socket in
# a temporary directory only. The server runs as an unprivileged user: as
# root, as nobody; otherwise as the caller.
#
#   source scripts/pgcluster.sh; pgcluster_start; ...; pgcluster_stop
#   bash scripts/pgcluster.sh start    prints the directory and the export line
#   bash scripts/pgcluster.sh stop DIR
#
# pgcluster_start exports ORSA_TEST_POSTGRESQL, a postgresql:// URI without a
# database name (the tests append /NAME), and PGCLUSTER_DIR.

pgcluster_bin() {
    local dir
    dir="$(find /usr/lib/postgresql -maxdepth 2 -name bin -type d 2>/dev/null | sort -V | tail -n 1)"
    [[ -n "$dir" && -x "$dir/initdb" ]] || {
        echo "pgcluster: no PostgreSQL server installed (Debian package postgresql)" >&2
        return 1
    }
    echo "$dir"
}

# Runs a server program as the cluster's owner.
pgcluster_as_owner() {
    if [[ "$(id -u)" -eq 0 ]]; then
        setpriv --reuid=nobody --regid=nogroup --clear-groups -- "$@"
    else
        "$@"
    fi
}

pgcluster_start() {
    local bin dir
    bin="$(pgcluster_bin)" || return 1
    dir="$(mktemp -d "${TMPDIR:-/tmp}/orsa-pg.XXXXXX")"
    chmod 0755 "$dir"
    mkdir "$dir/data" "$dir/socket"
    touch "$dir/server.log"
    if [[ "$(id -u)" -eq 0 ]]; then
        chown nobody:nogroup "$dir/data" "$dir/socket" "$dir/server.log"
    fi
    # Trust on the socket only, which sits in a directory of this run; no TCP.
    # fsync off unless PGCLUSTER_FSYNC=on: the cluster lives for one run and is
    # thrown away; a benchmark beside SQLite's synchronous commits wants it on.
    if ! pgcluster_as_owner "$bin/initdb" -D "$dir/data" -U orsa_test --auth=trust \
        --encoding=SQL_ASCII --locale=C >"$dir/initdb.log" 2>&1; then
        cat "$dir/initdb.log" >&2
        rm -rf "$dir"
        return 1
    fi
    if ! pgcluster_as_owner "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 \
        -o "-c listen_addresses='' -c unix_socket_directories='$dir/socket' -c fsync=${PGCLUSTER_FSYNC:-off} -c max_connections=200" \
        start >/dev/null; then
        cat "$dir/server.log" >&2
        rm -rf "$dir"
        return 1
    fi
    export PGCLUSTER_DIR="$dir"
    export ORSA_TEST_POSTGRESQL="postgresql://orsa_test@${dir//\//%2F}%2Fsocket"
}

pgcluster_stop() {
    local dir="${1:-${PGCLUSTER_DIR:-}}" bin
    [[ -n "$dir" && -d "$dir" ]] || return 0
    bin="$(pgcluster_bin)" || return 1
    pgcluster_as_owner "$bin/pg_ctl" -D "$dir/data" -m immediate -w stop >/dev/null 2>&1 || true
    rm -rf "$dir"
}

if [[ "${BASH_SOURCE[0]}" == "$0" ]]; then
    set -euo pipefail
    case "${1:-}" in
    start)
        pgcluster_start
        echo "export PGCLUSTER_DIR='$PGCLUSTER_DIR' ORSA_TEST_POSTGRESQL='$ORSA_TEST_POSTGRESQL'"
        ;;
    stop)
        pgcluster_stop "${2:-}"
        ;;
    *)
        echo "usage: bash scripts/pgcluster.sh start | stop DIR" >&2
        exit 2
        ;;
    esac
fi
