"""Checks the crash reports the two report mailboxes received against the files left behind.
   CheckCrashMail.py <maildir> <address> <user's line> <log> <dump> <report>"""
import email
import email.policy
import email.utils
import os
import sys

MAILBOXES = {"crash@example.test", "crash-copy@example.test"}


def check(message, address, action, log, dump, report):
    if message["Return-Path"] != f"<{address}>":
        return f"envelope sender {message['Return-Path']!r}"
    if email.utils.parseaddr(message["From"])[1] != address:
        return f"From {message['From']!r}"
    if message["Subject"] != "Gatewarden Crash Report":
        return f"subject {message['Subject']!r}"
    body = message.get_body(preferencelist=("plain",))
    # The store keeps lines ending in LF whatever came over the wire.
    text = body and body.get_payload(decode=True).replace(b"\r\n", b"\n")
    if text != f"Gatewardencrash-report. User message:\n{action}".encode():
        return f"body {text!r}"
    parts = list(message.iter_attachments())
    names = [part.get_filename() for part in parts]
    if names != [os.path.basename(path) for path in (log, dump, report)]:
        return f"attachments {names}"
    for part, path in zip(parts, (log, dump, report)):
        with open(path, "rb") as f:
            expected = f.read()
        got = part.get_payload(decode=True)
        if path == log:
            # The program logs its end after sending.
            if not got or not expected.startswith(got) or b"Application terminated." not in expected[len(got):]:
                return f"{path}: the {len(got)} bytes sent are not the log before its last row"
        elif got != expected:
            return f"{path}: {len(got)} bytes received, {len(expected)} on disk, contents differ"
        print(f"{os.path.basename(path)}: {len(got)} bytes, {part.get_content_type()}, as on disk")
    return None


def main():
    mailbox, address, action, *files = sys.argv[1:]
    delivered = set()
    for name in sorted(os.listdir(mailbox)):
        with open(os.path.join(mailbox, name), "rb") as f:
            message = email.message_from_bytes(f.read(), policy=email.policy.default)
        fault = check(message, address, action, *files)
        if fault:
            sys.exit(f"{message['Delivered-To']}: {fault}")
        delivered.add(message["Delivered-To"])
    if delivered != MAILBOXES:
        sys.exit(f"delivered to {sorted(delivered)}, not to {sorted(MAILBOXES)}")


if __name__ == "__main__":
    main()
