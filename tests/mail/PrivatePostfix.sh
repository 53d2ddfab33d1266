#!/usr/bin/env bash
# A private Postfix on a loopback port, delivering every mail for example.test into the maildir
# $work/mail/inbox (one message per recipient, each with its Delivered-To header). Sourced:
#   . PrivatePostfix.sh; start_private_postfix [port]
# sets work (a scratch folder, removed on exit with the server stopped), conf and port; with no
# port given, a free one is taken.
start_private_postfix() {
    if ! command -v postfix >/dev/null || [ ! -f /usr/share/postfix/master.cf.dist ]; then
        echo "postfix is not installed (tools/setup.sh installs it)" >&2
        exit 1
    fi

    work="$(mktemp -d /tmp/gw-mail-XXXXXX)"
    conf="$work/etc"
    stop_postfix() {
        postfix -c "$conf" stop >/dev/null 2>&1 || true
        local pidfile="$work/queue/pid/master.pid"
        if [ -f "$pidfile" ]; then
            local pid
            pid="$(tr -d ' ' <"$pidfile")"
            for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
            kill "$pid" 2>/dev/null || true
        fi
        rm -rf "$work"
    }
    trap stop_postfix EXIT

    port="${1:-$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')}"
    mkdir -p "$conf" "$work/queue" "$work/data" "$work/mail"
    # Postfix opens its data folder as its own user.
    chmod 755 "$work"
    chown postfix "$work/data"
    chmod 1777 "$work/mail"
    cp /usr/share/postfix/master.cf.dist "$conf/master.cf"
    cat >"$conf/main.cf" <<CONF
compatibility_level = 3.6
queue_directory = $work/queue
data_directory = $work/data
mail_owner = postfix
setgid_group = postdrop
maillog_file = $work/maillog
maillog_file_prefixes = $work
myhostname = mail.gatewarden.test
mydomain = gatewarden.test
myorigin = \$myhostname
mydestination =
relay_domains =
alias_maps =
alias_database =
inet_interfaces = 127.0.0.1
inet_protocols = ipv4
mynetworks = 127.0.0.0/8
smtputf8_enable = no
virtual_mailbox_domains = example.test
virtual_mailbox_base = $work/mail
virtual_mailbox_maps = static:inbox/
virtual_uid_maps = static:65534
virtual_gid_maps = static:65534
CONF
    # Only the loopback listener on the test's port; no service in a chroot.
    postconf -c "$conf" -MX smtp/inet
    postconf -c "$conf" -Me "127.0.0.1:$port/inet=127.0.0.1:$port inet n - n - - smtpd"
    postconf -c "$conf" -F '*/*/chroot = n'
    postconf -c "$conf" -M postlog/unix-dgram >/dev/null 2>&1 ||
        postconf -c "$conf" -Me "postlog/unix-dgram=postlog unix-dgram n - n - 1 postlogd"

    postfix -c "$conf" start
    # Should this script be killed past its traps (a test time-out), the server still goes.
    script_pid=$$
    (while kill -0 "$script_pid" 2>/dev/null; do sleep 1; done; postfix -c "$conf" stop; sleep 2; rm -rf "$work") </dev/null >/dev/null 2>&1 &
    for _ in $(seq 100); do
        python3 -c "import socket,sys; socket.create_connection(('127.0.0.1', $port), 1)" 2>/dev/null && break
        sleep 0.1
    done
}

# Waits until the inbox holds the given number of messages (one by default); with fewer, shows
# the server's log and fails.
wait_for_mail() {
    inbox="$work/mail/inbox/new"
    local count
    for _ in $(seq 150); do
        count="$(ls -A "$inbox" 2>/dev/null | wc -l || true)"
        [ "$count" -ge "${1:-1}" ] && return 0
        sleep 0.2
    done
    echo "$count of ${1:-1} messages delivered; the server's log:" >&2
    cat "$work/maillog" >&2 || true
    exit 1
}
