#!/usr/bin/env bash
# One-step set-up for a fresh Debian machine, run as root from anywhere:
#   tools/setup.sh run    install, build, start the builder window
#   tools/setup.sh test   install, build, run every test, then again under the
#                         address and undefined-behaviour sanitizers, and fuzz
#                         the matrix loader for a fixed number of runs
#   tools/setup.sh build  install and build only
# Each also builds the Python package into .venv/ (tesmar, with NumPy, pandas
# and pytest); test runs its tests with pytest after the C++ suite.
# Every step is skipped when its result is already there, so a second run is fast.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="$ROOT/build"
SANITIZED="$ROOT/build-sanitize"
FUZZ="$ROOT/build-fuzz"
FUZZ_RUNS=20000
VENV="$ROOT/.venv"
PYTHON_PACKAGES=(numpy pandas pytest "scikit-build-core>=0.10" "nanobind>=2.0")
DEPS="$ROOT/.deps"
EPANET_VERSION="2.3.5"
APT_PACKAGES=(build-essential cmake ninja-build pkg-config python3 python3-pip
              qt6-base-dev libgtest-dev libcli11-dev coinor-libcbc-dev xvfb xauth fonts-dejavu-core
              nlohmann-json3-dev libssl-dev python3-numpy python3-venv python3-dev chromium
              libopenmpi-dev openmpi-bin
              clang libclang-rt-14-dev libfuzzer-14-dev)

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
    say "Configuring and building (CMake, Release, build/)"
    configure "$BUILD" -DCMAKE_BUILD_TYPE=Release
    cmake --build "$BUILD" --parallel "$(nproc)"
}

configure() {  # folder, then extra CMake arguments
    local folder="$1"
    shift
    [[ -f "$folder/build.ninja" ]] && return
    cmake -S "$ROOT" -B "$folder" -G Ninja -DEPANET_LIBRARY="$DEPS/epanet/epanet/libepanet2.so" "$@"
}

# The package from this clone, built with the same sources (its own build
# folder, build-python/) into the virtual environment .venv/.
install_python_package() {
    say "Building the Python package into .venv/"
    [[ -x "$VENV/bin/python" ]] || python3 -m venv "$VENV"
    "$VENV/bin/python" -m pip install --quiet --disable-pip-version-check "${PYTHON_PACKAGES[@]}"
    local launcher=()
    command -v ccache >/dev/null && launcher=(-C cmake.define.CMAKE_CXX_COMPILER_LAUNCHER=ccache)
    "$VENV/bin/python" -m pip install --quiet --disable-pip-version-check --no-build-isolation \
        -C cmake.define.EPANET_LIBRARY="$DEPS/epanet/epanet/libepanet2.so" "${launcher[@]}" "$ROOT"
    "$VENV/bin/python" -c "import tesmar"
}

run_python_tests() {
    say "Running the Python package's tests (pytest)"
    local status=0
    (cd "$ROOT" && TESMAR_PROGRAM="$BUILD/bin/tesmar" "$VENV/bin/python" -m pytest python/tests -q) || status=$?
    if ((status == 5)); then
        echo "pytest found no test to run" >&2
    fi
    return "$status"
}

run_tests() {
    say "Running the test suite"
    (cd "$BUILD" && QT_QPA_PLATFORM=offscreen ctest --output-on-failure --parallel "$(nproc)" --timeout 900)
}

# The whole suite again, built with AddressSanitizer and UndefinedBehaviorSanitizer.
run_sanitized_tests() {
    say "Building with the address and undefined-behaviour sanitizers (build-sanitize/)"
    local flags="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
    configure "$SANITIZED" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS="$flags" \
              -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
              -DCMAKE_SHARED_LINKER_FLAGS="-fsanitize=address,undefined"
    cmake --build "$SANITIZED" --parallel "$(nproc)"
    say "Running the test suite under the sanitizers"
    # The driver shims are loaded into the programs ahead of the sanitizer's runtime.
    (cd "$SANITIZED" && QT_QPA_PLATFORM=offscreen \
        ASAN_OPTIONS=verify_asan_link_order=0:detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        ctest --output-on-failure --parallel "$(nproc)" --timeout 1800)
}

# The matrix loader's fuzz target, for a fixed number of runs from the inputs it keeps.
run_fuzzer() {
    say "Fuzzing the matrix loader ($FUZZ_RUNS runs)"
    CXX=clang++ configure "$FUZZ" -DCMAKE_BUILD_TYPE=Release -DTESMAR_FUZZ=ON -DTESMAR_BUILD_GUI=OFF \
        -DTESMAR_BUILD_TESTS=OFF
    cmake --build "$FUZZ" --parallel "$(nproc)" --target fuzz_matrix_loader
    local corpus
    corpus="$(mktemp -d)"
    "$FUZZ/bin/fuzz_matrix_loader" -runs="$FUZZ_RUNS" -seed=1 "$corpus" "$ROOT/fuzz/inputs"
    rm -rf "$corpus"
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
install_python_package
case "$mode" in
    run) start_builder ;;
    test) run_tests && run_python_tests && run_sanitized_tests && run_fuzzer ;;
    build) say "Done: programs are in build/bin/" ;;
esac
