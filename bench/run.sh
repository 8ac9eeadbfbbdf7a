#!/usr/bin/env bash
# Runs every benchmark and prints one table per subject, with the peers' figures
# measured in the same run and the ratios to ours. Figures only: nothing here
# passes or fails on a time; but a benchmark program that fails or crashes
# fails the whole run (exit 1, naming it), after every table is printed.
# Run as root (namespaces, raw ICMP, Xvfb).
#   bench/run.sh            10 runs per figure (median)
#   bench/run.sh --quick    3 runs per figure, for CI
set -uo pipefail
cd "$(dirname "$0")/.."

runs=10
if [ "${1:-}" = "--quick" ]; then runs=3; fi
delay_ms=20
build=build
scripts/build.sh >/dev/null || { echo "bench: build failed" >&2; exit 1; }

failed=()
# Notes a benchmark that did not run through, in its table and for the exit code.
failure() { failed+=("$1"); echo "($1 failed${2:+: $2})"; }
now_ns() { date +%s%N; }
median() { sort -g | awk '{ v[NR] = $1 } END { if (NR == 0) print "-"; else if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
median_of() { printf '%s\n' "$@" | median; }  # of its arguments
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (a == "-" || b == "-" || b == 0) print "-"; else printf "%.2f", a / b }'; }

echo "# Tarsino benchmarks ($runs runs per figure)"
echo
echo "- date: $(date -u '+%Y-%m-%d %H:%M UTC')"
echo "- nproc: $(nproc)"
echo "- CPU: $(awk -F': ' '/^model name/ { print $2; exit }' /proc/cpuinfo)"
echo "- kernel: $(uname -r)"
echo "- commit: $(git rev-parse --short HEAD 2>/dev/null || echo unknown)"

# --- Trace route over the namespace route --------------------------------
trace_table() {
    echo "| contender | median ms | min ms | max ms | ratio to ours |"
    echo "|---|---|---|---|---|"
    # Bounded: a run that waits on a box nobody answers must not hold CI.
    timeout 600 "$build/bench/trace_bench" "$@" 2> >(grep -v XDG_RUNTIME_DIR >&2) || failure trace_bench
}
echo
echo "## Trace route client -> r1 -> r2 -> r3 -> target, wall time to completion"
echo
trace_table "$runs"
echo
echo "### The same with ${delay_ms} ms added on r1 -> r2 (every hop past r1)"
echo
if [ -x "$build/bench/nfq_delay" ] && command -v iptables >/dev/null; then
    trace_table "$runs" "$delay_ms" "$PWD/$build/bench/nfq_delay"
else
    echo "(left out: needs iptables and libnetfilter-queue-dev for bench/nfq_delay; scripts/install-deps.sh test)"
fi

