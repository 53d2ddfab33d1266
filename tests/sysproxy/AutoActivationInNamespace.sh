#!/usr/bin/env bash
# Runs the auto-activation driver under Wine inside a network namespace of its own, with a veth
# pair whose two ends are the adapters the driver watches, and changes their addresses when the
# driver asks, and presses keys in a window on a virtual display of its own when the driver asks (the driver
# runs the real program there). Wine's adapter data comes through its wineserver's services, so
# the driver gets a prefix and a wineserver of its own, started inside the namespace.
#   AutoActivationInNamespace.sh <driver.exe> <work folder>
set -uo pipefail
driver="$(realpath "$1")"
work="$(realpath "$2")"

skip() {
    echo "SKIPPED: $*"
    exit 77
}
[ "$(id -u)" -eq 0 ] || skip "creating a network namespace needs root"
command -v ip >/dev/null || skip "the ip command (iproute2) is missing"
command -v Xvfb >/dev/null && command -v xdotool >/dev/null || skip "Xvfb or xdotool is missing"

# A run killed outright (CTest's timeout) cannot clean up after itself: the next run does.
for stale in $(ip netns list 2>/dev/null | awk '/^gwauto[0-9]+/ {print $1}'); do
    kill -0 "${stale#gwauto}" 2>/dev/null || ip netns del "$stale" 2>/dev/null
done
ns="gwauto$$"
ip netns add "$ns" 2>/dev/null || skip "this system does not allow network namespaces"
prefix="$work/netns-wineprefix"
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEARCH=win64

xvfb=""
cleanup() {
    WINEPREFIX="$prefix" wineserver -k >/dev/null 2>&1
    ip netns del "$ns" 2>/dev/null
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
}
trap cleanup EXIT
trap 'exit 143' TERM INT HUP

# A wineserver of this prefix started outside the namespace would show the host's adapters.
wineserver -k >/dev/null 2>&1
ip -n "$ns" link set lo up
ip -n "$ns" link add gwa0 type veth peer name gwa1 || { echo "cannot create the veth pair"; exit 1; }
ip -n "$ns" link set gwa0 up
ip -n "$ns" link set gwa1 up

# The display's socket file is reached from inside the namespace (its abstract socket is not).
fdfile=$(mktemp)
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fdfile" >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 100); do [ -s "$fdfile" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n1 "$fdfile")"
rm -f "$fdfile"

in_ns() {
    ip netns exec "$ns" env WINEDLLOVERRIDES=wininet=n "$@"
}
mkdir -p "$prefix"
in_ns wine wineboot -i </dev/null >/dev/null 2>&1
# As in every test prefix: Wine's own faces, and windows that close without waiting for a window
# manager that is not there.
for face in /usr/share/wine/fonts/*.ttf; do
    [ -e "$face" ] && [ ! -e "$prefix/drive_c/windows/Fonts/${face##*/}" ] && ln -s "$face" "$prefix/drive_c/windows/Fonts/"
done
grep -q '"Managed"="N"' "$prefix/user.reg" 2>/dev/null ||
    in_ns wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1

set_addresses() {
    while [ $# -ge 2 ]; do
        # Deleting a subnet's primary address deletes its secondaries: flush, then add.
        ip -n "$ns" addr flush dev "$1" || return 1
        ip -n "$ns" addr add "$2" dev "$1" || return 1
        shift 2
    done
}

cd "$(dirname "$driver")"
coproc DRIVER { in_ns wine "$driver" 2>&1; }
driver_pid=$DRIVER_PID
driver_out="${DRIVER[0]}"
driver_in="${DRIVER[1]}"
while IFS= read -r line <&"$driver_out"; do
    line="${line%$'\r'}"
    case "$line" in
    "@@GW SET "*)
        # shellcheck disable=SC2086
        if set_addresses ${line#@@GW SET }; then
            echo OK >&"$driver_in"
        else
            echo FAILED >&"$driver_in"
        fi
        ;;
    "@@GW KEYS "*)
        # "<window caption>|<keys>": the keys go to that window, given the display's focus first.
        request="${line#@@GW KEYS }"
        window=$(xdotool search --onlyvisible --name "^${request%%|*}\$" 2>/dev/null | head -n1)
        # shellcheck disable=SC2086
        if [ -n "$window" ] && xdotool windowfocus --sync "$window" && xdotool key --delay 150 ${request#*|}; then
            echo OK >&"$driver_in"
        else
            echo FAILED >&"$driver_in"
        fi
        ;;
    *)
        echo "$line"
        ;;
    esac
done
wait "$driver_pid"
status=$?
echo "driver exit status: $status"
exit "$status"
