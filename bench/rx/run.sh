#!/bin/sh
# Runs the shared pseudo-terminal receive bench with Korvel side by side with the peer terminals.
#   RX_BENCH_DIR=/path/to/rx bench/rx/run.sh [build-dir] [rx_bench/run_peers arguments...]
# RX_BENCH_DIR is the folder that holds the bench's run_peers.sh and rx_bench.py; the bench needs
# xvfb xdotool imagemagick tmux picocom gtkterm cutecom dbus gcc.
set -e
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../../build}" && pwd)
[ $# -gt 0 ] && shift
rx=${RX_BENCH_DIR:-}
if [ -z "$rx" ] || [ ! -x "$rx/run_peers.sh" ]; then
    echo "run.sh: set RX_BENCH_DIR to the folder of the shared receive bench (with run_peers.sh)" >&2
    [ -n "$rx" ] && echo "run.sh: no run_peers.sh in $rx" >&2
    exit 2
fi
cd "$rx"
PEERS=${PEERS:-"custom gtkterm cutecom"} CUSTOM_NAME=korvel \
CUSTOM_CMD="exec dbus-run-session -- $build/korvel" \
CUSTOM_SETUP="$here/setup_korvel.sh" CUSTOM_ENV='XDG_CONFIG_HOME={work}/cfg' \
exec ./run_peers.sh "$@"
