"""Writes the messages and the store description of the attachments test.

Usage: attachment_store.py FOLDER. FOLDER receives the .eml files, store.json
for vellumine-storewriter, and contents.json: the SHA-256 of every
attachment's bytes by the message subject and the name the test expects.
"""
import base64
import binascii
import hashlib
import json
import os
import sys

folder = sys.argv[1]
os.makedirs(folder, exist_ok=True)
contents = {}

PDF = b"%PDF-1.4 Rechnung " * 60
PNG = b"\x89PNG\r\n\x1a\n" + bytes(range(256)) * 8
INNER_PNG = b"\x89PNG\r\n\x1a\n" + b"innen" * 100
ZIP = b"PK\x03\x04" + bytes(range(256)) * 3
SMALL = b"0123456789"


def b64(data):
    text = base64.b64encode(data).decode()
    return "\r\n".join(text[i:i + 76] for i in range(0, len(text), 76))


def part(content_type, disposition, data):
    return (f"Content-Type: {content_type}\r\nContent-Disposition: {disposition}\r\n"
            f"Content-Transfer-Encoding: base64\r\n\r\n{b64(data)}\r\n")


def mixed(boundary, parts):
    body = "".join(f"--{boundary}\r\n{p}" for p in parts)
    return (f"MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=\"{boundary}\"\r\n\r\n"
            f"{body}--{boundary}--\r\n")


TEXT = "Content-Type: text/plain; charset=utf-8\r\n\r\nsiehe Anlage\r\n"


def message(subject, body, date_header=True):
    date = "Date: Wed, 24 Dec 2003 14:05:00 +0100\r\n" if date_header else ""
    return f"From: Anna <anna@example.de>\r\nTo: Bernd <bernd@example.de>\r\nSubject: {subject}\r\n{date}{body}"


def expect(subject, name, data):
    contents.setdefault(subject, {})[name] = hashlib.sha256(data).hexdigest()


def write(name, text):
    with open(os.path.join(folder, name), "wb") as out:
        out.write(text.encode())


# Names decoded from RFC 2231 continuations, the same name twice, an image.
long_name = "\u00e4" * 150 + ".txt"
long_segments = "; ".join(f"filename*{i}*={'UTF-8' if i == 0 else ''}{chr(39) * 2 if i == 0 else ''}" +
                          "%C3%A4" * 15 for i in range(10))
names_body = mixed("grenze1", [
    TEXT,
    part("application/pdf", "attachment; filename*0*=UTF-8''Rechnung%20M%C3%A4; filename*1*=rz.pdf", PDF),
    part("image/png", "attachment; filename=\"foto.png\"", PNG),
    part("text/plain", "attachment; filename=\"notiz.txt\"", b"erste Notiz\r\n"),
    part("text/plain", "attachment; filename=\"notiz.txt\"", b"zweite Notiz\r\n"),
    part("application/octet-stream", "attachment; " + long_segments + "; filename*10=.txt", b"lang\r\n"),
])
write("namen.eml", message("Namen", names_body))
for name, data in [("Rechnung M\u00e4rz.pdf", PDF), ("foto.png", PNG), ("notiz.txt", b"erste Notiz\r\n"),
                   ("notiz_0.txt", b"zweite Notiz\r\n"), (long_name, b"lang\r\n")]:
    expect("Namen", name, data)

# Hostile names, and the PDF once more (a duplicate).
hostile = [
    ("=?ISO-8859-1?Q?Gr=FC=DFe_aus_K=F6ln.txt?=", "name", b"Gruesse\r\n"),
    ("UTF-8''ordner%2Funter%5Cdatei.txt", "filename*", b"Pfad\r\n"),
    ("UTF-8''..%2F..%2Fetc%2Fpasswd", "filename*", b"root:x:0:0\r\n"),
    ("UTF-8''..", "filename*", b"zwei Punkte\r\n"),
    ("UTF-8''b%C3%B6se%01%1B%5B31m.txt", "filename*", b"Steuerzeichen\r\n"),
    ("UTF-8''rechnung%E2%80%AEfdp.exe", "filename*", b"umgedreht\r\n"),
]
hostile_parts = [TEXT, part("application/pdf", "attachment; filename=\"kopie.pdf\"", PDF)]
expect("Gefährlich", "kopie.pdf", PDF)
for value, parameter, data in hostile:
    if parameter == "name":
        hostile_parts.append(part(f"application/octet-stream; name=\"{value}\"", "attachment", data))
    else:
        hostile_parts.append(part("application/octet-stream", f"attachment; {parameter}={value}", data))
    expect("Gefährlich", value, data)
