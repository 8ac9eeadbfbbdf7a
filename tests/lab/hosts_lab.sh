#!/usr/bin/env bash
# A throw-away office LAN in network namespaces, for host detection: file
# servers that announce themselves through DNS-SD (avahi-daemon publishing
# _smb._tcp), Windows-like computers answering WS-Discovery (wsdd) in our
# workgroup, one in another workgroup and one whose mDNS host name holds a
# control character, neither of which may be listed, and on request Samba
# servers keeping the workgroup's NetBIOS browse list. All hang on one bridge;
# nothing has a default route.
#
# The client side is a namespace with its own system D-Bus and avahi-daemon,
# in a private mount namespace (own /run, own /etc overlay with smb.conf,
# avahi and nsswitch settings), so that programs run there browse and resolve
# `.local` names exactly as on a desktop of that LAN.
#
# Usage (root):
#   hosts_lab.sh up [--avahi N] [--wsdd M] [--dual D] [--netbios K]
#                                             build the lab (defaults: 2, 1, 0, 0),
#                                             saying on stderr what it is doing
#   hosts_lab.sh exec COMMAND [ARG...]        run a program on the client side
#   hosts_lab.sh down                         remove everything
#   hosts_lab.sh run [OPTIONS] COMMAND [ARG...]
#                                             up, exec, down; exits with the
#                                             command's code, 77 when no lab
#                                             can be built here (1 in CI, where
#                                             CI=true: a lab that cannot start
#                                             there is a failure, not a skip)
# TARSINO_LAB names the lab (default "hosts"; for `run`, one of its own), so
# that several can coexist.
# State lives in /tmp/tarsino-lab-NAME; its file "expected-hosts" lists the
# hosts that a browser on the client side must find ("present NAME ADDRESS")
# and those it must not ("absent NAME ADDRESS"). Programs run by `exec` see
# TARSINO_LAB_DIR pointing there, and HOME at a folder of the lab whose
# .smb/smb.conf (read by libsmbclient before the system's) names the lab's
# workgroup and keeps Samba's client files in the lab.
#
# --dual D adds D servers that announce themselves both ways, as a Samba
# server with Avahi and wsdd does: DNS-SD as "dualNN.local" and WS-Discovery
# as "DUALNN", at one address; a browser must list each once, as DUALNN.
#
# --netbios K adds K Samba servers in our workgroup: the first is the local
# master browser (nmbd and smbd), the others announce themselves (nmbd alone),
# and the first WS-Discovery host runs nmbd too, under the same name. Becoming
# master takes nmbd about 23 s; `up` returns once the browse list holds every
# one of them. Each daemon has its private /run and Samba folders in the lab.
set -euo pipefail

. "$(dirname "$0")/lab_common.sh"
lab_init hosts run tzl- "$@"
workgroup=TARSINOLAB
foreign_workgroup=ALTROGRUPPO

