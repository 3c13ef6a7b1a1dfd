#!/usr/bin/env bash
# One-step set-up for a fresh Debian machine, run as root from anywhere:
#   tools/setup.sh run    install, build, start the builder window
#   tools/setup.sh test   install, build, run every test
#   tools/setup.sh build  install and build only
# Every step is skipped when its result is already there, so a second run is fast.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="$ROOT/build"
DEPS="$ROOT/.deps"
EPANET_VERSION="2.3.5"
APT_PACKAGES=(build-essential cmake ninja-build pkg-config python3 python3-pip
              qt6-base-dev libgtest-dev libcli11-dev xvfb xauth fonts-dejavu-core
              nlohmann-json3-dev libssl-dev python3-numpy chromium
              libopenmpi-dev openmpi-bin)

say() { printf '\n==> %s\n' "$*"; }

install_system_packages() {
    local missing=()
    for p in "${APT_PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    if ((${#missing[@]})); then
        say "Installing Debian packages: ${missing[*]}"
        export DEBIAN_FRONTEND=noninteractive
        apt-get update -qq
        apt-get install -y -qq --no-install-recommends "${missing[@]}"
    else
        say "Debian packages already installed"
    fi
}

install_toolkit() {
    local lib="$DEPS/epanet/epanet/libepanet2.so"
    if [[ -f "$lib" && -f "$DEPS/epanet/.version-$EPANET_VERSION" ]]; then
        say "Simulation toolkit $EPANET_VERSION already in .deps/"
        return
    fi
    say "Installing the simulation toolkit (owa-epanet==$EPANET_VERSION) into .deps/"
    rm -rf "$DEPS/epanet"
    mkdir -p "$DEPS"
    # The package goes into .deps/ only, never into the system's Python.
    export PIP_BREAK_SYSTEM_PACKAGES=1 PIP_ROOT_USER_ACTION=ignore
    if ! python3 -m pip install --quiet --disable-pip-version-check --no-deps \
            --target "$DEPS/epanet" "owa-epanet==$EPANET_VERSION" || [[ ! -f "$lib" ]]; then
        say "No usable wheel; building owa-epanet==$EPANET_VERSION from its source distribution"
        rm -rf "$DEPS/epanet"
        python3 -m pip install --quiet --disable-pip-version-check --no-deps --no-binary owa-epanet \
            --target "$DEPS/epanet" "owa-epanet==$EPANET_VERSION"
    fi
    [[ -f "$lib" ]] || { echo "libepanet2.so not found after installing owa-epanet" >&2; exit 1; }
    touch "$DEPS/epanet/.version-$EPANET_VERSION"
}

build_project() {
    if [[ ! -f "$BUILD/build.ninja" ]]; then
        say "Configuring (CMake, Release)"
        cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release \
              -DEPANET_LIBRARY="$DEPS/epanet/epanet/libepanet2.so"
    fi
    say "Building"
    cmake --build "$BUILD" --parallel "$(nproc)"
}

run_tests() {
    say "Running the test suite"
    cd "$BUILD"
    QT_QPA_PLATFORM=offscreen ctest --output-on-failure --parallel "$(nproc)" --timeout 900
}

start_builder() {
    say "Starting the builder window (build/bin/Zelbrin)"
    if [[ -n "${DISPLAY:-}" || -n "${WAYLAND_DISPLAY:-}" ]]; then
        exec "$BUILD/bin/Zelbrin"
    fi
    echo "No display found: starting it inside a virtual X server (xvfb-run)."
    exec xvfb-run -a "$BUILD/bin/Zelbrin"
}

mode="${1:-build}"
case "$mode" in
    run|test|build) ;;
    *) echo "usage: $0 run|test|build" >&2; exit 2 ;;
esac
install_system_packages
install_toolkit
build_project
case "$mode" in
    run) start_builder ;;
    test) run_tests ;;
    build) say "Done: programs are in build/bin/" ;;
esac
