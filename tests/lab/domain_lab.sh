#!/usr/bin/env bash
# A throw-away Active Directory domain in network namespaces: a Samba AD
# domain controller (realm CORP.TARSINO.TEST) with enabled and disabled
# computer accounts, a plain domain user, and a Windows-like host announcing
# itself by WS-Discovery as a member of the domain; all on one bridge, no
# default route.
#
# The DC is provisioned into the lab's folder; Samba's state folders are
# tmpfs in its private mount namespace, so nothing of this machine changes.
# The client side is a namespace whose private mount namespace overlays /etc
# with its own resolv.conf (the DC as DNS server), krb5.conf and smb.conf;
# `exec` runs programs there with a Kerberos ticket of the domain user in the
# lab's credential cache (KRB5CCNAME).
#
# Usage (root):
#   domain_lab.sh up [--computers N]   build the lab: 4 named computers at DNS
#                                      addresses, one disabled, and N more
#                                      enabled ones (default 0)
#   domain_lab.sh exec COMMAND [ARG...]
#   domain_lab.sh down
#   domain_lab.sh run [--computers N] COMMAND [ARG...]
#                                      up, exec, down; 77 when no lab can be
#                                      built here (1 in CI, where CI=true: a
#                                      lab that cannot start is a failure)
# Programs run by `exec` see TARSINO_LAB_DIR; "$TARSINO_LAB_DIR/silence-dc"
# makes the DC drop every LDAP and Kerberos packet from then on.
set -euo pipefail

. "$(dirname "$0")/lab_common.sh"
lab_init domain dom tzd- "$@"
realm=CORP.TARSINO.TEST
domain=corp.tarsino.test
admin_password='Lab-Admin-2026!'
user_password='Lab-User-2026!'
dc_ip=10.78.0.10
# /run and Samba's own folders of this machine, hidden behind tmpfs in a
# private mount namespace: whatever Samba writes there stays in the lab. /run
# whole, as Samba makes /run/samba where the machine has none (a fresh root).
samba_tmpfs='mount -t tmpfs -o mode=755 tmpfs /run
    for folder in /var/lib/samba /var/cache/samba /var/log/samba; do
        [ ! -d $folder ] || mount -t tmpfs -o mode=755 tmpfs $folder
    done
'
spawn_preamble=$samba_tmpfs

skip_reason() {
    [ "$(id -u)" -eq 0 ] || { echo "needs root to create network namespaces"; return; }
    local tool
    for tool in ip nsenter unshare setsid samba samba-tool ldbadd kinit nft; do
        command -v "$tool" >/dev/null || { echo "needs $tool"; return; }
    done
    command -v wsdd >/dev/null || command -v wsdd2 >/dev/null || { echo "needs wsdd or wsdd2"; return; }
    local probe=tzdprobe$$
    ip netns add "$probe" 2>/dev/null && ip netns del "$probe" || { echo "cannot create network namespaces here"; return; }
}

# One computer account as a join leaves it: enabled (4096) or disabled (4098).
computer_ldif() {  # name uac base
    local name=$1 uac=$2 base=$3
    printf 'dn: CN=%s,CN=Computers,%s\nobjectClass: computer\ncn: %s\nsAMAccountName: %s$\nuserAccountControl: %s\ndNSHostName: %s.%s\n\n' \
        "$name" "$base" "$name" "$name" "$uac" "${name,,}" "$domain"
}

