#!/usr/bin/env python3
"""Migrates a store to Maildir and to mboxrd and reads the output with real
mail software: a Dovecot IMAP server started on 127.0.0.1 over each output
(folders listed, every message fetched), Python's mailbox module and an
mboxrd reader over the mbox files, and mutt counting each mbox headless.
Every message must come back with the store's bytes.

Usage: imap_test.py VELLUMINE_CLI STOREWRITER DESCRIPTION.json [STORE_FOLDER...]
(the store of the description is written first; every store is checked)"""

import hashlib
import imaplib
import json
import mailbox
import os
import re
import shutil
import socket
import subprocess
import sys
import tempfile
import time

CLI, STOREWRITER, DESCRIPTION = sys.argv[1:4]
STORE = None  # the store being checked
FIRST_STORE = None  # the store of the description, with an inbox
failures = []


def check(label, want, have):
    if want != have:
        failures.append("%s\n  expected: %r\n  actual:   %r" % (label, want, have))
    else:
        print("ok  ", label)


def cli(*args):
    return subprocess.run([CLI, "--store", STORE] + list(args), capture_output=True, check=True).stdout


def decode_mutf7(name):
    """An IMAP folder name in modified UTF-7 (RFC 3501 5.1.3) as text."""
    import base64
    out, i = [], 0
    while i < len(name):
        if name[i] != "&":
            out.append(name[i])
            i += 1
            continue
        end = name.index("-", i)
        if end == i + 1:
            out.append("&")
        else:
            chunk = name[i + 1:end].replace(",", "/")
            out.append(base64.b64decode(chunk + "=" * (-len(chunk) % 4)).decode("utf-16-be"))
        i = end + 1
    return "".join(out)


def line_end(message):
    first = message.find(b"\n")
    return b"\r\n" if first > 0 and message[first - 1:first] == b"\r" else b"\n"


def mbox_held(source, thunderbird=False):
    """A message as an mbox file holds it: a last line without its break
    gets one where a blank line must follow it before the next separator
    (in Thunderbird's folders always, else when the message is all header
    or ends in a lone CR)."""
    if not source or source.endswith(b"\n"):
        return source
    all_header = not (source.startswith(b"\n") or source.startswith(b"\r\n") or b"\n\n" in source
                      or b"\n\r\n" in source)
    return source + line_end(source) if thunderbird or source.endswith(b"\r") or all_header else source


def crlf(data):
    """IMAP servers hand out CR LF line endings."""
    return re.sub(rb"(?<!\r)\n", b"\r\n", data)


def digests(messages):
    return sorted(hashlib.sha256(m).hexdigest() for m in messages)


def store_messages():
    """Folder path (the tuple of names from the top) -> list of source bytes."""
    folders = json.loads(cli("folders"))
    by_id = {f["id"]: f for f in folders}

    def path(f):
        names, seen = [], set()
        while f is not None and f["id"] not in seen:
            seen.add(f["id"])
            names.insert(0, f["name"])
            f = by_id.get(f["parentId"])
        return tuple(names)

    result = {}
    for f in folders:
        sources = []
        if f["fileName"]:
            for m in json.loads(cli("list", f["fileName"])):
                sources.append(cli("source", f["fileName"], str(m["sourceOffset"])))
        result[f["id"]] = (path(f), sources)
    return result


def plain_leaf_names():
    """Folder id -> the store's name, for every folder whose name needs no
    change on disk: no "/" or "." in it, no sibling of the same name in
    another case, not the inbox."""
    folders = json.loads(cli("folders"))
    def folded(name):
        return name.replace("/", "_").replace(".", "_").lower()

    siblings = {}
    for f in folders:
        siblings.setdefault(f["parentId"], []).append(folded(f["name"]))
    return {f["id"]: f["name"] for f in folders
            if not set(f["name"]) & set("/.") and f["name"] and siblings[f["parentId"]].count(folded(f["name"])) == 1
            and f["name"].lower() not in ("inbox", "posteingang")}


def migrate(fmt, out):
    """Runs the migration; the report tells where each folder id landed."""
    run = subprocess.run([CLI, "--store", STORE, "migrate", "--format", fmt, out], capture_output=True)
    check("migrate --format %s: status" % fmt, 0, run.returncode)
    report_path = re.search(rb"Bericht: (.*)\n", run.stdout).group(1).decode()
    with open(report_path) as f:
        report = json.load(f)
    os.remove(report_path)
    check("migrate --format %s: complete" % fmt, True, report["complete"])
    return {f["id"]: f["output"] for f in report["folders"]}


def imap_name_of_maildir(output):
    """The folder as a default Dovecot lists it: ".A.B" is "A.B", the root INBOX."""
    return "INBOX" if output == "." else decode_mutf7(output[1:])


