#!/usr/bin/env bash
# Crashes the program built with a report channel on loopback, sends the report from its crash
# page to a private Postfix on that port, and checks what both report mailboxes received.
#   CrashRealServerTest.sh <wine-run> <CrashPageDriver.exe> <report port>
set -euo pipefail
wine_run="$1"
driver="$2"
here="$(cd "$(dirname "$0")" && pwd)"

. "$here/../mail/PrivatePostfix.sh"
start_private_postfix "$3"
mkdir -p "$work/temp"

address="reporter@example.org"
action="Switched to Office twice, then the window went white."
"$wine_run" "$driver" "Z:${work//\//\\}\\temp" "$address" "$action" | tr -d '\r' >"$work/paths"
files=()
while read -r path; do files+=("$("$wine_run" winepath -u "$path" | tr -d '\r')"); done <"$work/paths"

wait_for_mail 2
python3 "$here/CheckCrashMail.py" "$inbox" "$address" "$action" "${files[@]}"