skip_reason() {
    [ "$(id -u)" -eq 0 ] || { echo "needs root to create network namespaces"; return; }
    local tool
    for tool in ip nsenter unshare setsid avahi-daemon dbus-daemon; do
        command -v "$tool" >/dev/null || { echo "needs $tool"; return; }
    done
    [ -n "$(wsd_daemon)" ] || { echo "needs wsdd or wsdd2"; return; }
    [ -e /usr/share/dbus-1/system.conf ] || { echo "needs the system bus configuration (dbus)"; return; }
    ls /lib/*/libnss_mdns4_minimal.so.2 >/dev/null 2>&1 || { echo "needs libnss-mdns"; return; }
    local probe=tzlprobe$$
    ip netns add "$probe" 2>/dev/null && ip netns del "$probe" || { echo "cannot create network namespaces here"; return; }
}

avahi_config() {  # folder host-name enable-dbus (the name as Avahi takes it: \ escapes)
    mkdir -p "$1/services"
    cat >"$1/avahi-daemon.conf" <<EOF
[server]
host-name=$2
use-ipv4=yes
use-ipv6=yes
enable-dbus=$3
ratelimit-interval-usec=1000000
ratelimit-burst=1000
[wide-area]
enable-wide-area=no
[publish]
publish-hinfo=no
publish-workstation=no
EOF
    : >"$1/hosts"
    chmod -R a+rX "$1"
}

# Client files of libsmbclient (run as root, it would write under /var and
# /run) go to the lab.
samba_client_home() {
    mkdir -p "$1/.smb" "$1/samba"
    cat >"$1/.smb/smb.conf" <<EOF
[global]
   workgroup = ${workgroup,,}
   lock directory = $1/samba
   state directory = $1/samba
   cache directory = $1/samba
   private dir = $1/samba
   pid directory = $1/samba
   ncalrpc dir = $1/samba
   log file = $1/samba/log.%m
EOF
}

# A Samba server in namespace $1 with NetBIOS name $2, the workgroup's local
# master browser ($3 = master: nmbd and smbd) or a member (nmbd alone). Every
# file Samba keeps is in the lab; the daemons also get a private /run and
# empty Samba system folders, so that nothing can reach this machine's own.
samba_server() {
    local ns=$1 name=$2 role=$3 d=$dir/$1/samba
    local master=no level=0
    [ "$role" = master ] && master=yes level=255
    mkdir -p "$d"/{lock,state,cache,private,pid,ncalrpc,log,binddns,usershares,nmbd,winbindd,ntp_signd}
    cat >"$d/smb.conf" <<EOF
[global]
   workgroup = $workgroup
   netbios name = $name
   server string = $name
   server role = standalone server
   server min protocol = NT1
   interfaces = veth0
   bind interfaces only = yes
   local master = $master
   preferred master = $master
   os level = $level
   domain master = no
   wins support = no
   dns proxy = no
   map to guest = bad user
   load printers = no
   printcap name = /dev/null
   disable spoolss = yes
   lock directory = $d/lock
   state directory = $d/state
   cache directory = $d/cache
   private dir = $d/private
   pid directory = $d/pid
   ncalrpc dir = $d/ncalrpc
   binddns dir = $d/binddns
   usershare path = $d/usershares
   nmbd:socket dir = $d/nmbd
   winbindd socket directory = $d/winbindd
   ntp signd socket directory = $d/ntp_signd
   smb passwd file = $d/private/smbpasswd
   log file = $d/log/log.%m
   # Samba 4.22 (Debian 13) logs becoming master browser only above the default level.
   log level = 3
EOF
    # smbd answers browse requests as the guest user, who must reach its files.
    chmod -R a+rX "$d"
    chmod 700 "$d/private"
    local isolate='mount -t tmpfs -o mode=755 tmpfs /run
        for folder in /var/lib/samba /var/cache/samba /var/log/samba; do
            [ ! -d $folder ] || mount -t tmpfs -o mode=755 tmpfs $folder
        done
        '
    spawn "$ns" "$d/nmbd.out" "$isolate exec nmbd -F --no-process-group -s $d/smb.conf -l $d/log"
    if [ "$role" = master ]; then
        spawn "$ns" "$d/smbd.out" "$isolate exec smbd -F --no-process-group -s $d/smb.conf -l $d/log"
        echo "$ns" >"$dir/netbios-master"
    fi
}

# Waits until the master's browse list names every NetBIOS server ($1 of
# them, and the WS-Discovery host when $2 > 0). nmbd writes the list lazily;
# a hang-up signal makes it write it now.
wait_for_browse_list() {
    local d names i
    d=$dir/$(cat "$dir/netbios-master")/samba
    names=$(for i in $(seq 1 "$1"); do printf 'NBSRV%02d ' "$i"; done; [ "$2" -eq 0 ] || echo WSPC01)
    wait_for "grep -q 'now a local master browser for workgroup $workgroup' $d/log/log.nmbd" 60
    wait_for "browse_list_holds $d $names" 60
}

browse_list_holds() {  # samba-folder name...
    local d=$1 name
    shift
    kill -HUP "$(cat "$d/pid/nmbd.pid")" || return 1
    for name in "$@"; do
        grep -q "^\"$name\"" "$d/cache/browse.dat" 2>/dev/null || return 1
    done
}

# An SMB server announced through DNS-SD in namespace $1: avahi-daemon with
# host name $2 (as Avahi takes it) publishing the service instance $3.
avahi_server() {
    local ns=$1 host=$2 instance=$3
    avahi_config "$dir/$ns/avahi" "$host" no
    cat >"$dir/$ns/avahi/services/smb.service" <<EOF
<?xml version="1.0" standalone='no'?>
<!DOCTYPE service-group SYSTEM "avahi-service.dtd">
<service-group>
  <name>$instance</name>
  <service><type>_smb._tcp</type><port>445</port></service>
</service-group>
EOF
    chmod a+r "$dir/$ns/avahi/services/smb.service"
    spawn "$ns" "$dir/$ns/avahi.log" '
        mount -t tmpfs -o mode=755 tmpfs /run
        mount --bind '"$dir/$ns"'/avahi /etc/avahi
        exec avahi-daemon --no-rlimits'
    avahi_servers+=("$ns")
}

# The WS-Discovery daemon this release has: Debian 12's wsdd, else Debian
# 13's wsdd2.
wsd_daemon() {
    command -v wsdd >/dev/null && { echo wsdd; return; }
    command -v wsdd2 >/dev/null && echo wsdd2
}

# A computer answering WS-Discovery in namespace $1: wsdd as $2 of workgroup $3.
wsdd_host() {
    mkdir -p "$dir/$1"
    if [ "$(wsd_daemon)" = wsdd ]; then
        spawn "$1" "$dir/$1/wsdd.log" \
            "exec wsdd -4 -i veth0 -U $(cat /proc/sys/kernel/random/uuid) -w $3 -n $2"
    else
        # wsdd2 takes its endpoint from /etc/machine-id, else the boot id: each
        # computer gets one of its own, in its private mount namespace.
        tr -d - </proc/sys/kernel/random/uuid >"$dir/$1/machine-id"
        spawn "$1" "$dir/$1/wsdd.log" "
            [ ! -e /etc/machine-id ] || mount --bind $dir/$1/machine-id /etc/machine-id
            mount --bind $dir/$1/machine-id /proc/sys/kernel/random/boot_id
            exec wsdd2 -4 -w -i veth0 -N $2 -G $3"
    fi
    wsdd_hosts+=("$1")
}

up() {
    local avahi_peers=2 wsdd_peers=1 dual_servers=0 netbios_servers=0
    while [ $# -gt 0 ]; do
        case $1 in
            --avahi) avahi_peers=$2; shift 2 ;;
            --wsdd) wsdd_peers=$2; shift 2 ;;
            --dual) dual_servers=$2; shift 2 ;;
            --netbios) netbios_servers=$2; shift 2 ;;
            *) echo "unknown option $1" >&2; exit 2 ;;
        esac
    done
    local count
    for count in "$avahi_peers" "$wsdd_peers" "$dual_servers"; do
        [[ $count =~ ^[0-9]+$ && $count -le 250 ]] || { echo "--avahi, --wsdd and --dual take 0 to 250" >&2; exit 2; }
    done
    [[ $netbios_servers =~ ^[0-9]+$ && $netbios_servers -le 50 ]] || { echo "--netbios takes 0 to 50" >&2; exit 2; }
    local why
    why=$(skip_reason)
    [ -z "$why" ] || { echo "lab cannot run here: $why" >&2; exit "$cannot_run"; }
    if [ "$netbios_servers" -gt 0 ] && ! { command -v nmbd && command -v smbd; } >/dev/null; then
        echo "lab cannot run here: needs nmbd and smbd (samba)" >&2; exit "$cannot_run"
    fi
    [ ! -e "$dir" ] || { say "removing the lab left from before"; down; }
    mkdir -p -m 755 "$dir"
    : >"$dir/expected-hosts"
    avahi_servers=() wsdd_hosts=()

    say "bridge, and client with its own system bus and avahi-daemon"
    ip netns add "${prefix}br"
    ip -n "${prefix}br" link set lo up
    ip -n "${prefix}br" link add br0 type bridge mcast_snooping 0
    ip -n "${prefix}br" link set br0 up

    # Client: own /run and an /etc overlay, a system bus, avahi-daemon. The
    # shell stays as the anchor whose namespaces `exec` enters.
    add_host client c0 10.77.0.1
    mkdir -p "$dir/client"
    avahi_config "$dir/client/avahi" tarsino-client yes
    printf '[global]\n   workgroup = %s\n' "${workgroup,,}" >"$dir/client/smb.conf"
    printf 'nameserver 127.0.0.1\n' >"$dir/client/resolv.conf"
    samba_client_home "$dir/client/home"
    spawn client "$dir/client/anchor.log" '
        set -e
        mount -t tmpfs -o mode=755 tmpfs /run
        mkdir -p /run/lab/upper /run/lab/work /run/dbus
        mount -t overlay overlay -o lowerdir=/etc,upperdir=/run/lab/upper,workdir=/run/lab/work /etc
        rm -rf /etc/avahi; mkdir -p /etc/avahi /etc/samba
        cp -r '"$dir"'/client/avahi/. /etc/avahi/
        cp '"$dir"'/client/smb.conf /etc/samba/smb.conf
        cp '"$dir"'/client/resolv.conf /etc/resolv.conf
        sed -i "s/^hosts:.*/hosts: files mdns4_minimal [NOTFOUND=return] dns/" /etc/nsswitch.conf
        setsid dbus-daemon --system --nofork --nopidfile >'"$dir"'/client/dbus.log 2>&1 &
        i=0; while [ ! -S /run/dbus/system_bus_socket ] && [ $i -lt 100 ]; do sleep 0.1; i=$((i+1)); done
        setsid avahi-daemon --no-rlimits >'"$dir"'/client/avahi.log 2>&1 &
        echo $$ >'"$dir"'/client.pid
        exec sleep infinity'

    local i name
    say "$avahi_peers DNS-SD servers, $wsdd_peers WS-Discovery hosts, $dual_servers servers announced both ways"
    for i in $(seq 1 "$avahi_peers"); do
        name=$(printf 'srv%02d' "$i")
        add_host "$name" "s$i" "10.77.1.$i"
        avahi_server "$name" "$name" "${name^^}"
        echo "present $name.local 10.77.1.$i" >>"$dir/expected-hosts"
    done

    for i in $(seq 1 "$wsdd_peers"); do
        name=$(printf 'WSPC%02d' "$i")
        add_host "wsd$i" "w$i" "10.77.2.$i"
        wsdd_host "wsd$i" "$name" "$workgroup"
        echo "present $name 10.77.2.$i" >>"$dir/expected-hosts"
    done

    for i in $(seq 1 "$dual_servers"); do
        name=$(printf 'dual%02d' "$i")
        add_host "$name" "d$i" "10.77.5.$i"
        avahi_server "$name" "$name" "${name^^}"
        wsdd_host "$name" "${name^^}" "$workgroup"
        echo "present ${name^^} 10.77.5.$i" >>"$dir/expected-hosts"
        echo "absent $name.local 10.77.5.$i" >>"$dir/expected-hosts"
    done

    say "two hosts that must not be listed: one of workgroup $foreign_workgroup, one with a control character in its name"
    add_host wsx1 x1 10.77.3.1
    wsdd_host wsx1 ALIENPC "$foreign_workgroup"
    echo "absent ALIENPC 10.77.3.1" >>"$dir/expected-hosts"
    # Avahi takes the name as it stands (backslash escapes aside) and hands it
    # out escaped.
    add_host badname b1 10.77.6.1
    avahi_server badname "bad$(printf '\a')name" BADNAME
    echo 'absent bad\007name.local 10.77.6.1' >>"$dir/expected-hosts"

    [ "$netbios_servers" -eq 0 ] || say "$netbios_servers Samba servers, the first the master browser of $workgroup"
    for i in $(seq 1 "$netbios_servers"); do
        name=$(printf 'NBSRV%02d' "$i")
        add_host "nb$i" "n$i" "10.77.4.$i"
        if [ "$i" = 1 ]; then
            samba_server "nb$i" "$name" master
        else
            samba_server "nb$i" "$name" member
        fi
        echo "present $name 10.77.4.$i" >>"$dir/expected-hosts"
    done
    # The same computer seen by two methods is listed once.
    if [ "$netbios_servers" -gt 0 ] && [ "$wsdd_peers" -gt 0 ]; then
        samba_server wsd1 WSPC01 member
    fi

    # Ready when the client's link has carrier and every daemon has announced itself.
    say "waiting for the client's avahi-daemon"
    wait_for "ip -n ${prefix}client link show dev veth0 | grep -q LOWER_UP" 20
    wait_for "[ -s $dir/client.pid ]" 20
    wait_for "nsenter -t \$(cat $dir/client.pid) -m test -S /run/avahi-daemon/socket" 20
    wait_for "grep -q 'Server startup complete' $dir/client/avahi.log" 20
    say "waiting for ${#avahi_servers[@]} avahi-daemons and ${#wsdd_hosts[@]} wsdd to announce themselves"
    local ns
    for ns in "${avahi_servers[@]}"; do
        wait_for "grep -q 'successfully established' $dir/$ns/avahi.log" 30
    done
    for ns in "${wsdd_hosts[@]}"; do
        # wsdd serves its metadata on TCP 5357, wsdd2 on 3702.
        wait_for "ip netns exec $prefix$ns ss -Hltn '( sport = :5357 or sport = :3702 )' | grep -q ." 20
    done
    if [ "$netbios_servers" -gt 0 ]; then
        say "waiting for nmbd to become master browser (about 25 s) and to list every server"
        wait_for_browse_list "$netbios_servers" "$wsdd_peers"
    fi
    say "ready: $dir"
    echo "$dir"
}

# Samba's run-time files at the top of /run, beside the common folders.
changes_elsewhere() {
    find /run -maxdepth 1 -newer "$1" \( -name '*mbd*' -o -name '*samba*' \) 2>/dev/null || true
}

run_on_client() {
    on_client HOME="$dir/client/home" "$@"
}

lab_main "$@"
