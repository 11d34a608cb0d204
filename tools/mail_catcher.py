#!/usr/bin/python3
"""A local SMTP server that keeps every message it receives as files in a folder.

Usage: mail_catcher.py FOLDER [PORT]

Listens on 127.0.0.1 only (PORT 0 or none: a port the system picks), prints the port on the first
line of its output, and writes each message as FOLDER/N.eml (the data as received) beside
FOLDER/N.envelope (the MAIL FROM address on the first line, one RCPT TO address per line after it).
The .envelope file appears last, complete, so a reader that sees it can read both. Ends on SIGTERM
or SIGINT.
"""
import asyncio
import os
import signal
import sys

from aiosmtpd.smtp import SMTP


class KeepMessages:
    def __init__(self, folder):
        self.folder = folder
        self.count = 0

    def _write(self, name, data):
        temporary = os.path.join(self.folder, "." + name + ".part")
        with open(temporary, "wb") as out:
            out.write(data)
        os.replace(temporary, os.path.join(self.folder, name))

    async def handle_DATA(self, server, session, envelope):
        self.count += 1
        stem = str(self.count)
        self._write(stem + ".eml", envelope.original_content or envelope.content)
        lines = [envelope.mail_from] + list(envelope.rcpt_tos)
        self._write(stem + ".envelope", ("\n".join(lines) + "\n").encode())
        return "250 OK"


async def serve(folder, port):
    loop = asyncio.get_running_loop()
    handler = KeepMessages(folder)
    server = await loop.create_server(lambda: SMTP(handler, hostname="catcher.test"), host="127.0.0.1",
                                      port=port)
    print(server.sockets[0].getsockname()[1], flush=True)
    stop = asyncio.Event()
    for number in (signal.SIGTERM, signal.SIGINT):
        loop.add_signal_handler(number, stop.set)
    await stop.wait()
    server.close()


def main():
    if len(sys.argv) not in (2, 3):
        print(__doc__.strip().splitlines()[2], file=sys.stderr)
        return 2
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    port = int(sys.argv[2]) if len(sys.argv) == 3 else 0
    asyncio.run(serve(folder, port))
    return 0


if __name__ == "__main__":
    sys.exit(main())
