"""A real SMTP server for the end-to-end tests: aiosmtpd on 127.0.0.1 at a port the system picks.

Usage: aiosmtpd_store.py FOLDER [--security starttls|tls|refuse-starttls] [--cert-names NAME,...]
                         [--login USER PASSWORD] [--bearer USER TOKEN]
                         [--pipelining always|after-tls|before-tls]
Prints the port on its first line, then stores delivery N as FOLDER/N.eml (the message bytes as
received) and FOLDER/N.envelope (the envelope sender, then one recipient per line). It ends when
its standard input closes (the test process ended) or after five minutes at the latest.

With --security the server has a certificate for the names given (default localhost and
127.0.0.1) from a throwaway authority whose certificate it writes to FOLDER/ca.pem before it
prints its port: "starttls" offers STARTTLS, "tls" speaks TLS from the first byte,
"refuse-starttls" offers STARTTLS and answers it with 454. With --login it offers AUTH PLAIN and
LOGIN and accepts only that user and password. With --bearer it offers XOAUTH2 and OAUTHBEARER
and accepts only that user with that access token; any other token gets the error challenge (334
and a base64 JSON status), which must be answered as the method requires (an empty line for
XOAUTH2, ^A for OAUTHBEARER) before the final 535. Each bearer login's fields but the token are
appended to FOLDER/bearer.log. With --pipelining its EHLO reply lists PIPELINING
(aiosmtpd reads commands in order however they arrive): always, or only over the protected
connection, or only before STARTTLS. For each MAIL FROM it appends to FOLDER/mail-from.log
"grouped" when more commands had already arrived with it (a client that pipelines), else "alone".
Every command line it receives is appended to
FOLDER/commands.log.
"""
import argparse
import asyncio
import logging
import os
import sys
import warnings

import base64
import json

from aiosmtpd.smtp import MISSING, SMTP, AuthResult, LoginPassword


class RefusingSMTP(SMTP):
    async def smtp_STARTTLS(self, arg):
        await self.push("454 4.7.0 TLS not available due to temporary reason")


class BearerSMTP(SMTP):
    # RFC 4954 lets AUTH lines reach 12,288 octets; access tokens take kilobytes. (The reader's
    # limit is also that of message lines here.)
    line_length_limit = 12288

    def __init__(self, *args, **kwargs):
        super().__init__(*args, **kwargs)
        self.command_size_limits["AUTH"] = 12288


class CommandLog(logging.Handler):
    def __init__(self, path):
        super().__init__()
        self.path = path

    def emit(self, record):
        if ">>" in str(record.msg):
            with open(self.path, "a") as f:
                f.write(record.getMessage() + "\n")


def tls_contexts(folder, names):
    import ssl
    import trustme

    authority = trustme.CA()
    authority.cert_pem.write_to_path(os.path.join(folder, "ca.pem"))
    context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
    authority.issue_cert(*names).configure_cert(context)
    return context


def authenticator(user, password):
    def check(server, session, envelope, mechanism, auth_data):
        ok = isinstance(auth_data, LoginPassword) and auth_data.login == user.encode() \
            and auth_data.password == password.encode()
        return AuthResult(success=ok, handled=False)
    return check


class Store:
    def __init__(self, folder, pipelining=None):
        self.folder = folder
        self.count = 0
        self.pipelining = pipelining

    async def handle_EHLO(self, server, session, envelope, hostname, responses):
        session.host_name = hostname
        protected = server._tls_protocol is not None
        if self.pipelining == "always" or (self.pipelining == "after-tls" and protected) \
                or (self.pipelining == "before-tls" and not protected):
            responses.insert(len(responses) - 1, "250-PIPELINING")
        return responses

    async def handle_MAIL(self, server, session, envelope, address, mail_options):
        grouped = len(server._reader._buffer) > 0
        with open(os.path.join(self.folder, "mail-from.log"), "a") as f:
            f.write("grouped\n" if grouped else "alone\n")
        envelope.mail_from = address
        envelope.mail_options.extend(mail_options)
        return "250 OK"

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


