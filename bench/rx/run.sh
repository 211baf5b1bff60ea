#!/bin/sh
# Runs the pseudo-terminal receive bench with Korvel side by side with the peer terminals.
#   bench/rx/run.sh [build-dir] [rx_bench/run_peers arguments...]
# The bench lives in the workplace's shared folder (../shared/bench/rx beside the repository);
# it needs xvfb xdotool imagemagick tmux picocom gtkterm cutecom dbus gcc.
set -e
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../../build}" && pwd)
[ $# -gt 0 ] && shift
rx=${RX_BENCH_DIR:-$here/../../../shared/bench/rx}
cd "$rx"
PEERS=${PEERS:-"custom gtkterm cutecom"} CUSTOM_NAME=korvel \
CUSTOM_CMD="exec dbus-run-session -- $build/korvel" \
CUSTOM_SETUP="$here/setup_korvel.sh" CUSTOM_ENV='XDG_CONFIG_HOME={work}/cfg' \
exec ./run_peers.sh "$@"
