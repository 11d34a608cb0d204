#!/usr/bin/python3
"""Independent checks of what the message writer produced, with Python's own mail parser.

  check_message.py message FILE [--subject-file F] [--attachment F [--attachment-name F] ...]
                   [--body-file F [--body-charset C] [--blank-after N]]
                   [--cc "Name|address" ...] [--headers Name,Name,...]
  check_message.py quoted-printable ENCODED_FILE ORIGINAL_FILE
  check_message.py preview PREVIEW_FILE RECEIVED_FILE ENVELOPE_FILE

Exit status 0 when every check holds; otherwise the failures are printed, one a line.
"""
import argparse
import email
import re
import email.policy
import email.utils
import quopri
import sys

failures = []


def check(condition, text):
    if not condition:
        failures.append(text)


def read(path):
    with open(path, "rb") as f:
        return f.read()


def header_block(raw):
    end = raw.find(b"\r\n\r\n")
    return raw[: end + 2] if end >= 0 else raw


def check_lines(raw):
    check(raw.replace(b"\r\n", b"").find(b"\n") < 0 and raw.replace(b"\r\n", b"").find(b"\r") < 0,
          "a line does not end in CR LF")
    longest = max((len(line) for line in raw.split(b"\r\n")), default=0)
    check(longest <= 998, "a line of %d characters" % longest)


def text_parts(message):
    return [part for part in message.walk() if part.get_content_maintype() == "text"]


def attachments(message):
    return [part for part in message.walk() if part.get_content_disposition() == "attachment"]


def check_message(args):
    raw = read(args.file)
    check_lines(raw)
    message = email.message_from_bytes(raw, policy=email.policy.default)
    check(not message.defects, "message defects: %r" % message.defects)
    for name in filter(None, (args.headers or "").split(",")):
        check(name in message, "header %s missing (an empty line inside the header block?)" % name)
    # Every line of the header block is a header line or the continuation of one.
    for line in header_block(raw).split(b"\r\n")[:-1]:
        check(line[:1] in (b" ", b"\t") or b":" in line, "not a header line: %r" % line)
    if args.subject_file:
        expected = read(args.subject_file).decode("utf-8")
        # The parser drops the blank after "Subject:" only when the value starts on the first line;
        # a value folded onto the next line keeps that line's blank in front.
        got = str(message["subject"]).lstrip(" \t")
        check(got == expected, "subject %r, expected %r" % (got, expected))
    if args.body_file:
        expected = read(args.body_file).decode(args.body_charset).split("\r\n")
        parts = text_parts(message)
        check(len(parts) == 1, "%d text parts" % len(parts))
        if parts:
            part = parts[0]
            # The text as a reader shows it: decoded with the character set the part announces.
            payload = part.get_payload(decode=True).decode(part.get_content_charset("us-ascii"))
            lines = payload.split("\r\n")
            # After the last body line's line break come the part's empty lines; the line break
            # before the boundary belongs to the boundary.
            tail = [""] * (args.blank_after + 1)
            check(lines[-len(tail):] == tail, "text part ends in %r" % lines[-3:])
            lines = lines[: -len(tail)]
            if part["content-transfer-encoding"] in ("7bit", "8bit"):
                # The writer doubles a leading full stop of an unencoded line for SMTP; the server
                # takes it away again.
                lines = [line[1:] if line.startswith("..") else line for line in lines]
            check(lines == expected, "body lines %r, expected %r" % (lines[:5], expected[:5]))
    found = attachments(message)
    check(len(found) == len(args.attachment), "%d attachments, expected %d" % (len(found), len(args.attachment)))
    for part, path in zip(found, args.attachment):
        data = part.get_payload(decode=True)
        expected = read(path)
        check(data == expected, "attachment %s: %d bytes decoded, %d expected" % (path, len(data), len(expected)))
    for part, path in zip(found, args.attachment_name):
        expected = read(path).decode("utf-8")
        check(part.get_filename() == expected, "file name %r, expected %r" % (part.get_filename(), expected))
        name = part["content-type"].params.get("name")
        check(name == expected, "name on the type %r, expected %r" % (name, expected))
    if args.cc:
        expected = [tuple(item.split("|", 1)) for item in args.cc]
        got = email.utils.getaddresses(message.get_all("cc", []))
        check(got == expected, "Cc %r, expected %r" % (got, expected))