def mail_user():
    """Dovecot never reads mail as root: as root the test reads as nobody."""
    if os.getuid() != 0:
        return os.getuid(), os.getgid()
    import pwd
    nobody = pwd.getpwnam("nobody")
    return nobody.pw_uid, nobody.pw_gid


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class Dovecot:
    """A Dovecot of its own: configuration, passwd file and state in a
    temporary folder, plain login for one test user, its own port."""

    def __init__(self, work, mail_location):
        self.work, self.port = work, free_port()
        os.makedirs(os.path.join(work, "run"), exist_ok=True)
        with open(os.path.join(work, "passwd"), "w") as f:
            f.write("tester:{PLAIN}geheim:::::\n")
        self.conf = os.path.join(work, "dovecot.conf")
        uid, gid = mail_user()
        for sub in ("home", "index", "control"):
            os.makedirs(os.path.join(work, sub), exist_ok=True)
            os.chown(os.path.join(work, sub), uid, gid)
        with open(self.conf, "w") as f:
            f.write(f"""
protocols = imap
listen = 127.0.0.1
base_dir = {work}/run
state_dir = {work}/state
log_path = {work}/dovecot.log
ssl = no
disable_plaintext_auth = no
auth_mechanisms = plain
first_valid_uid = 0
mail_location = {mail_location}
mbox_read_locks = fcntl
mbox_write_locks = fcntl
passdb {{
  driver = passwd-file
  args = scheme=PLAIN username_format=%u {work}/passwd
}}
userdb {{
  driver = static
  args = uid={uid} gid={gid} home={work}/home
}}
service imap-login {{
  inet_listener imap {{
    address = 127.0.0.1
    port = {self.port}
  }}
  inet_listener imaps {{
    port = 0
  }}
}}
service anvil {{
  chroot =
}}
service imap-login {{
  chroot =
}}
""")
        self.process = subprocess.Popen(["dovecot", "-F", "-c", self.conf])
        deadline = time.time() + 20
        while time.time() < deadline:
            try:
                socket.create_connection(("127.0.0.1", self.port), timeout=1).close()
                return
            except OSError:
                time.sleep(0.1)
        raise RuntimeError("Dovecot did not start: " + open(os.path.join(work, "dovecot.log")).read())

    def stop(self):
        subprocess.run(["dovecot", "-c", self.conf, "stop"], capture_output=True)
        try:
            self.process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.process.kill()


def imap_folders(port):
    """IMAP folder name -> list of message bytes, every selectable folder."""
    for attempt in range(50):  # the authentication service may still be starting
        imap = imaplib.IMAP4("127.0.0.1", port)
        try:
            imap.login("tester", "geheim")
            break
        except imaplib.IMAP4.error:
            imap.logout()
            time.sleep(0.2)
    else:
        raise RuntimeError("no IMAP login")
    typ, listing = imap.list()
    result, flags = {}, {}
    for line in listing:
        m = re.match(rb'\((?P<flags>[^)]*)\) "(?P<sep>[^"]*)" (?P<name>.*)$', line)
        name = m.group("name").decode()
        if name.startswith('"'):
            name = name[1:-1].replace('\\"', '"').replace("\\\\", "\\")
        if b"\\Noselect" in m.group("flags") or b"\\NonExistent" in m.group("flags"):
            continue
        typ, data = imap.select('"%s"' % name, readonly=True)
        count = int(data[0])
        messages, seen = [], []
        if count:
            typ, fetched = imap.fetch("1:*", "(FLAGS BODY.PEEK[])")
            for part in fetched:
                if isinstance(part, tuple):
                    messages.append(part[1])
                    seen.append(b"\\Seen" in part[0])
        result[decode_mutf7(name)] = messages
        flags[decode_mutf7(name)] = seen
    imap.logout()
    return result, flags


def unquote_mboxrd(data):
    return re.sub(rb"(?m)^>(>*From )", rb"\1", data)


def read_mboxrd(path):
    """The messages of an mbox file by the mboxrd rules."""
    with open(path, "rb") as f:
        text = f.read()
    messages, current, eol = [], None, b"\n"
    for line in text.splitlines(keepends=True):
        if line.startswith(b"From "):
            if current is not None:
                messages.append(current)
            current, eol = b"", (b"\r\n" if line.endswith(b"\r\n") else b"\n")
            continue
        if current is not None:
            current += unquote_mboxrd(line)
    if current is not None:
        messages.append(current)
    return [m[:-len(eol)] if m.endswith(eol) else m for m in messages] if messages else []


def read_mboxrd_with_eols(path):
    with open(path, "rb") as f:
        text = f.read()
    parts = re.split(rb"(?m)^From [^\n]*\n", text)[1:]
    seps = re.findall(rb"(?m)^From [^\n]*\n", text)
    out = []
    for sep, part in zip(seps, parts):
        eol = b"\r\n" if sep.endswith(b"\r\n") else b"\n"
        part = unquote_mboxrd(part)
        out.append(part[:-len(eol)] if part.endswith(eol) else part)
    return out