write("gefaehrlich.eml", message("Gefaehrlich", mixed("grenze2", hostile_parts)))

# An attachment inside an attached message.
inner = message("Innen", mixed("grenze3", [TEXT, part("image/png", "attachment; filename=\"innen.png\"", INNER_PNG)]))
forwarded = mixed("grenze4", [TEXT, f"Content-Type: message/rfc822\r\n\r\n{inner}"])
write("weitergeleitet.eml", message("Weitergeleitet", forwarded))
expect("Weitergeleitet", "innen.png", INNER_PNG)

# A uuencoded attachment in a body without MIME headers, as older clients sent them.
uu = "".join(binascii.b2a_uu(ZIP[i:i + 45]).decode().replace("\n", "\r\n") for i in range(0, len(ZIP), 45))
write("uuencode.eml", message("Uuencode", f"\r\nDie alte Datei:\r\n\r\n"
                                          f"begin 644 alt.zip\r\n{uu}`\r\nend\r\n"))
expect("Uuencode", "alt.zip", ZIP)

# No store date: the Date header's time; neither: no date in the name.
write("kopfdatum.eml", message("Kopfdatum", mixed("grenze5", [TEXT, part(
    "application/octet-stream", "attachment; filename=\"klein.bin\"", SMALL)])))
expect("Kopfdatum", "klein.bin", SMALL)
write("ohnedatum.eml", message("Ohne Datum", mixed("grenze6", [TEXT, part(
    "application/octet-stream", "attachment; filename=\"ohne.bin\"", b"ohne Datum\r\n")]), date_header=False))
expect("Ohne Datum", "ohne.bin", b"ohne Datum\r\n")
# Damaged by the test after the store is written.
write("kaputt.eml", message("Kaputt", mixed("grenze7", [TEXT, part(
    "application/octet-stream", "attachment; filename=\"kaputt.bin\"", b"nie gelesen\r\n")])))


def record(source, subject, date=None):
    entry = {"source": source, "from": "Anna", "to": "Bernd", "subject": subject}
    if date:
        entry["date"] = date
    return entry


store = {"folders": [
    {"id": 0, "name": "Lokale Ordner"},
    {"id": 1, "parent": 0, "name": "Posteingang", "file": "Posteingang.dbx", "special": True, "messages": [
        record("namen.eml", "Namen", "2003-12-24T14:05:00Z"),
        record("kaputt.eml", "Kaputt", "2003-12-25T10:00:00Z"),
        record("uuencode.eml", "Uuencode", "2003-12-26T09:30:00Z")]},
    {"id": 2, "parent": 0, "name": "Archiv", "file": "Archiv.dbx", "messages": [
        record("gefaehrlich.eml", "Gefährlich", "2004-01-02T08:00:00Z"),
        record("kopfdatum.eml", "Kopfdatum"),
        record("ohnedatum.eml", "Ohne Datum")]},
    {"id": 3, "parent": 2, "name": "Rechnungen/2003", "file": "Rechnungen.dbx", "messages": [
        record("weitergeleitet.eml", "Weitergeleitet", "2004-01-03T12:00:00Z")]},
    {"id": 4, "parent": 0, "name": "Leer"},
]}
with open(os.path.join(folder, "store.json"), "w") as out:
    json.dump(store, out, ensure_ascii=False)
with open(os.path.join(folder, "contents.json"), "w") as out:
    json.dump(contents, out, ensure_ascii=False)
