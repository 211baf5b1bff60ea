# SPDX-License-Identifier: GPL-3.0-or-later
# Shared by the shell benches (sourced, not run): a scratch folder with a fresh HOME and settings
# folder, an own Xvfb, Korvel started in it, and figures read from /proc. Every process started
# here is ended by its own id when the bench exits.

bench_dir=$(cd "$(dirname "$0")" && pwd)
clk_tck=$(getconf CLK_TCK)
bench_pids=""

bench_cleanup() {
    for pid in $bench_pids; do
        # Each was started in its own session, so its group holds its children (dbus-daemon too).
        kill -TERM "-$pid" 2>/dev/null || kill -TERM "$pid" 2>/dev/null || true
    done
    sleep 0.3
    for pid in $bench_pids; do
        kill -KILL "-$pid" 2>/dev/null || true
    done
    [ -n "${work:-}" ] && rm -rf "$work"
}

# bench_init BUILD_DIR: checks the build, makes $work with a fresh HOME, XDG_CONFIG_HOME and
# XDG_RUNTIME_DIR, and starts Xvfb ($DISPLAY).
bench_init() {
    build=$(cd "${1:?build dir}" && pwd)
    [ -x "$build/korvel" ] || { echo "no $build/korvel: build it first" >&2; exit 2; }
    work=$(mktemp -d /tmp/korvel-bench.XXXXXX)
    trap bench_cleanup EXIT
    trap 'exit 130' INT TERM
    mkdir -p "$work/home" "$work/cfg" "$work/run"
    chmod 700 "$work/run"
    export HOME="$work/home" XDG_CONFIG_HOME="$work/cfg" XDG_RUNTIME_DIR="$work/run" NO_AT_BRIDGE=1
    unset DBUS_SESSION_BUS_ADDRESS SESSION_MANAGER QT_QPA_PLATFORM
    setsid Xvfb -displayfd 5 -screen 0 1280x1024x24 -nolisten tcp -noreset 5>"$work/display" >/dev/null 2>&1 &
    xvfb_pid=$!
    bench_pids="$bench_pids $xvfb_pid"
    for _ in $(seq 100); do
        [ -s "$work/display" ] && grep -q . "$work/display" && break
        sleep 0.1
    done
    DISPLAY=":$(tr -d '\n' <"$work/display")"
    [ "$DISPLAY" != ":" ] || { echo "Xvfb did not start" >&2; exit 2; }
    export DISPLAY
}

# write_ini PORT [DEVICE]: Korvel.ini in the fresh settings folder; DEVICE becomes [Ports] key 1.
write_ini() {
    {
        printf '[ComPort]\nBaud= 115200\nDatabits= 8\nStopbits= 1\nPort= %s\n[MTop]\nMTop= 32768\n' "$1"
        [ -n "${2:-}" ] && printf '[Ports]\n1=%s\n' "$2"
    } >"$XDG_CONFIG_HOME/Korvel.ini"
}

# start_korvel: starts the program as the rx bench does (inside its own D-Bus session, so no
# daemon outlives it) and sets $korvel_pid to the program itself and $korvel_start_ns to its exec.
start_korvel() {
    rm -f "$work/korvel.pid" "$work/korvel.start"
    # The start time is taken right before the exec, so the D-Bus daemon's own start-up is not counted.
    setsid dbus-run-session -- sh -c 'date +%s%N >"$0.start"; echo $$ >"$0.pid"; exec "$1"' "$work/korvel" \
        "$build/korvel" >"$work/korvel.log" 2>&1 &
    session_pid=$!
    bench_pids="$bench_pids $session_pid"
    for _ in $(seq 2000); do
        [ -s "$work/korvel.pid" ] && break
        sleep 0.005
    done
    korvel_pid=$(cat "$work/korvel.pid")
    korvel_start_ns=$(cat "$work/korvel.start")
}

stop_korvel() {
    kill -TERM "-$session_pid" 2>/dev/null || true
    for _ in $(seq 40); do
        kill -0 "$korvel_pid" 2>/dev/null || break
        sleep 0.05
    done
    kill -KILL "-$session_pid" 2>/dev/null || true
    wait "$session_pid" 2>/dev/null || true
}

# wait_window: until a visible top-level window named KORVEL exists (polled every 10 ms).
wait_window() {
    for _ in $(seq 3000); do
        xdotool search --onlyvisible --name '^KORVEL$' >/dev/null 2>&1 && return 0
        sleep 0.01
    done
    return 1
}

