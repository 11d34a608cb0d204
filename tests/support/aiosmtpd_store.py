"""A real SMTP server for the end-to-end tests: aiosmtpd on 127.0.0.1 at a port the system picks.

Usage: aiosmtpd_store.py FOLDER
Prints the port on its first line, then stores delivery N as FOLDER/N.eml (the message bytes as
received) and FOLDER/N.envelope (the envelope sender, then one recipient per line). It ends when
its standard input closes (the test process ended) or after five minutes at the latest.
"""
import asyncio
import os
import sys

from aiosmtpd.smtp import SMTP


class Store:
    def __init__(self, folder):
        self.folder = folder
        self.count = 0

    async def handle_DATA(self, server, session, envelope):
        self.count += 1
        base = os.path.join(self.folder, str(self.count))
        content = envelope.original_content or envelope.content
        with open(base + ".eml.part", "wb") as f:
            f.write(content)
        with open(base + ".envelope", "w") as f:
            f.write("\n".join([envelope.mail_from] + list(envelope.rcpt_tos)) + "\n")
        # The message file appears last and whole: the test waits for it.
        os.rename(base + ".eml.part", base + ".eml")
        return "250 Message accepted for delivery"


async def main():
    folder = sys.argv[1]
    loop = asyncio.get_running_loop()
    handler = Store(folder)
    server = await loop.create_server(
        lambda: SMTP(handler, hostname="aiosmtpd.test", data_size_limit=None), "127.0.0.1", 0)
    print(server.sockets[0].getsockname()[1], flush=True)

    stop = asyncio.Event()

    def on_input():
        if not os.read(sys.stdin.fileno(), 4096):
            stop.set()

    loop.add_reader(sys.stdin.fileno(), on_input)
    loop.call_later(300, stop.set)
    await stop.wait()
    server.close()
    await server.wait_closed()


if __name__ == "__main__":
    asyncio.run(main())