up() {
    local computers=0
    while [ $# -gt 0 ]; do
        case $1 in
            --computers) computers=$2; shift 2 ;;
            *) echo "unknown option $1" >&2; exit 2 ;;
        esac
    done
    [[ $computers =~ ^[0-9]+$ && $computers -le 20000 ]] || { echo "--computers takes 0 to 20000" >&2; exit 2; }
    local why
    why=$(skip_reason)
    [ -z "$why" ] || { echo "lab cannot run here: $why" >&2; exit "$cannot_run"; }
    [ ! -e "$dir" ] || { say "removing the lab left from before"; down; }
    mkdir -p -m 755 "$dir" "$dir/client"

    ip netns add "${prefix}br"
    ip -n "${prefix}br" link set lo up
    ip -n "${prefix}br" link add br0 type bridge
    ip -n "${prefix}br" link set br0 up
    add_host dc d0 "$dc_ip"
    add_host client c0 10.78.0.1
    add_host wsd1 w1 10.78.1.1

    say "provisioning $realm"
    local base=DC=corp,DC=tarsino,DC=test
    ip netns exec "${prefix}dc" unshare -m --propagation private sh -c "$samba_tmpfs"'
        samba-tool domain provision --realm='"$realm"' --domain=CORP --server-role=dc \
            --dns-backend=SAMBA_INTERNAL --host-name=dc1 --host-ip='"$dc_ip"' \
            --adminpass='"'$admin_password'"' --targetdir='"$dir/dc"' \
            --option="interfaces=veth0" --option="bind interfaces only=yes" \
            --option="dns forwarder = none"
        samba-tool user create anna '"'$user_password'"' -H '"$dir/dc/private/sam.ldb"'
    ' >"$dir/provision.log" 2>&1 || { cat "$dir/provision.log" >&2; return 1; }

    say "computer accounts: 4 named, 1 disabled, $computers more"
    {
        computer_ldif SRV01 4096 "$base"
        computer_ldif SRV02 4096 "$base"
        computer_ldif PC-ANNA 4096 "$base"
        computer_ldif WSPC01 4096 "$base"
        computer_ldif OLDPC 4098 "$base"
        local i
        for ((i = 1; i <= computers; i++)); do computer_ldif "$(printf 'BULK%05d' "$i")" 4096 "$base"; done
    } >"$dir/computers.ldif"
    ip netns exec "${prefix}dc" unshare -m --propagation private sh -c "$samba_tmpfs"'
        exec ldbadd --nosync -H "$1" "$2"' - "$dir/dc/private/sam.ldb" "$dir/computers.ldif" >"$dir/ldbadd.log" 2>&1 ||
        { cat "$dir/ldbadd.log" >&2; return 1; }

    spawn dc "$dir/samba.log" "echo \$\$ >$dir/dc.pid; exec samba -s $dir/dc/etc/smb.conf -i -M single"
    wait_for "ip netns exec ${prefix}dc ss -Hltn 'sport = :389' | grep -q ." 60
    wait_for "ip netns exec ${prefix}dc ss -Hlun 'sport = :88' | grep -q ." 60
    wait_for "ip netns exec ${prefix}dc ss -Hlun 'sport = :53' | grep -q ." 60

    say "DNS names of the named computers"
    local name address
    for name in srv01:10.78.2.1 srv02:10.78.2.2 pc-anna:10.78.2.3 wspc01:10.78.1.1 oldpc:10.78.2.9; do
        address=${name#*:}; name=${name%%:*}
        ip netns exec "${prefix}dc" unshare -m --propagation private sh -c "$samba_tmpfs"'
            exec samba-tool dns add "$@"' - "$dc_ip" "$domain" "$name" A "$address" -s "$dir/dc/etc/smb.conf" \
            --use-kerberos=off -U "CORP\\Administrator%$admin_password" >>"$dir/dns.log" 2>&1 ||
            { cat "$dir/dns.log" >&2; return 1; }
    done
    # Nobody answers at the named computers' addresses but WSPC01; the
    # addresses only need to resolve.
    if command -v wsdd >/dev/null; then
        spawn wsd1 "$dir/wsdd.log" "exec wsdd -4 -i veth0 -U $(cat /proc/sys/kernel/random/uuid) -d $domain -n WSPC01"
    else
        # Debian 13 has wsdd2 alone, which knows no domain: it announces the
        # domain's NetBIOS name as its workgroup, the client's own workgroup.
        # Its endpoint comes from the machine id: one of its own.
        tr -d - </proc/sys/kernel/random/uuid >"$dir/wsd1-machine-id"
        spawn wsd1 "$dir/wsdd.log" "
            [ ! -e /etc/machine-id ] || mount --bind $dir/wsd1-machine-id /etc/machine-id
            mount --bind $dir/wsd1-machine-id /proc/sys/kernel/random/boot_id
            exec wsdd2 -4 -w -i veth0 -N WSPC01 -G CORP"
    fi

    cat >"$dir/silence-dc" <<EOF
#!/bin/sh
# The DC drops every LDAP and Kerberos packet from now on.
exec nsenter -t \$(cat $dir/dc.pid) -n nft -f - <<'RULES'
table inet silence {
    chain input {
        type filter hook input priority 0; policy accept;
        tcp dport { 88, 389, 636, 3268 } drop
        udp dport { 88, 389 } drop
    }
}
RULES
EOF
    chmod 755 "$dir/silence-dc"

    say "client with the DC as resolver and the realm in its krb5.conf"
    printf 'nameserver %s\noptions timeout:1 attempts:1\n' "$dc_ip" >"$dir/client/resolv.conf"
    printf '[libdefaults]\n default_realm = %s\n dns_lookup_kdc = true\n dns_lookup_realm = false\n rdns = false\n' \
        "$realm" >"$dir/client/krb5.conf"
    printf '[global]\n   workgroup = CORP\n   realm = %s\n' "$realm" >"$dir/client/smb.conf"
    # Samba's folders are hidden on the client side too: a NetBIOS browse
    # helper started there keeps its cache in them.
    ip netns exec "${prefix}client" setsid unshare -m --propagation private sh -c "$samba_tmpfs"'
        set -e
        mkdir -p '"$dir"'/client/upper '"$dir"'/client/work
        mount -t overlay overlay -o lowerdir=/etc,upperdir='"$dir"'/client/upper,workdir='"$dir"'/client/work /etc
        mkdir -p /etc/samba
        cp '"$dir"'/client/resolv.conf /etc/resolv.conf
        cp '"$dir"'/client/krb5.conf /etc/krb5.conf
        cp '"$dir"'/client/smb.conf /etc/samba/smb.conf
        echo $$ >'"$dir"'/client.pid
        exec sleep infinity' >"$dir/client/anchor.log" 2>&1 </dev/null &
    disown $!
    wait_for "[ -s $dir/client.pid ]" 20
    wait_for "ip -n ${prefix}client link show dev veth0 | grep -q LOWER_UP" 20
    say "the domain user's ticket"
    wait_for "echo '$user_password' | run_on_client kinit anna@$realm" 30
    wait_for "ip netns exec ${prefix}wsd1 ss -Hltn '( sport = :5357 or sport = :3702 )' | grep -q ." 20
    say "ready: $dir"
    echo "$dir"
}

# Kerberos tickets of the lab's user, beside the common folders.
changes_elsewhere() {
    find /tmp -maxdepth 1 -newer "$1" -name 'krb5cc*' 2>/dev/null || true
}

run_on_client() {
    mkdir -p -m 700 "$dir/home"
    on_client HOME="$dir/home" KRB5CCNAME="FILE:$dir/client/ccache" "$@"
}

lab_main "$@"
