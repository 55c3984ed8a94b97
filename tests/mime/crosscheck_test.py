#!/usr/bin/env python3
"""Decodes a corpus of generated messages with vellumine-cli and with
Python's email package, and checks that bodies and attachments come out as
the same bytes wherever the two sets of rules agree; and that every text a
mail client shows inline, by Python's part tree, is on the composed page
and in the text export of each sample message."""

import binascii
import hashlib
import html
import html.parser
import json
import os
import random
import re
import subprocess
import sys
from email import message_from_bytes, policy
from email.header import decode_header, make_header
from email.mime.application import MIMEApplication
from email.mime.image import MIMEImage
from email.mime.multipart import MIMEMultipart
from email.mime.text import MIMEText

CLI = sys.argv[1]
SAMPLES = sys.argv[2:]
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


def sample_files():
    for folder in SAMPLES:
        for name in sorted(os.listdir(folder)):
            with open(os.path.join(folder, name), "rb") as f:
                yield name, f.read()


def without_line_break_bytes(parsed):
    """A text, a message or an armoured signature carried as an attachment
    keeps the line breaks of its source: its size and digest differ between
    the two forms."""
    for attachment in parsed["attachments"]:
        ctype = attachment["contentType"]
        if ctype.split("/")[0] in ("text", "message", "") or ctype == "application/pgp-signature":
            del attachment["size"], attachment["sha256"]
    return parsed


def check_samples_in_both_forms(failures):
    """The project's own messages parse alike with CR LF and with LF alone."""
    for name, raw in sample_files():
        crlf, lf = without_line_break_bytes(run_cli(raw)), without_line_break_bytes(run_cli(lf_only(raw)))
        if crlf != lf:
            failures.append("sample %s: LF-only form parses differently" % name)
        print("checked sample", name, "in both forms")


class _VisibleText(html.parser.HTMLParser):
    """The text of an HTML document without its markup, scripts and styles."""

    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.parts, self.hidden = [], 0

    def handle_starttag(self, tag, attrs):
        self.hidden += tag in ("script", "style", "title")
        self.parts.append(" ")

    def handle_endtag(self, tag):
        self.hidden -= tag in ("script", "style", "title") and self.hidden > 0
        self.parts.append(" ")

    def handle_data(self, data):
        if not self.hidden:
            self.parts.append(data)


def visible_text(markup):
    parser = _VisibleText()
    parser.feed(markup)
    parser.close()
    return "".join(parser.parts)


def words(text):
    return set(re.findall(r"\w+", text))


def leaf_text(part):
    data = part.get_payload(decode=True) or b""
    for charset in (part.get_content_charset(), "utf-8"):
        try:
            return data.decode(charset) if charset else data.decode("utf-8")
        except (LookupError, UnicodeDecodeError):
            continue
    return data.decode("cp1252", "replace")


UUENCODED_BLOCK = re.compile(r"^begin [0-7]{3} .*?^end\s*$", re.M | re.S)
REPORTS = ("message/delivery-status", "message/disposition-notification", "text/rfc822-headers")


def inline_texts(part, depth=0):
    """The texts a mail client shows inline, by Python's part tree: text leaves
    not marked as attachments, the best of each alternative, the root of each
    related part, the signed text, delivery reports, and attached messages
    (with their subject) down to three levels."""
    ctype = part.get_content_type()
    if ctype == "message/rfc822":
        if depth < 3 and part.is_multipart():
            inner = part.get_payload(0)
            yield str(make_header(decode_header(inner.get("Subject", ""))))
            yield from inline_texts(inner, depth + 1)
        return
    if part.is_multipart():
        children = part.get_payload()
        if ctype == "multipart/alternative":
            shown = [c for c in children if c.is_multipart() or c.get_content_type() in ("text/plain", "text/html")]
            children = shown[-1:]
        elif ctype in ("multipart/related", "multipart/signed"):
            children = children[:1]
        elif ctype == "multipart/encrypted":
            children = []
        for child in children:
            yield from inline_texts(child, depth)
        return
    if part.get_content_disposition() == "attachment":
        return
    if ctype in ("text/plain", "text/html") + REPORTS:
        text = leaf_text(part)
        if text and ctype == "text/html":
            text = visible_text(text)
        elif text and "Content-Type" not in part:
            text = UUENCODED_BLOCK.sub("", text)  # shown as files
        if text:
            yield text


def check_inline_texts(failures):
    """Every word of every inline text is on the page and in the text export."""
    for name, raw in sample_files():
        message = message_from_bytes(raw, policy=policy.compat32)
        wanted = set()
        for text in inline_texts(message):
            wanted |= words(text)
        page = subprocess.run([CLI, "parse", "--body", "page", "-"], input=raw, capture_output=True,
                              check=True).stdout.decode("utf-8")
        plain = subprocess.run([CLI, "parse", "--body", "plain", "-"], input=raw, capture_output=True,
                               check=True).stdout.decode("utf-8")
        for label, have in (("page", words(visible_text(page))), ("text export", words(plain))):
            missing = sorted(wanted - have)
            if missing:
                failures.append("sample %s: %s lacks %s" % (name, label, " ".join(missing[:12])))
        print("checked inline texts of sample", name)


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
        check_inline_texts(failures)
    for failure in failures:
        print("FAIL", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
