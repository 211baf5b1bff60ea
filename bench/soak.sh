#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Soak: Korvel under Xvfb on a pseudo-terminal that the board end fills as fast as Korvel reads it,
# for MINUTES (default 30), with the resident memory sampled every INTERVAL seconds (default 30).
# The terminal keeps only its last 15000 characters, so after the first minute memory must stay flat.
#
#   bench/soak.sh BUILD_DIR [MINUTES] [INTERVAL]
#
# Prints one line per sample (minutes, RSS with its anonymous and file-backed parts, peak, MB received,
# MB/s, CPU %), then the growth from the first sample to the last, the least-squares slope, and PASS
# when the growth stays under 1 MiB.
set -eu
. "$(cd "$(dirname "$0")" && pwd)/benchlib.sh"

bench_init "${1:?usage: soak.sh BUILD_DIR [MINUTES] [INTERVAL]}"
minutes=${2:-30}
interval=${3:-30}
samples=$(awk -v m="$minutes" -v i="$interval" 'BEGIN { printf "%d\n", m * 60 / i }')

start_feed flood
write_ini 1 "$feed_dev"
start_korvel
wait_window || { echo "the window never showed" >&2; exit 1; }
wait_device "$korvel_pid" "$feed_dev" || { echo "Korvel did not open $feed_dev" >&2; exit 1; }
wait_quiet "$korvel_pid"
echo "# soak: $minutes min at full rate through $feed_dev, RSS every $interval s; load: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "# before the flood: RSS $(mem_kb "$korvel_pid" VmRSS) kB"
kill -USR1 "$feed_pid"

series="$work/series"
: >"$series"
t0=$(date +%s%N)
ns0=$(cpu_ns "$korvel_pid")
bytes_prev=0
ns_prev=$ns0
t_prev=$t0
printf '%8s %10s %10s %10s %10s %10s %8s %7s\n' min rss_kB anon_kB file_kB hwm_kB MB_in MB/s cpu%
n=1
while [ "$n" -le "$samples" ]; do
    # Sleep to the sample's planned time, so the series does not drift with the sampling's own cost.
    now=$(date +%s%N)
    wait_s=$(awk -v t0="$t0" -v now="$now" -v n="$n" -v i="$interval" 'BEGIN { w = (t0 + n * i * 1e9 - now) / 1e9; print (w > 0 ? w : 0) }')
    sleep "$wait_s"
    kill -0 "$korvel_pid" 2>/dev/null || { echo "Korvel exited during the soak" >&2; exit 1; }
    now=$(date +%s%N)
    rss=$(mem_kb "$korvel_pid" VmRSS)
    hwm=$(mem_kb "$korvel_pid" VmHWM)
    anon=$(mem_kb "$korvel_pid" RssAnon)
    file=$(mem_kb "$korvel_pid" RssFile)
    ns=$(cpu_ns "$korvel_pid")
    bytes=$(sed -n 's/^bytes=\([0-9]*\).*/\1/p' "$feed_status" 2>/dev/null || echo 0)
    bytes=${bytes:-0}
    awk -v t="$now" -v t0="$t0" -v tp="$t_prev" -v rss="$rss" -v anon="$anon" -v file="$file" -v hwm="$hwm" -v b="$bytes" -v bp="$bytes_prev" \
        -v ns="$ns" -v nsp="$ns_prev" 'BEGIN {
            dt = (t - tp) / 1e9
            printf "%8.2f %10d %10d %10d %10d %10.1f %8.2f %7.1f\n", (t - t0) / 6e10, rss, anon, file, hwm, b / 1048576,
                (b - bp) / 1048576 / dt, (ns - nsp) / 1e9 / dt * 100 }'
    echo "$(awk -v t="$now" -v t0="$t0" 'BEGIN { print (t - t0) / 6e10 }') $rss $anon" >>"$series"
    bytes_prev=$bytes
    ns_prev=$ns
    t_prev=$now
    n=$((n + 1))
done

holds_device "$korvel_pid" "$feed_dev" && line="line still open" || line="LINE CLOSED"
echo "# $line; load at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
awk -v total_ns="$(($(cpu_ns "$korvel_pid") - ns0))" -v bytes="$bytes" '
    { x[NR] = $1; y[NR] = $2; a[NR] = $3; sx += $1; sy += $2; sxx += $1 * $1; sxy += $1 * $2
      if (NR == 1 || $2 < lo) lo = $2; if (NR == 1 || $2 > hi) hi = $2 }
    END {
        if (NR < 2) { print "too few samples"; exit 1 }
        slope = (NR * sxy - sx * sy) / (NR * sxx - sx * sx)
        growth = y[NR] - y[1]
        printf "received %.1f MB at %.2f MB/s, Korvel CPU %.1f s\n", bytes / 1048576,
            bytes / 1048576 / (x[NR] * 60), total_ns / 1e9
        printf "RSS first %d kB, last %d kB, min %d, max %d: growth %+d kB, slope %+.1f kB/min\n",
            y[1], y[NR], lo, hi, growth, slope
        printf "anonymous memory (heap): first %d kB, last %d kB, growth %+d kB\n", a[1], a[NR], a[NR] - a[1]
        printf "memory flat (growth under 1024 kB): %s\n", (growth < 1024 ? "PASS" : "FAIL")
        exit !(growth < 1024)
    }' "$series"
