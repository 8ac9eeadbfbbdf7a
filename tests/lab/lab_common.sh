# What the namespace labs share (sourced by hosts_lab.sh and domain_lab.sh):
# the lab's name and folders, progress and waiting, daemons started only
# inside the lab, hosts on the lab's bridge, tearing down, and the commands
# up/exec/down/run. The sourcing script defines up, skip_reason,
# run_on_client and changes_elsewhere, then calls lab_main "$@".

# lab_init DEFAULT_NAME RUN_NAME_PREFIX NAMESPACE_PREFIX "$@"
lab_init() {
    local default=$1 run_prefix=$2 ns_prefix=$3
    shift 3
    # Exit code for "no lab here": CTest's skip, except in CI.
    cannot_run=77
    [ "${CI:-}" = true ] && cannot_run=1
    # `run` without a name gets a lab of its own, so that test runs never meet.
    if [ -z "${TARSINO_LAB:-}" ] && [ "${1:-}" = run ]; then
        lab=$run_prefix$$
    else
        lab=${TARSINO_LAB:-$default}
    fi
    [[ $lab =~ ^[a-z0-9]{1,12}$ ]] || { echo "TARSINO_LAB must be 1-12 of [a-z0-9]" >&2; exit 2; }
    dir=/tmp/tarsino-lab-$lab
    prefix=$ns_prefix$lab-
    # The namespace this script was started in: no daemon may ever run there.
    host_net=$(readlink /proc/$$/ns/net)
    # Shell run first by every daemon a lab spawns (e.g. tmpfs over state folders).
    spawn_preamble=${spawn_preamble:-}
}

# One line of progress on stderr: `up` takes seconds, some labs half a minute.
say() {
    echo "lab $lab: $*" >&2
}

# Waits up to $2 seconds (in tenths) for command $1 to succeed.
wait_for() {
    local check=$1 tenths=$(( $2 * 10 ))
    while ! eval "$check" >/dev/null 2>&1; do
        tenths=$((tenths - 1))
        [ "$tenths" -gt 0 ] || { echo "lab: timed out waiting for: $check" >&2; return 1; }
        sleep 0.1
    done
}

# Runs a shell script in namespace $1, in its own session and private mount
# namespace, output to $2. Refuses to run in this machine's own network
# namespace: daemons must only ever see the lab.
spawn() {
    local ns=$1 log=$2 script=$3
    ip netns exec "$prefix$ns" setsid unshare -m --propagation private sh -c '
        own=$(readlink /proc/self/ns/net)
        init=$(readlink /proc/1/ns/net 2>/dev/null || true)
        if [ -z "$own" ] || [ "$own" = "'"$host_net"'" ] || [ "$own" = "$init" ]; then
            echo "refusing to start a daemon in the host network namespace" >&2; exit 1
        fi
        '"$spawn_preamble$script" >"$log" 2>&1 </dev/null &
    disown $!  # the lab ends them; no job notices when it does
}

add_host() {  # short-name port-name address
    local ns=$prefix$1
    ip netns add "$ns"
    ip -n "$ns" link set lo up
    ip -n "$ns" link add veth0 type veth peer name "$2" netns "${prefix}br"
    ip -n "$ns" addr add "$3/16" dev veth0
    ip -n "$ns" link set veth0 up
    ip -n "${prefix}br" link set "$2" master br0 up
}

down() {
    local ns
    for ns in $(ip netns list | awk '{print $1}' | grep "^$prefix" || true); do
        ip netns pids "$ns" 2>/dev/null | xargs -r kill 2>/dev/null || true
    done
    sleep 0.2
    for ns in $(ip netns list | awk '{print $1}' | grep "^$prefix" || true); do
        ip netns pids "$ns" 2>/dev/null | xargs -r kill -9 2>/dev/null || true
        ip netns del "$ns"
    done
    rm -rf "$dir"
}

# Runs a command on the client side (the namespaces of the process in
# $dir/client.pid) with the lab's folder, a run-time folder of its own and the
# environment given before it (NAME=VALUE ...).
on_client() {
    [ -s "$dir/client.pid" ] && kill -0 "$(cat "$dir/client.pid")" 2>/dev/null ||
        { echo "lab $lab is not up" >&2; return 2; }
    mkdir -p -m 700 "$dir/runtime"
    nsenter -t "$(cat "$dir/client.pid")" -m -n --wd="$PWD" \
        env TARSINO_LAB_DIR="$dir" XDG_RUNTIME_DIR="$dir/runtime" "$@"
}

# What changed since file $1 in this machine's own configuration, run-time and
# Samba folders, and where the lab's own clients would leave files
# (changes_elsewhere): the lab's daemons and clients must keep to the lab.
changes_on_this_machine() {
    local folders=() folder
    for folder in /etc /run/samba /var/lib/samba /var/cache/samba /var/log/samba; do
        [ ! -e "$folder" ] || folders+=("$folder")
    done
    find "${folders[@]}" -xdev -newer "$1" 2>/dev/null || true
    changes_elsewhere "$1"
}

lab_main() {
    local command=${1:-}
    [ $# -gt 0 ] && shift
    case $command in
        up) up "$@" ;;
        down) down ;;
        exec) [ $# -gt 0 ] || { echo "exec needs a command" >&2; exit 2; }; run_on_client "$@" ;;
        run)
            local options=() why since status changed
            while [ $# -gt 0 ] && [[ $1 == --* ]]; do options+=("$1" "$2"); shift 2; done
            [ $# -gt 0 ] || { echo "run needs a command" >&2; exit 2; }
            why=$(skip_reason)
            [ -z "$why" ] || { echo "lab cannot run here: $why"; exit "$cannot_run"; }
            since=$(mktemp /tmp/tarsino-lab-"$lab"-since.XXXXXX)  # older than anything the lab makes
            # shellcheck disable=SC2064  # the names are fixed now
            trap "down; rm -f '$since'" EXIT
            trap 'exit 143' TERM INT
            up "${options[@]}" >/dev/null
            status=0
            ( run_on_client "$@" ) || status=$?
            down
            changed=$(changes_on_this_machine "$since" | grep -v "^$since\$" || true)
            if [ -n "$changed" ]; then
                printf 'lab: files of this machine changed while the lab ran:\n%s\n' "$changed" >&2
                [ "$status" -ne 0 ] || status=1
            fi
            exit "$status"
            ;;
        *) sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//' >&2; exit 2 ;;
    esac
}