# --- Echo on loopback -------------------------------------------------------
# echo_table [namespace]: ours and ping, on this machine's loopback or in a
# namespace's. The channel is whatever the echo facility finds there: the
# datagram socket where ping_group_range admits the user, the helper otherwise.
echo_table() {
    local in=() out start end channel=""
    [ -n "${1:-}" ] && in=(ip netns exec "$1")
    local ours_echo=() ours_probe=() ours_rtt=() ping_echo=() ping_rtt=()
    for ((i = 0; i < runs; i++)); do
        out=$(timeout 300 "${in[@]}" "$build/bench/echo_bench" 1000) || { failure echo_bench "$out"; break; }
        ours_echo+=("$(awk '/^wall time per echo:/ { print $5 }' <<<"$out")")
        ours_probe+=("$(awk '/^wall time per echo on one open handle:/ { print $9 }' <<<"$out")")
        ours_rtt+=("$(awk '/^mean reported round trip:/ { print $5 }' <<<"$out")")
        channel=$(sed -n 's/^wall time per echo on one open handle:.*through the \(.*\))$/\1/p' <<<"$out")
        start=$(now_ns)
        out=$("${in[@]}" ping -c 1000 -i 0 -q 127.0.0.1) || { failure ping; break; }
        end=$(now_ns)
        ping_echo+=("$(awk -v ns=$((end - start)) 'BEGIN { printf "%.1f", ns / 1000 / 1000 }')")
        ping_rtt+=("$(awk -F'[/ ]' '/^rtt/ { print $8 }' <<<"$out")")
    done
    local m_echo m_probe m_rtt m_ping m_ping_rtt
    m_echo=$(median_of "${ours_echo[@]}")
    m_probe=$(median_of "${ours_probe[@]}")
    m_rtt=$(median_of "${ours_rtt[@]}")
    m_ping=$(median_of "${ping_echo[@]}")
    m_ping_rtt=$(median_of "${ping_rtt[@]}")
    echo "| figure (median of $runs), through the ${channel:-?} | tarsino | ping -c 1000 -i 0 -q | ratio tarsino / ping |"
    echo "|---|---|---|---|"
    echo "| wall time per echo, SendEcho (handle opened and closed each time) | $m_echo us | $m_ping us | $(ratio "$m_echo" "$m_ping") |"
    echo "| wall time per echo on one open handle (as a trace route probes) | $m_probe us | $m_ping us | $(ratio "$m_probe" "$m_ping") |"
    echo "| reported round trip, mean | $m_rtt ms (whole ms) | $m_ping_rtt ms | - |"
}
echo
echo "## Echo on loopback, 1000 echoes per run"
echo
echo "On this machine (net.ipv4.ping_group_range: $(tr '\t' ' ' </proc/sys/net/ipv4/ping_group_range)):"
echo
echo_table
echo_ns=tarsino-bench-echo-$$
if ip netns add "$echo_ns" 2>/dev/null; then
    trap 'ip netns del "$echo_ns" 2>/dev/null' EXIT
    echo
    echo "In a namespace whose ping_group_range admits every group:"
    echo
    ip -n "$echo_ns" link set lo up
    ip netns exec "$echo_ns" sysctl -qw net.ipv4.ping_group_range="0 2147483647"
    echo_table "$echo_ns"
    ip netns del "$echo_ns"
    trap - EXIT
else
    echo
    echo "(datagram-socket table left out: cannot create a namespace here)"
fi
echo
echo "ping's figure is its whole process (exec included) over the count. Through the helper"
echo "each echo wakes two processes, the helper and ours, which costs most where waking a"
echo "process on another CPU is slow (virtual machines)."

# --- Start-up under Xvfb ------------------------------------------------------
echo
echo "## Start-up under Xvfb: exec to the window shown, peak RSS"
echo
display=:$((90 + RANDOM % 9))
# -noreset: between two runs no client is left, and a server resetting then
# refuses the next program ("could not connect to display").
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp -noreset >/dev/null 2>&1 &
xvfb_pid=$!
trap 'kill "$xvfb_pid" 2>/dev/null' EXIT
for ((i = 0; i < 500; i++)); do DISPLAY=$display xdotool getmouselocation >/dev/null 2>&1 && break; sleep 0.01; done
startup() {  # program -> "ms kB", "- kB" when no window within 30 s
    DISPLAY=$display QT_QPA_PLATFORM=xcb "$build/bench/window_watch" 30 "$1" 2>/dev/null
}
app_ms=() app_kb=() hello_ms=() hello_kb=()
for ((i = 0; i < runs; i++)); do
    read -r ms kb < <(startup "$build/src/app/tarsino")
    [ "$ms" = - ] && failure "tarsino start-up (no window within 30 s)"
    app_ms+=("$ms") app_kb+=("$kb")
    read -r ms kb < <(startup "$build/bench/hello_widgets")
    [ "$ms" = - ] && failure "hello_widgets start-up (no window within 30 s)"
    hello_ms+=("$ms") hello_kb+=("$kb")
