#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Korvel's one set-up script for Debian 12. Each mode installs what it needs and is missing (with
# sudo unless run as root), builds, and then:
#   ./build.sh run        starts Korvel (on a fresh machine it comes up on the simulated board)
#   ./build.sh test       runs every test, headless (and builds the benchmarks, so they keep compiling)
#   ./build.sh sanitize   builds and runs the tests again under AddressSanitizer and UBSan
#   ./build.sh package    builds the .deb: the distribution's hardening flags, reproducible
#   ./build.sh fuzz       builds the libFuzzer targets with clang and runs each for a while
#   ./build.sh bench      builds the benchmarks in Release (build-rel) and installs what the shell
#                         benches and the receive bench's peer terminals need (bench/README.md)
#   ./build.sh deps [package...]   only installs what the builds need, and the packages named
set -euo pipefail
cd "$(dirname "$0")"
mode=${1:-run}

# The one place packages are installed: what every build needs, plus the extras a mode names.
deps() { # extra-package...
    # Debian 12's qt6-charts-dev needs the OpenGL development files without depending on them.
    # The translations are built with lrelease (qt6-l10n-tools) through Qt's CMake functions
    # (qt6-tools-dev); Qt's own dialogs take their German from qt6-translations-l10n.
    local packages=(build-essential cmake ninja-build pkg-config qt6-base-dev qt6-serialport-dev qt6-charts-dev
                    libqt6opengl6-dev qt6-tools-dev qt6-l10n-tools qt6-translations-l10n fonts-dejavu-core xdg-utils
                    "$@")
    local missing=() p
    for p in "${packages[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    echo "Installing: ${missing[*]}"
    $sudo apt-get update -qq
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# The tests also need Qt's private Gui headers, localedef for the locale they generate, faketime,
# and an X server with a real window manager (and xdotool to move windows through it) for the desktop test.
test_packages=(qt6-base-private-dev locales faketime xvfb openbox xdotool)
# The shell benches run Korvel under Xvfb; the receive bench runs the peer terminals beside it.
bench_packages=(xvfb xdotool imagemagick dbus python3 tmux picocom gtkterm cutecom gcc)

jobs=$(nproc)
# CI treats every compiler warning as an error; a local build only shows them.
werror=OFF
[ "${CI:-}" = true ] && werror=ON
configure_and_build() { # build-dir cmake-args...
    local dir=$1
    shift
    cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
    cmake --build "$dir" -j "$jobs"
}

case "$mode" in
deps)
    shift
    deps "$@"
    ;;
run)
    deps
    configure_and_build build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF
    exec build/korvel
    ;;
test)
    deps "${test_packages[@]}"
    configure_and_build build-test -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVEL_BENCH=ON -DKORVEL_WERROR=$werror
    ctest --test-dir build-test --output-on-failure -j "$jobs"
    ;;
bench)
    deps "${test_packages[@]}" "${bench_packages[@]}"
    configure_and_build build-rel -DCMAKE_BUILD_TYPE=Release -DKORVEL_BENCH=ON
    ;;
sanitize)
    deps "${test_packages[@]}" clang libclang-rt-14-dev
    configure_and_build build-asan -DCMAKE_BUILD_TYPE=Debug -DKORVEL_SANITIZE=ON -DKORVEL_WERROR=$werror
    export ASAN_OPTIONS=halt_on_error=1:abort_on_error=1:detect_leaks=1
    export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0
    export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
    ctest --test-dir build-asan --output-on-failure -j "$jobs"
    ;;
package)
    # dpkg-dev: the hardening flags, the library dependencies (dpkg-shlibdeps, which CPack finds
    # ELF files for with file) and the changelog's date.
    deps dpkg-dev file
    # Every time stamp in the package is the last commit's (the changelog's outside a git checkout),
    # so two builds of one commit give the same bytes.
    if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
        SOURCE_DATE_EPOCH=$(git log -1 --format=%ct 2>/dev/null || dpkg-parsechangelog -l docs/changelog -STimestamp)
        export SOURCE_DATE_EPOCH
    fi
    # Built as Debian builds its packages: build type None, so the flags are dpkg-buildflags' own
    # (their -ffile-prefix-map keeps this folder's path out of the binaries), plus BIND_NOW.
    configure_and_build build-package -DCMAKE_BUILD_TYPE=None -DBUILD_TESTING=OFF \
        "-DCMAKE_CXX_FLAGS=$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
        "-DCMAKE_EXE_LINKER_FLAGS=$(dpkg-buildflags --get LDFLAGS) -Wl,-z,now"
    rm -f build-package/*.deb
    (cd build-package && cpack -G DEB)
    ls build-package/*.deb
    ;;
fuzz)
    deps clang libclang-rt-14-dev
    CC=clang CXX=clang++ configure_and_build build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVEL_FUZZ=ON \
        -DBUILD_TESTING=OFF
    # Each target runs on a copy of its seeds, so the corpus in the repository stays small; a crash
    # input is kept in build-fuzz/artifacts/ and belongs in fuzz/corpus/<target>/ once it is fixed.
    seconds=${KORVEL_FUZZ_SECONDS:-30}
    export ASAN_OPTIONS=abort_on_error=1:detect_leaks=1
    export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0
    export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
    mkdir -p build-fuzz/artifacts
    # The settings file and capture targets write through QSaveFile, which syncs every file to
    # disk; in memory that costs nothing and the targets run half as fast again.
    if [ -d /dev/shm ] && [ -w /dev/shm ]; then export TMPDIR=/dev/shm; fi
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    failed=()
    for target in fuzz_numbers fuzz_iniprofile fuzz_linesplitter fuzz_capture; do
        cp -r "fuzz/corpus/$target" "$work/$target"
        # The capture's reference model rescans its whole buffer per chunk: shorter inputs keep it quick.
        limit=4096
        [ "$target" = fuzz_capture ] && limit=1024
        if "build-fuzz/fuzz/$target" -max_total_time="$seconds" -max_len="$limit" -timeout=10 -print_final_stats=1 \
            -artifact_prefix="$PWD/build-fuzz/artifacts/$target-" "$work/$target" >"$work/$target.log" 2>&1; then
            echo "$target: $(grep -E '^#[0-9]+[[:space:]]+DONE' "$work/$target.log" | tail -1)"
        else
            tail -40 "$work/$target.log"
            echo "$target: FAILED (log above, input in build-fuzz/artifacts/)" >&2
            failed+=("$target")
        fi
    done
    [ ${#failed[@]} -eq 0 ]
    ;;
*)
    echo "usage: $0 run|test|bench|sanitize|package|fuzz|deps [package...]" >&2
    exit 2
    ;;
esac