def mutt_count(path, work):
    """Messages mutt finds in an mbox file, headless: mutt runs read-only on a
    pseudo terminal, opens the file and quits; its status line says
    "Msgs:N"."""
    rc = os.path.join(work, "muttrc")
    with open(rc, "w") as f:
        # $folder set to a folder that exists: else mutt asks whether to create ~/Mail.
        f.write("set mbox_type=mbox\nset quit=yes\nset wait_key=no\nset status_on_top=no\nset folder=%s\n" % work)
    command = "mutt -n -F %s -R -f '%s' -e \"push '<exit>'\"" % (rc, path)
    env = dict(os.environ, TERM="xterm", HOME=work, LC_ALL="C.UTF-8")
    screen = subprocess.run(["script", "-qec", command, "/dev/null"], env=env, capture_output=True, timeout=60,
                            stdin=subprocess.DEVNULL).stdout
    found = re.search(rb"Msgs:(\d+)", screen)
    return int(found.group(1)) if found else None


def main():
    written = tempfile.mkdtemp(prefix="vellumine-store-")
    try:
        subprocess.run([STOREWRITER, DESCRIPTION, written], check=True, capture_output=True)
        global STORE, FIRST_STORE
        FIRST_STORE = written
        for store in [written] + sys.argv[4:]:
            STORE = store
            print("store", store)
            check_store()
    finally:
        shutil.rmtree(written, ignore_errors=True)
    for failure in failures:
        print("FAIL", failure)
    return 1 if failures else 0


def check_store():
    store = store_messages()
    plain = plain_leaf_names()
    work = tempfile.mkdtemp(prefix="vellumine-imap-")
    os.chmod(work, 0o755)  # the mail user reads the output below it
    try:
        # Maildir++ under Dovecot.
        maildir = os.path.join(work, "maildir")
        places = migrate("maildir", maildir)
        server = Dovecot(os.path.join(work, "dovecot-maildir"),
                         "maildir:%s:INDEX=%s/dovecot-maildir/index:CONTROL=%s/dovecot-maildir/control" % (maildir, work, work))
        try:
            seen, flags = imap_folders(server.port)
        finally:
            server.stop()
        names = {i: imap_name_of_maildir(places[i]) for i in store}
        check("maildir: every folder over IMAP", sorted(set(names.values()) | {"INBOX"}), sorted(seen))
        for folder_id, (path, sources) in store.items():
            name = names[folder_id]
            check("maildir over IMAP: %s" % name, digests(crlf(s) for s in sources), digests(seen.get(name, [])))
            check("maildir over IMAP, read: %s" % name, [True] * len(sources), flags.get(name, []))
            if folder_id in plain:
                check("maildir folder named as in the store: %s" % name, plain[folder_id], name.split(".")[-1])
        check("maildir: the store's inbox is INBOX", True,
              any(names[i] == "INBOX" and p[-1] == "Posteingang" for i, (p, _) in store.items()) or STORE != FIRST_STORE)

        # mboxrd under Dovecot: "Name.sbd/" folders hold the children, the
        # store's inbox is "Inbox" as in Thunderbird's Local Folders.
        mbox = os.path.join(work, "mbox")
        places = migrate("mboxrd", mbox)
        inbox = os.path.join(mbox, "Inbox")
        if not os.path.exists(inbox):
            open(inbox, "wb").close()
        server = Dovecot(os.path.join(work, "dovecot-mbox"), "mbox:%s:INBOX=%s:INDEX=%s/dovecot-mbox/index:CONTROL=%s/dovecot-mbox/control" % (mbox, inbox, work, work))
        try:
            seen, flags = imap_folders(server.port)
        finally:
            server.stop()
        # Names on disk are modified UTF-7, as a default Dovecot keeps them.
        names = {i: "INBOX" if places[i] == "Inbox" else decode_mutf7(places[i]) for i in store}
        check("mbox: every folder over IMAP", sorted(set(names.values()) | {"INBOX"}), sorted(seen))
        for folder_id, (path, sources) in store.items():
            name = names[folder_id]  # "Lokale Ordner.sbd/Geschäftliches"
            # Dovecot reads mbox as mboxo: the quoting of From lines stays.
            fetched = [unquote_mboxrd(m) for m in seen.get(name, [])]
            check("mbox over IMAP: %s" % name, digests(crlf(mbox_held(s)) for s in sources), digests(fetched))
            if folder_id in plain:
                check("mbox folder named as in the store: %s" % name, plain[folder_id], name.split("/")[-1])
            file = os.path.join(mbox, places[folder_id])
            check("mbox read by the mboxrd rules: %s" % name, digests(mbox_held(s) for s in sources),
                  digests(read_mboxrd_with_eols(file)))
            check("mbox counted by Python's mailbox: %s" % name, len(sources), len(mailbox.mbox(file, create=False)))
            if shutil.which("mutt") and shutil.which("script") and sources:
                check("mbox counted by mutt: %s" % name, len(sources), mutt_count(file, work))
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
