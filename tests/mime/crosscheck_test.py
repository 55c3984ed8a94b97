#!/usr/bin/env python3
"""Decodes a corpus of generated messages with vellumine-cli and with
Python's email package, and checks that bodies and attachments come out as
the same bytes wherever the two sets of rules agree."""

import binascii
import hashlib
import json
import random
import re
import subprocess
import sys
from email import message_from_bytes, policy
from email.mime.application import MIMEApplication
from email.mime.image import MIMEImage
from email.mime.multipart import MIMEMultipart
from email.mime.text import MIMEText

CLI = sys.argv[1]
SAMPLES = sys.argv[2] if len(sys.argv) > 2 else None
rng = random.Random(7)

GERMAN = ("Grüße aus München! Die Bäckerei öffnet um 7 Uhr, der Preis beträgt 3,50 € "
          "für ein großes Brot. ") * 3


def blob(size):
    return bytes(rng.randrange(256) for _ in range(size))


def text(subtype, body, cte):
    part = MIMEText("", subtype, "iso-8859-1")
    del part["Content-Transfer-Encoding"]
    part.set_payload(body.encode("iso-8859-1", "replace"))
    if cte == "quoted-printable":
        from email.encoders import encode_quopri
        encode_quopri(part)
    elif cte == "base64":
        from email.encoders import encode_base64
        encode_base64(part)
    else:
        part["Content-Transfer-Encoding"] = cte
        raw = body.encode("iso-8859-1", "replace").replace(b"\n", b"\r\n")
        part.set_payload(raw.decode("ascii", "surrogateescape"))
    return part


def image(size, cid=None):
    part = MIMEImage(blob(size), "png")
    if cid:
        part["Content-ID"] = "<%s>" % cid
    return part


def corpus():
    yield "plain-qp", text("plain", GERMAN + "\n" + "x" * 200 + "\n", "quoted-printable")
    yield "plain-base64", text("plain", GERMAN, "base64")
    yield "html-8bit", text("html", "<p>" + GERMAN + "</p>\n", "8bit")
    alt = MIMEMultipart("alternative")
    alt.attach(text("plain", GERMAN, "quoted-printable"))
    alt.attach(text("html", "<p>" + GERMAN + "</p>", "quoted-printable"))
    yield "alternative", alt
    mixed = MIMEMultipart("mixed")
    mixed.attach(text("plain", "Anbei die Dateien.\n", "7bit"))
    mixed.attach(MIMEApplication(blob(5000), "pdf"))
    mixed.attach(image(777))
    yield "mixed", mixed
    outer = MIMEMultipart("mixed")
    inner = MIMEMultipart("alternative")
    inner.attach(text("plain", "Text\n", "quoted-printable"))
    inner.attach(text("html", "<b>Text</b>\n", "quoted-printable"))
    outer.attach(inner)
    outer.attach(MIMEApplication(blob(1234), "zip"))
    yield "mixed-alternative", outer
    related = MIMEMultipart("related")
    related.attach(text("html", '<img src="cid:eins@x"><img src="cid:zwei@x">', "quoted-printable"))
    related.attach(image(300, "eins@x"))
    related.attach(image(4100, "zwei@x"))
    yield "related", related
    top = MIMEMultipart("alternative")
    top.attach(text("plain", "Bilder\n", "quoted-printable"))
    rel = MIMEMultipart("related")
    rel.attach(text("html", '<img src="cid:a@b">', "base64"))
    rel.attach(image(2000, "a@b"))
    top.attach(rel)
    yield "alternative-related", top


def crlf_lines_text(data):
    """The text of a line list made from decoded bytes."""
    data = data.split(b"\0")[0]
    lines = re.split(rb"\r\n|\r|\n", data)
    if lines and lines[-1] == b"":
        lines.pop()
    return b"".join(line + b"\r\n" for line in lines)


def digest(data):
    return hashlib.sha256(data).hexdigest()


def expected_from_python(raw):
    msg = message_from_bytes(raw, policy=policy.compat32)
    leaves = [p for p in msg.walk() if not p.is_multipart()]
    text_body = html_body = None
    attachments = []
    for leaf in leaves:
        data = leaf.get_payload(decode=True) or b""
        ctype = leaf.get_content_type()
        if ctype == "text/plain" and text_body is None and data:
            text_body = crlf_lines_text(data)
        elif ctype == "text/html" and html_body is None and data:
            html_body = crlf_lines_text(data)
        else:
            attachments.append((ctype, digest(data), len(data)))
    return text_body, html_body, attachments


def run_cli(raw):
    out = subprocess.run([CLI, "parse", "-"], input=raw, capture_output=True, check=True).stdout
    return json.loads(out)


def check(name, raw, failures):
    text_body, html_body, attachments = expected_from_python(raw)
    got = run_cli(raw)
    for label, body in (("textBody", text_body), ("htmlBody", html_body)):
        want = None if body is None else digest(body)
        have = None if got[label] is None else got[label]["sha256"]
        if want != have:
            failures.append("%s: %s differs" % (name, label))
    have = [(a["contentType"], a["sha256"], a["size"]) for a in got["attachments"]]
    if have != attachments:
        failures.append("%s: attachments differ\n  python: %s\n  cli:    %s" % (name, attachments, have))


def uuencoded_message():
    data = blob(1000)
    lines = [binascii.b2a_uu(data[i:i + 45]).rstrip(b"\n") for i in range(0, len(data), 45)]
    body = b"Hallo,\r\nanbei das Bild.\r\n\r\nbegin 644 bild.png\r\n" + b"\r\n".join(lines) + b"\r\n`\r\nend\r\n"
    raw = b"Subject: uu\r\nFrom: a@b\r\n\r\n" + body
    return raw, data


def lf_only(raw):
    return raw.replace(b"\r\n", b"\n")


def check_uuencoded(label, raw, data, failures):
    got = run_cli(raw)
    attachment = got["attachments"][0] if got["attachments"] else {}
    if attachment.get("sha256") != digest(data) or attachment.get("contentType") != "image/png":
        failures.append("%s: uuencoded block differs: %s" % (label, attachment))
    if got["textBody"] is None or got["textBody"]["sha256"] != digest(b"Hallo,\r\nanbei das Bild.\r\n\r\n"):
        failures.append("%s: text before the uuencoded block differs: %s" % (label, got["textBody"]))


def check_samples_in_both_forms(failures):
    """The project's own messages parse alike with CR LF and with LF alone."""
    import os
    for name in sorted(os.listdir(SAMPLES)):
        with open(os.path.join(SAMPLES, name), "rb") as f:
            raw = f.read()
        crlf, lf = run_cli(raw), run_cli(lf_only(raw))
        if crlf != lf:
            failures.append("sample %s: LF-only form parses differently" % name)
        print("checked sample", name, "in both forms")


def main():
    failures = []
    for name, message in corpus():
        message["Subject"] = name
        raw = message.as_bytes(policy=policy.SMTP)
        check(name, raw, failures)
        check(name + " (LF only)", lf_only(raw), failures)
        print("checked", name)
    raw, data = uuencoded_message()
    check_uuencoded("CR LF", raw, data, failures)
    check_uuencoded("LF only", lf_only(raw), data, failures)
    print("checked uuencoded block")
    if SAMPLES:
        check_samples_in_both_forms(failures)
    for failure in failures:
        print("FAIL", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
