"""Parses a stored message with Python's email package and compares it with what was sent.

Usage: check_message.py MESSAGE [--subject TEXT] [--body FILE] [--attachment NAME FILE]...
--body compares the lines of the first text part with the lines of FILE; --attachment compares
the bytes of the attachment called NAME with the bytes of FILE. Prints every difference and exits
with 1 when there is one.
"""
import argparse
import email
import sys
from email import policy


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("message")
    parser.add_argument("--subject")
    parser.add_argument("--body")
    parser.add_argument("--attachment", nargs=2, action="append", default=[])
    args = parser.parse_args()

    with open(args.message, "rb") as f:
        message = email.message_from_bytes(f.read(), policy=policy.default)
    problems = []
    if message.defects:
        problems.append("defects: %r" % message.defects)
    if args.subject is not None and str(message["Subject"]) != args.subject:
        problems.append("subject %r, expected %r" % (str(message["Subject"]), args.subject))
    if args.body is not None:
        part = message.get_body(preferencelist=("plain", "html"))
        got = part.get_content().splitlines() if part is not None else None
        with open(args.body, "rb") as f:
            expected = f.read().decode("utf-8").splitlines()
        if got != expected:
            problems.append("body %r, expected %r" % (got, expected))
    attachments = {part.get_filename(): part.get_content() for part in message.iter_attachments()}
    for name, path in args.attachment:
        with open(path, "rb") as f:
            expected = f.read()
        if name not in attachments:
            problems.append("no attachment %r among %r" % (name, list(attachments)))
        elif attachments[name] != expected:
            problems.append("attachment %r: %d bytes differ from the %d sent" % (
                name, len(attachments[name]), len(expected)))
    for problem in problems:
        print(problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
