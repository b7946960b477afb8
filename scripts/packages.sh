# Sourced by the project's scripts: installs the Debian packages the build
# needs, when they are missing.

# Everything the build needs from Debian, in one place.
# sqlite3: the command-line tool, for the backup and restore test.
# postgresql: the server the tests start a throwaway cluster of.
# libasio-dev: standalone Asio, header-only, for orsad and the SDK's network transport.
# qt6-base-dev, qt6-5compat-dev: the Qt 6 build (QTextCodec lives in Core5Compat).
# dpkg-dev, file: dpkg-shlibdeps and the ELF check CPack uses to work out the
# Debian packages' dependencies.
PACKAGES=(cmake g++ make pkg-config qtbase5-dev libsqlite3-dev libssl-dev sqlite3 libpq-dev
    postgresql libasio-dev qt6-base-dev qt6-5compat-dev dpkg-dev file)

# Runs a shell command line as root: directly as root, otherwise through
# password-less sudo; without either it prints the line to run and stops.
run_as_root() {
    local cmd="$1"
    if [[ "$(id -u)" -eq 0 ]]; then
        DEBIAN_FRONTEND=noninteractive bash -c "$cmd"
    elif command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then
        sudo -n env DEBIAN_FRONTEND=noninteractive bash -c "$cmd"
    else
        echo "This needs root. Run as root:" >&2
        echo "  $cmd" >&2
        exit 1
    fi
}

# scripts/fuzz.sh also needs clang with its libFuzzer and sanitizer runtimes.
FUZZ_PACKAGES=(clang-14 libclang-rt-14-dev)

install_missing_packages() {
    local missing=() pkg status
    for pkg in "${PACKAGES[@]}"; do
        status="$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)"
        [[ "$status" == "install ok installed" ]] || missing+=("$pkg")
    done
    [[ ${#missing[@]} -eq 0 ]] && return 0

    echo "Installing missing packages: ${missing[*]}"
    run_as_root "apt-get update && apt-get install -y --no-install-recommends ${missing[*]}"
}