# holds_device PID DEV: true when PID has DEV open.
holds_device() {
    for fd in /proc/"$1"/fd/*; do
        [ "$(readlink "$fd" 2>/dev/null)" = "$2" ] && return 0
    done
    return 1
}

wait_device() {
    for _ in $(seq 400); do
        holds_device "$1" "$2" && return 0
        sleep 0.05
    done
    return 1
}

# CPU ticks (utime+stime of all threads) from /proc/PID/stat.
cpu_ticks() {
    sed 's/^.*) //' "/proc/$1/stat" | awk '{ print $12 + $13 }'
}

# CPU nanoseconds, summed over /proc/PID/task/*/schedstat.
cpu_ns() {
    cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{ s += $1 } END { printf "%.0f\n", s }'
}

# Voluntary plus involuntary context switches of all threads: each one is a wakeup or a preemption.
ctx_switches() {
    cat /proc/"$1"/task/*/status 2>/dev/null |
        awk '/^(voluntary|nonvoluntary)_ctxt_switches/ { s += $2 } END { print s + 0 }'
}

# task_snapshot PID: one line per thread, "tid schedstat_ns context_switches". Compare two with
# task_delta, which counts only the threads alive at both ends: a thread that ended takes its
# counters with it (Qt's pooled threads end after 30 s idle).
task_snapshot() {
    for task in /proc/"$1"/task/*; do
        ns=$(cut -d' ' -f1 "$task/schedstat" 2>/dev/null) || continue
        sw=$(awk '/^(voluntary|nonvoluntary)_ctxt_switches/ { s += $2 } END { print s + 0 }' "$task/status" 2>/dev/null) || continue
        echo "${task##*/} $ns $sw"
    done
}

# task_delta BEFORE AFTER: prints "ns switches ended started" over the threads of both snapshots.
task_delta() {
    awk 'FNR == NR { ns[$1] = $2; sw[$1] = $3; next }
         { if ($1 in ns) { dns += $2 - ns[$1]; dsw += $3 - sw[$1]; seen[$1] = 1 } else { dns += $2; dsw += $3; started++ } }
         END { for (t in ns) if (!(t in seen)) ended++; printf "%.0f %d %d %d\n", dns, dsw, ended, started }' "$1" "$2"
}

# mem_kb PID KEY: a field of /proc/PID/status in kB (VmRSS, VmHWM).
mem_kb() {
    awk -v key="$2:" '$1 == key { print $2 }' "/proc/$1/status"
}

threads() {
    ls /proc/"$1"/task | wc -l
}

# wait_quiet PID [SECONDS]: until PID used under 2% of a core over a whole SECONDS (default 0.5) window.
wait_quiet() {
    quiet=${2:-0.5}
    for _ in $(seq 120); do
        a=$(cpu_ns "$1")
        sleep "$quiet"
        b=$(cpu_ns "$1")
        awk -v d=$((b - a)) -v q="$quiet" 'BEGIN { exit !(d < 0.02 * q * 1e9) }' && return 0
    done
    return 1
}

# settle_ns PID: waits until PID has used under 5% of a core in every 50 ms sample for 500 ms, and prints
# the time (date +%s%N) at the end of the last busy sample: the work was read, done and painted by then.
settle_ns() {
    last=$(date +%s%N)
    t_prev=$last
    ns_prev=$(cpu_ns "$1")
    for _ in $(seq 1200); do
        sleep 0.05
        now=$(date +%s%N)
        ns=$(cpu_ns "$1")
        [ $(((ns - ns_prev) * 20)) -gt $((now - t_prev)) ] && last=$now
        t_prev=$now
        ns_prev=$ns
        [ $((now - last)) -ge 500000000 ] && break
    done
    echo "$last"
}

# start_feed MODE [ARGS...]: the pty board end (ptyfeed.py); sets $feed_pid, $feed_dev, $feed_status.
start_feed() {
    mode=$1
    shift
    feed_status="$work/feed.status"
    setsid python3 "$bench_dir/ptyfeed.py" --mode "$mode" --status "$feed_status" "$@" >"$work/feed.out" 2>&1 &
    feed_pid=$!
    bench_pids="$bench_pids $feed_pid"
    for _ in $(seq 100); do
        [ -s "$work/feed.out" ] && break
        sleep 0.05
    done
    feed_dev=$(head -n1 "$work/feed.out")
}

# median of the numbers on stdin.
median() {
    sort -g | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