def without_date(message):
    """Without the Date and the Message-ID: each mailing has its own."""
    del message["date"]
    del message["message-id"]
    return message


def check_preview(args):
    """The preview (session lines, an empty line, envelope lines, an empty line, the message) against
    what the server received."""
    preview = read(args.preview)
    session, separator, rest = preview.partition(b"\r\n\r\n")
    check(separator, "no empty line after the session")
    names = [line.split(b":", 1)[0] for line in session.split(b"\r\n")]
    check(names == [b"Server", b"Protection", b"Login"], "session lines %r" % session)
    envelope, separator, raw = rest.partition(b"\r\n\r\n")
    check(separator, "no empty line after the envelope")
    lines = envelope.decode("utf-8").split("\r\n")
    received_envelope = read(args.envelope).decode("utf-8").split("\n")[:-1]
    expected = ["MAIL FROM:<%s>" % received_envelope[0]] + ["RCPT TO:<%s>" % r for r in received_envelope[1:]]
    check(lines == expected, "envelope %r, the server's %r" % (lines, expected))
    received = read(args.received)
    previewed = email.message_from_bytes(raw, policy=email.policy.default)
    delivered = email.message_from_bytes(received, policy=email.policy.default)
    check(not previewed.defects, "preview defects: %r" % previewed.defects)
    for message, who in ((previewed, "preview"), (delivered, "server")):
        check(message["date"] is not None and message["date"].datetime is not None, "%s: no date" % who)
        check(re.fullmatch(r" ?<[0-9a-f.]+@[a-z0-9.-]+>", str(message["message-id"] or "")) is not None,
              "%s: no Message-ID" % who)
    previewed, delivered = without_date(previewed), without_date(delivered)
    check(previewed.items() == delivered.items(),
          "headers %r, the server's %r" % (previewed.items(), delivered.items()))
    parts = [[(p.get_content_type(), p.get_payload(decode=True)) for p in m.walk()] for m in (previewed, delivered)]
    check(parts[0] == parts[1], "parts differ: %r / %r" % (parts[0][:3], parts[1][:3]))
    check(previewed.as_bytes() == delivered.as_bytes(), "the messages differ")


def check_quoted_printable(args):
    encoded = read(args.encoded)
    check(quopri.decodestring(encoded) == read(args.original), "does not decode to the original")
    for line in encoded.split(b"\r\n"):
        check(len(line) <= 76, "encoded line of %d characters: %r" % (len(line), line))
        check(not line.startswith(b"."), "encoded line begins with a full stop: %r" % line)


def main():
    parser = argparse.ArgumentParser()
    modes = parser.add_subparsers(dest="mode", required=True)
    message = modes.add_parser("message")
    message.add_argument("file")
    message.add_argument("--subject-file")
    message.add_argument("--attachment", action="append", default=[])
    message.add_argument("--body-file")
    message.add_argument("--body-charset", default="utf-8")
    message.add_argument("--blank-after", type=int, default=0)
    message.add_argument("--attachment-name", action="append", default=[])
    message.add_argument("--cc", action="append", default=[])
    message.add_argument("--headers")
    qp = modes.add_parser("quoted-printable")
    qp.add_argument("encoded")
    qp.add_argument("original")
    preview = modes.add_parser("preview")
    preview.add_argument("preview")
    preview.add_argument("received")
    preview.add_argument("envelope")
    args = parser.parse_args()
    if args.mode == "message":
        check_message(args)
    elif args.mode == "preview":
        check_preview(args)
    else:
        check_quoted_printable(args)
    for failure in failures:
        print(failure)
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