class BearerStore(Store):
    """Checks the two bearer-token logins as a provider's mail server does."""

    def __init__(self, folder, pipelining, user, token):
        super().__init__(folder, pipelining)
        self.user = user
        self.token = token

    def note(self, text):
        with open(os.path.join(self.folder, "bearer.log"), "a") as f:
            f.write(text + "\n")

    async def check(self, server, args, mechanism, parse, error_answer):
        if len(args) != 2:
            return AuthResult(success=False, handled=False, message="501 5.5.2 initial response expected")
        try:
            fields = parse(base64.b64decode(args[1], validate=True).decode())
        except Exception:
            fields = None
        if fields is None:
            return AuthResult(success=False, handled=False, message="501 5.5.2 malformed " + mechanism + " response")
        user, token, rest = fields
        self.note(" ".join([mechanism, "user=" + user] + rest))
        if user == self.user and token == self.token:
            return AuthResult(success=True, auth_data=LoginPassword(user.encode(), b""))
        status = json.dumps({"status": "401", "schemes": "bearer", "scope": "https://mail.test/"})
        answer = await server.challenge_auth(status)
        if answer is MISSING:
            return AuthResult(success=False, handled=True)
        if answer != error_answer:
            return AuthResult(success=False, handled=False, message="501 5.5.2 wrong answer to the error challenge")
        return AuthResult(success=False, handled=False, message="535 5.7.8 Username and Password not accepted (token)")

    async def auth_XOAUTH2(self, server, args):
        def parse(text):
            parts = text.split("\x01")
            if len(parts) != 4 or parts[2:] != ["", ""] or not parts[0].startswith("user=") \
                    or not parts[1].startswith("auth=Bearer "):
                return None
            return parts[0][5:], parts[1][12:], []
        return await self.check(server, args, "XOAUTH2", parse, b"")

    async def auth_OAUTHBEARER(self, server, args):
        def parse(text):
            parts = text.split("\x01")
            if len(parts) != 6 or parts[4:] != ["", ""] or not parts[0].startswith("n,a=") \
                    or not parts[0].endswith(",") or not parts[1].startswith("host=") \
                    or not parts[2].startswith("port=") or not parts[3].startswith("auth=Bearer "):
                return None
            user = parts[0][4:-1].replace("=2C", ",").replace("=3D", "=")
            return user, parts[3][12:], [parts[1], parts[2]]
        return await self.check(server, args, "OAUTHBEARER", parse, b"\x01")


async def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("folder")
    parser.add_argument("--security", choices=["starttls", "tls", "refuse-starttls"])
    parser.add_argument("--cert-names", default="localhost,127.0.0.1")
    parser.add_argument("--login", nargs=2)
    parser.add_argument("--pipelining", choices=["always", "after-tls", "before-tls"])
    parser.add_argument("--bearer", nargs=2)
    options = parser.parse_args()
    folder = options.folder
    log = logging.getLogger("mail.log")
    log.setLevel(logging.INFO)
    log.addHandler(CommandLog(os.path.join(folder, "commands.log")))

    loop = asyncio.get_running_loop()
    handler = BearerStore(folder, options.pipelining, *options.bearer) if options.bearer \
        else Store(folder, options.pipelining)
    settings = dict(hostname="aiosmtpd.test", data_size_limit=None)
    server_tls = None
    kind = SMTP
    if options.security:
        context = tls_contexts(folder, options.cert_names.split(","))
        if options.security == "tls":
            server_tls = context
            settings["auth_require_tls"] = False
        else:
            settings["tls_context"] = context
            settings["require_starttls"] = True
        if options.security == "refuse-starttls":
            kind = RefusingSMTP
    if options.bearer:
        warnings.filterwarnings("ignore", message="Requiring AUTH while not requiring TLS")
        kind = BearerSMTP
        settings["auth_required"] = True
        settings["auth_exclude_mechanism"] = ["LOGIN", "PLAIN"]
    if options.login:
        # Login without STARTTLS is fine here: the "tls" server speaks TLS from the first byte.
        warnings.filterwarnings("ignore", message="Requiring AUTH while not requiring TLS")
        settings["authenticator"] = authenticator(*options.login)
        settings["auth_required"] = True
    server = await loop.create_server(lambda: kind(handler, **settings), "127.0.0.1", 0, ssl=server_tls)
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
