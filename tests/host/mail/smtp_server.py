"""Local SMTP server for the mail tests: listens on 127.0.0.1 (a free port,
printed as "PORT n"), writes one JSON line per event to --log, decoded."""
import argparse, asyncio, email, email.policy, hashlib, json, logging

from aiosmtpd.smtp import SMTP, AuthResult

logging.disable(logging.WARNING)  # aiosmtpd's deprecation notes

p = argparse.ArgumentParser()
p.add_argument("--log", required=True)
p.add_argument("--auth", help="user:password; without it no AUTH is offered")
p.add_argument("--refuse", action="append", default=[], help="recipient to refuse")
p.add_argument("--delay", type=float, default=0, help="seconds before accepting each message")
p.add_argument("--size-limit", type=int, help="largest message accepted (SIZE is offered)")
p.add_argument("--stall", action="store_true", help="fall silent after the hello")
args = p.parse_args()
out = open(args.log, "a", encoding="utf-8")

def log(**event):
    out.write(json.dumps(event, ensure_ascii=False) + "\n")
    out.flush()

class Handler:
    async def handle_RCPT(self, server, session, envelope, address, options):
        if address in args.refuse:
            log(ev="refused", rcpt=address)
            return "550 5.1.1 no such mailbox"
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        await asyncio.sleep(args.delay)
        m = email.message_from_bytes(envelope.original_content, policy=email.policy.default)
        body = m.get_body(("plain",))
        log(ev="message", mail_from=envelope.mail_from, rcpt=envelope.rcpt_tos,
            to=str(m["To"]), sender=str(m["From"]), reply_to=str(m["Reply-To"]),
            subject=str(m["Subject"]), date=bool(m["Date"]),
            charset=body.get_content_charset(), body=body.get_content(),
            attachments=[{"name": a.get_filename(), "sha256": hashlib.sha256(a.get_content()).hexdigest()}
                         for a in m.iter_attachments()])
        return "250 Message accepted"

if args.stall:  # MAIL FROM is never answered
    Handler.handle_MAIL = lambda *_: asyncio.Event().wait()

def authenticate(server, session, envelope, mechanism, data):
    ok = f"{data.login.decode()}:{data.password.decode()}" == args.auth
    log(ev="auth", mech=mechanism, ok=ok)
    return AuthResult(success=ok, handled=False)

class Recording(SMTP):
    def connection_made(self, transport):
        log(ev="connect")
        super().connection_made(transport)

async def main():
    loop = asyncio.get_running_loop()
    factory = lambda: Recording(Handler(), hostname="test.local", data_size_limit=args.size_limit,
                                authenticator=authenticate if args.auth else None,
                                auth_require_tls=not args.auth)
    server = await loop.create_server(factory, "127.0.0.1", 0)
    print("PORT", server.sockets[0].getsockname()[1], flush=True)
    await asyncio.Event().wait()

asyncio.run(main())
