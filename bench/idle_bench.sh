#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Idle: Korvel under Xvfb with its window open and nothing arriving, measured over SECONDS (default
# 60), twice: on the simulated board (port 0, a fresh settings folder without Korvel.ini) and on an
# idle pseudo-terminal served by korvel-boardsim through [Ports]. Goal: under 0.1% of a core.
#
#   bench/idle_bench.sh BUILD_DIR [SECONDS]
#
# CPU comes from /proc/PID/stat (utime+stime, clock ticks) and from the threads' schedstat
# (nanoseconds); wakeups are the voluntary and involuntary context switches of all threads.
set -eu
. "$(cd "$(dirname "$0")" && pwd)/benchlib.sh"

bench_init "${1:?usage: idle_bench.sh BUILD_DIR [SECONDS]}"
seconds=${2:-60}
boardsim="$build/tools/boardsim/korvel-boardsim"
failed=0

# measure NAME [EXTRA_PID]: the idle figures of the running Korvel (and of EXTRA_PID, the board tool).
measure() {
    wait_window || { echo "$1: the window never showed" >&2; exit 1; }
    # The sign-on and the first paints come first; the idle time starts once they are over.
    wait_quiet "$korvel_pid" 1
    sleep 2
    t0=$(date +%s%N)
    ticks0=$(cpu_ticks "$korvel_pid")
    task_snapshot "$korvel_pid" >"$work/tasks0"
    x0=$(cpu_ns "$xvfb_pid")
    e0=$(if [ -n "${2:-}" ]; then cpu_ns "$2"; else echo 0; fi)
    sleep "$seconds"
    t1=$(date +%s%N)
    ticks1=$(cpu_ticks "$korvel_pid")
    task_snapshot "$korvel_pid" >"$work/tasks1"
    set -- "$1" "${2:-}" $(task_delta "$work/tasks0" "$work/tasks1")
    x1=$(cpu_ns "$xvfb_pid")
    e1=$(if [ -n "${2:-}" ]; then cpu_ns "$2"; else echo 0; fi)
    awk -v name="$1" -v wall=$((t1 - t0)) -v ticks=$((ticks1 - ticks0)) -v hz="$clk_tck" -v ns="$3" \
        -v sw="$4" -v ended="$5" -v xns=$((x1 - x0)) -v ens=$((e1 - e0)) -v extra="$2" \
        -v rss="$(mem_kb "$korvel_pid" VmRSS)" -v threads="$(threads "$korvel_pid")" 'BEGIN {
            w = wall / 1e9
            stat_pct = ticks / hz / w * 100
            sched_pct = ns / 1e9 / w * 100
            printf "%-10s %6.1f s  CPU %.3f%% (stat, %d ticks)  %.4f%% (schedstat, %.4f s)  wakeups %.2f/s  threads %d  RSS %.1f MB  Xvfb %.4f s",
                name, w, stat_pct, ticks, sched_pct, ns / 1e9, sw / w, threads, rss / 1024, xns / 1e9
            if (extra != "") printf "  board tool %.4f s", ens / 1e9
            if (ended > 0) printf "  (%d threads ended meanwhile, their counters gone with them)", ended
            printf "\n"
            pass = sched_pct < 0.1 && stat_pct < 0.1
            printf "%-10s goal CPU under 0.1%%: %s\n", name, (pass ? "PASS" : "FAIL")
            exit !pass }' || failed=1
}

echo "# idle bench, ${seconds} s each; load before: $(cut -d' ' -f1-3 /proc/loadavg)"

# The simulated board in process: a fresh settings folder has no Korvel.ini, so Korvel comes up on port 0.
rm -f "$XDG_CONFIG_HOME/Korvel.ini"
start_korvel
measure port0
stop_korvel

# An idle pseudo-terminal: the board tool's sign-on goes out once, then the line is silent.
setsid "$boardsim" >"$work/boardsim.out" 2>&1 &
boardsim_pid=$!
bench_pids="$bench_pids $boardsim_pid"
for _ in $(seq 100); do
    [ -s "$work/boardsim.out" ] && break
    sleep 0.05
done
device=$(head -n1 "$work/boardsim.out")
write_ini 1 "$device"
start_korvel
wait_device "$korvel_pid" "$device" || { echo "Korvel did not open $device" >&2; exit 1; }
measure "pty" "$boardsim_pid"
stop_korvel

echo "# load after: $(cut -d' ' -f1-3 /proc/loadavg)"
exit "$failed"
