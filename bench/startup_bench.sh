#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Start-up and memory: Korvel under Xvfb with a fresh settings folder.
#
#   bench/startup_bench.sh BUILD_DIR [RUNS] [BURST_BYTES] [SCREENSHOT.png]
#
# Start-up (RUNS times, default 5, on the simulated board): from the exec to the window named KORVEL
# mapped (polled every 10 ms), and to the end of the last 50 ms in which it used over 5% of a core
# before 0.5 s of quiet (sign-on read and painted). Median and range of each, and the memory then.
# Memory with a full terminal: Korvel on a pseudo-terminal that gets a burst of listing text
# (BURST_BYTES, default 2 MiB, as the rx bench's "big"), then VmHWM and VmRSS once it is quiet again.
# Goal: peak under 45 MB. SCREENSHOT.png, when given, is the screen after the burst.
set -eu
. "$(cd "$(dirname "$0")" && pwd)/benchlib.sh"

bench_init "${1:?usage: startup_bench.sh BUILD_DIR [RUNS] [BURST_BYTES] [SCREENSHOT.png]}"
runs=${2:-5}
burst=${3:-2097152}
shot=${4:-}
failed=0

echo "# start-up bench, $runs runs; load before: $(cut -d' ' -f1-3 /proc/loadavg)"
printf '%4s %10s %10s %8s\n' run shown_ms quiet_ms rss_MB
: >"$work/shown"
: >"$work/quiet"
: >"$work/rss"
i=1
while [ "$i" -le "$runs" ]; do
    rm -f "$XDG_CONFIG_HOME/Korvel.ini"
    start_korvel
    wait_window || { echo "the window never showed" >&2; exit 1; }
    shown=$(date +%s%N)
    quiet=$(settle_ns "$korvel_pid")
    rss=$(mem_kb "$korvel_pid" VmRSS)
    stop_korvel
    awk -v a="$korvel_start_ns" -v b="$shown" 'BEGIN { print (b - a) / 1e6 }' >>"$work/shown"
    awk -v a="$korvel_start_ns" -v b="$quiet" 'BEGIN { print (b - a) / 1e6 }' >>"$work/quiet"
    echo "$rss" >>"$work/rss"
    printf '%4d %10.1f %10.1f %8.1f\n' "$i" "$(tail -n1 "$work/shown")" "$(tail -n1 "$work/quiet")" \
        "$(awk -v k="$rss" 'BEGIN { print k / 1024 }')"
    i=$((i + 1))
done
range() { sort -g "$1" | awk 'NR == 1 { lo = $1 } { hi = $1 } END { printf "%.1f..%.1f", lo, hi }'; }
echo "window shown: median $(median <"$work/shown") ms [$(range "$work/shown")]"
echo "quiet after start-up: median $(median <"$work/quiet") ms [$(range "$work/quiet")]"
echo "RSS after start-up: median $(median <"$work/rss" | awk '{ printf "%.1f", $1 / 1024 }') MB"

echo "# full terminal: $burst bytes through a pseudo-terminal"
start_feed burst --bytes "$burst"
write_ini 1 "$feed_dev"
start_korvel
wait_window || { echo "the window never showed" >&2; exit 1; }
wait_device "$korvel_pid" "$feed_dev" || { echo "Korvel did not open $feed_dev" >&2; exit 1; }
wait_quiet "$korvel_pid"
rss0=$(mem_kb "$korvel_pid" VmRSS)
hwm0=$(mem_kb "$korvel_pid" VmHWM)
t0=$(date +%s%N)
ns0=$(cpu_ns "$korvel_pid")
kill -USR1 "$feed_pid"
for _ in $(seq 6000); do
    grep -q done "$feed_status" 2>/dev/null && break
    sleep 0.01
done
t1=$(settle_ns "$korvel_pid")
ns1=$(cpu_ns "$korvel_pid")
rss1=$(mem_kb "$korvel_pid" VmRSS)
hwm1=$(mem_kb "$korvel_pid" VmHWM)
[ -n "$shot" ] && import -display "$DISPLAY" -window root "$shot"
awk -v rss0="$rss0" -v hwm0="$hwm0" -v rss1="$rss1" -v hwm1="$hwm1" -v ns=$((ns1 - ns0)) -v t=$((t1 - t0)) \
    -v status="$(cat "$feed_status")" 'BEGIN {
        printf "before: RSS %.1f MB (peak %.1f MB); after: RSS %.1f MB, peak (VmHWM) %.1f MB\n",
            rss0 / 1024, hwm0 / 1024, rss1 / 1024, hwm1 / 1024
        printf "burst: %s; Korvel CPU %.3f s, settled %.3f s after the start\n", status, ns / 1e9, t / 1e9
        pass = hwm1 / 1024 < 45
        printf "goal peak memory under 45 MB: %.1f MB %s\n", hwm1 / 1024, (pass ? "PASS" : "FAIL")
        exit !pass }' || failed=1
stop_korvel
echo "# load after: $(cut -d' ' -f1-3 /proc/loadavg)"
exit "$failed"
