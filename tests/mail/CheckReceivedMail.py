"""Parses the one message a test mailbox received and compares its attachments with the files."""
import email
import email.policy
import os
import sys


def main():
    mailbox, *files = sys.argv[1:]
    received = os.listdir(mailbox)
    if len(received) != 1:
        sys.exit(f"expected one message in {mailbox}, found {received}")
    with open(os.path.join(mailbox, received[0]), "rb") as f:
        message = email.message_from_bytes(f.read(), policy=email.policy.default)
    if message["Subject"] != "Gatewarden crash report":
        sys.exit(f"wrong subject: {message['Subject']!r}")
    body = message.get_body(preferencelist=("plain",))
    if body is None or body.get_content() != "The report files are attached.\n.\nEnd of report.\n":
        sys.exit(f"wrong body: {body and body.get_content()!r}")
    attachments = {part.get_filename(): part for part in message.iter_attachments()}
    if sorted(attachments) != sorted(os.path.basename(f) for f in files):
        sys.exit(f"attachments {sorted(attachments)} do not match the files {files}")
    for path in files:
        part = attachments[os.path.basename(path)]
        with open(path, "rb") as f:
            expected = f.read()
        got = part.get_payload(decode=True)
        if got != expected:
            sys.exit(f"{path}: {len(got)} bytes received, {len(expected)} sent, contents differ")
        print(f"{os.path.basename(path)}: {len(got)} bytes, {part.get_content_type()}, equal")


if __name__ == "__main__":
    main()
