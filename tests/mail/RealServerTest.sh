#!/usr/bin/env bash
# Sends a message with three attachments through a private Postfix listening on a loopback port,
# then parses what Postfix delivered and compares each attachment with its file.
#   RealServerTest.sh <wine-run> <MailSender.exe>
set -euo pipefail
wine_run="$1"
sender="$2"
here="$(cd "$(dirname "$0")" && pwd)"

. "$here/PrivatePostfix.sh"
start_private_postfix
mkdir -p "$work/files"

head -c 0 /dev/null >"$work/files/empty.bin"
head -c 71680 /dev/urandom >"$work/files/random.bin"
printf 'Gatewarden log\n.\n..two dots\nlast line\n' >"$work/files/notes.txt"

winpath() { echo "Z:${1//\//\\}"; }
"$wine_run" "$sender" "$port" inbox@example.test \
    "$(winpath "$work/files/empty.bin")" "$(winpath "$work/files/random.bin")" "$(winpath "$work/files/notes.txt")"

wait_for_mail
python3 "$here/CheckReceivedMail.py" "$inbox" "$work/files/empty.bin" "$work/files/random.bin" "$work/files/notes.txt"
