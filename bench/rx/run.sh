#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs the shared pseudo-terminal receive bench with Korvel side by side with the peer terminals.
#   RX_BENCH_DIR=/path/to/rx bench/rx/run.sh [build-dir] [rx_bench/run_peers arguments...]
# KORVEL_LOG=1 runs Korvel with its session log on (peer name korvel-log), turned on through the menu.
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
name=korvel
post=
if [ "${KORVEL_LOG:-0}" = 1 ]; then
    name=korvel-log
    post="$here/log_korvel.sh"
fi
PEERS=${PEERS:-"custom gtkterm cutecom"} CUSTOM_NAME=$name CUSTOM_POST=$post \
CUSTOM_CMD="exec dbus-run-session -- $build/korvel" \
CUSTOM_SETUP="$here/setup_korvel.sh" CUSTOM_ENV='XDG_CONFIG_HOME={work}/cfg' \
exec ./run_peers.sh "$@"