done
m_app_ms=$(median_of "${app_ms[@]}")
m_app_kb=$(median_of "${app_kb[@]}")
m_hello_ms=$(median_of "${hello_ms[@]}")
m_hello_kb=$(median_of "${hello_kb[@]}")
echo "| figure (median of $runs) | tarsino | Qt Widgets hello | ratio |"
echo "|---|---|---|---|"
echo "| exec to window shown | $m_app_ms ms | $m_hello_ms ms | $(ratio "$m_app_ms" "$m_hello_ms") |"
echo "| peak RSS | $m_app_kb kB | $m_hello_kb kB | $(ratio "$m_app_kb" "$m_hello_kb") |"
echo
echo "Shown = the X server reports the window mapped (bench/window_watch); peak RSS includes"
echo "the first paint."
kill "$xvfb_pid" 2>/dev/null
trap - EXIT

# --- Host list --------------------------------------------------------------
echo
echo "## Host list (enumeration into the list, sorts, report)"
echo
out=$("$build/bench/host_list_bench" 2> >(grep -v XDG_RUNTIME_DIR >&2)) || failure host_list_bench
echo '```'
echo "$out"
echo '```'
awk '$1 == 1000 { for (i = 2; i <= 6; i++) a[i] = $i } $1 == 10000 { for (i = 2; i <= 6; i++) b[i] = $i }
     END {
         if (!a[2]) exit
         printf "\nn log n check, growth from 1,000 to 10,000 hosts (n log2 n grows x%.1f, n x10):", 10000 * log(10000) / (1000 * log(1000))
         split("enumerate,7 sorts,worst sort,report,re-enum sorted", name, ",")
         for (i = 2; i <= 6; i++) printf " %s x%.1f%s", name[i - 1], b[i] / a[i], i < 6 ? "," : ".\n"
     }' <<<"$out"

# --- Host discovery ---------------------------------------------------------
echo
echo "## Host discovery against the lab's peers"
echo
# Each size gets a hosts lab of its own, half DNS-SD servers (avahi), half
# WS-Discovery computers (wsdd); the lab checks it left this machine unchanged.
if [ -x "$build/bench/discovery_bench" ] && [ -x tests/lab/hosts_lab.sh ]; then
    echo "| servers | median ms | min ms | max ms | runs missing a server |"
    echo "|---|---|---|---|---|"
    for servers in 1 10 50; do
        tests/lab/hosts_lab.sh run --avahi $((servers - servers / 2)) --wsdd $((servers / 2)) \
            "$PWD/$build/bench/discovery_bench" "$runs" 2> >(grep -v XDG_RUNTIME_DIR >&2) ||
            { echo "| $servers | (hosts lab failed or cannot run here) | | | |"; failed+=("discovery_bench with $servers servers"); }
    done
else
    echo "(left out: needs tests/lab/hosts_lab.sh and build/bench/discovery_bench)"
fi

# --- The domain's directory -------------------------------------------------
echo
# The quick run (CI) takes a smaller domain: filling the DC costs minutes.
directory_size=10000
[ "$runs" -lt 10 ] && directory_size=2000
echo "## The domain's directory: $directory_size computers, against ldapsearch"
echo
# One domain lab (Samba AD DC, that many enabled computers with the DC): clicks
# until the full list, then per run the directory read without bound and
# ldapsearch's same paged query, one after the other.
if [ -x "$build/bench/directory_bench" ] && [ -x tests/lab/domain_lab.sh ]; then
    echo "| measure | median ms | min ms | max ms | computers listed |"
    echo "|---|---|---|---|---|"
    tests/lab/domain_lab.sh run --computers $((directory_size - 5)) "$PWD/$build/bench/directory_bench" "$runs" "$directory_size" ||
        { echo "| (domain lab failed or cannot run here) | | | | |"; failed+=("directory_bench"); }
else
    echo "(left out: needs tests/lab/domain_lab.sh and build/bench/directory_bench)"
fi

if [ "${#failed[@]}" -gt 0 ]; then
    printf 'bench: failed: %s\n' "${failed[@]}" >&2
    exit 1
fi
