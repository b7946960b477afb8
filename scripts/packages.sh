# Sourced by the project's scripts: installs the Debian packages the build
# needs, when they are missing.

# Everything the build needs from Debian, in one place.
# sqlite3: the command-line tool, for the backup and restore test.
# postgresql: the server the tests start a throwaway cluster of.
# libasio-dev: standalone Asio, header-only, for orsad and the SDK's network transport.
PACKAGES=(cmake g++ make pkg-config qtbase5-dev libsqlite3-dev libssl-dev sqlite3 libpq-dev
    postgresql libasio-dev)
# scripts/fuzz.sh also needs clang with its libFuzzer and sanitizer runtimes.
FUZZ_PACKAGES=(clang-14 libclang-rt-14-dev)

# As root through apt-get, otherwise through password-less sudo; without
# either it prints the apt-get line to run and stops.
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
