#!/usr/bin/env bash
# Korvel's one set-up script for Debian 12. Installs what is missing (with sudo unless run as
# root), builds, and then:
#   ./build.sh run        starts Korvel (on a fresh machine it comes up on the simulated board)
#   ./build.sh test       runs every test, headless
#   ./build.sh sanitize   builds and runs the tests again under AddressSanitizer and UBSan
#   ./build.sh package    builds the .deb
set -euo pipefail
cd "$(dirname "$0")"
mode=${1:-run}

packages=(build-essential cmake ninja-build pkg-config qt6-base-dev qt6-serialport-dev fonts-dejavu-core
          xdg-utils)
[ "$mode" = sanitize ] && packages+=(clang libclang-rt-14-dev)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    echo "Installing: ${missing[*]}"
    $sudo apt-get update -qq
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

jobs=$(nproc)
configure_and_build() { # build-dir cmake-args...
    local dir=$1
    shift
    cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
    cmake --build "$dir" -j "$jobs"
}

case "$mode" in
run)
    configure_and_build build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVEL_TESTS=OFF -DKORVEL_BENCH=OFF
    exec build/korvel
    ;;
test)
    configure_and_build build-test -DCMAKE_BUILD_TYPE=RelWithDebInfo
    ctest --test-dir build-test --output-on-failure -j "$jobs"
    ;;
sanitize)
    configure_and_build build-asan -DCMAKE_BUILD_TYPE=Debug -DKORVEL_SANITIZE=ON -DKORVEL_BENCH=OFF
    export ASAN_OPTIONS=halt_on_error=1:abort_on_error=1:detect_leaks=1
    export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0
    export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
    ctest --test-dir build-asan --output-on-failure -j "$jobs"
    ;;
package)
    configure_and_build build-package -DCMAKE_BUILD_TYPE=Release -DKORVEL_TESTS=OFF -DKORVEL_BENCH=OFF
    (cd build-package && cpack -G DEB)
    ls build-package/*.deb
    ;;
*)
    echo "usage: $0 run|test|sanitize|package" >&2
    exit 2
    ;;
esac
