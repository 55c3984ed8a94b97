#!/usr/bin/env python3
"""Migrates a store to the `thunderbird` format and opens it in a real
Thunderbird: a fresh profile whose Local Folders directory is the migrated
tree, Thunderbird started under Xvfb with its remote protocol on 127.0.0.1
(Marionette: length-prefixed JSON over a socket, spoken by the small client
below), and every folder's name, message count, read state and each
message's bytes as Thunderbird's store returns them compared with the
store. Thunderbird is installed with apt-get when it is missing; the test is
skipped (status 77) only where it cannot be.

Usage: thunderbird_test.py VELLUMINE_CLI STOREWRITER DESCRIPTION.json [STORE_FOLDER...]"""

import base64
import json
import os
import re
import shutil
import socket
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import imap_test  # noqa: E402  (the store's messages, the checks)

CLI, STOREWRITER, DESCRIPTION = sys.argv[1:4]
SKIPPED = 77

# Folders Thunderbird makes in Local Folders by itself.
THUNDERBIRD_OWN = {("Trash",), ("Unsent Messages",), ("Papierkorb",), ("Postausgang",)}


def find_thunderbird():
    if shutil.which("thunderbird"):
        return shutil.which("thunderbird")
    if os.getuid() == 0 and shutil.which("apt-get"):
        print("installing thunderbird with apt-get ...", flush=True)
        env = dict(os.environ, DEBIAN_FRONTEND="noninteractive")
        subprocess.run(["apt-get", "install", "-y", "--no-install-recommends", "thunderbird"], env=env,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=900)
    return shutil.which("thunderbird")


class Marionette:
    """Thunderbird's remote protocol: each packet is "<length>:<JSON>"; a
    command is [0, id, name, parameters], its answer [1, id, error, result]."""

    def __init__(self, port, timeout=90):
        deadline = time.time() + timeout
        while True:
            try:
                self.sock = socket.create_connection(("127.0.0.1", port), timeout=timeout)
                break
            except OSError:
                if time.time() > deadline:
                    raise
                time.sleep(0.2)
        self.buffer, self.next_id = b"", 0
        self.read()  # the greeting

    def read(self):
        while b":" not in self.buffer:
            self.fill()
        length, self.buffer = self.buffer.split(b":", 1)
        while len(self.buffer) < int(length):
            self.fill()
        data, self.buffer = self.buffer[:int(length)], self.buffer[int(length):]
        return json.loads(data)

    def fill(self):
        chunk = self.sock.recv(1 << 16)
        if not chunk:
            raise ConnectionError("Marionette closed the connection")
        self.buffer += chunk

    def command(self, name, params=None):
        self.next_id += 1
        data = json.dumps([0, self.next_id, name, params or {}]).encode()
        self.sock.sendall(str(len(data)).encode() + b":" + data)
        while True:
            message = self.read()
            if message[0] == 1 and message[1] == self.next_id:
                if message[2]:
                    raise RuntimeError("%s: %s" % (name, message[2].get("message", message[2])))
                return message[3]


# Runs in Thunderbird's chrome: every Local Folders folder with its path of
# names, and each message's read state and bytes from the folder's store
# (the summary built afresh from the mbox file).
READ_LOCAL_FOLDERS = r"""
const resolve = arguments[arguments.length - 1];
const { MailServices } = ChromeUtils.importESModule("resource:///modules/MailServices.sys.mjs");
(async () => {
  const root = MailServices.accounts.localFoldersServer.rootFolder;
  const folders = [];
  for (const folder of root.descendants) {
    const names = [];
    for (let f = folder; f && f != root; f = f.parent) names.unshift(f.name);
    const local = folder.QueryInterface(Ci.nsIMsgLocalMailFolder);
    await new Promise(done => {
      const listener = { OnStartRunningUrl() {}, OnStopRunningUrl() { done(); },
                         QueryInterface: ChromeUtils.generateQI(["nsIUrlListener"]) };
      try { local.getDatabaseWithReparse(listener, null); done(); } catch (e) { /* parsing: the listener ends it */ }
    });
    const messages = [];
    for (const hdr of folder.messages) {
      const stream = folder.getMsgInputStream(hdr, {});
      const binary = Cc["@mozilla.org/binaryinputstream;1"].createInstance(Ci.nsIBinaryInputStream);
      binary.setInputStream(stream);
      const bytes = [];
      for (let n = binary.available(); n > 0 && bytes.length < hdr.messageSize; n = binary.available())
        bytes.push(...binary.readByteArray(Math.min(n, hdr.messageSize - bytes.length)));
      stream.close();
      let text = "";
      for (let i = 0; i < bytes.length; i += 8192) text += String.fromCharCode(...bytes.slice(i, i + 8192));
      messages.push({read: hdr.isRead, bytes: btoa(text)});
    }
    folders.push({path: names, count: folder.getTotalMessages(false), messages});
  }
  return folders;
})().then(resolve, e => resolve({error: String(e) + "\n" + e.stack}));
"""


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def write_profile(profile, tree, port):
    os.makedirs(profile)
    prefs = {
        "marionette.port": port,
        "mail.accountmanager.accounts": "account1",
        "mail.account.account1.server": "server1",
        "mail.accountmanager.localfoldersserver": "server1",
        "mail.server.server1.directory": tree,
        "mail.server.server1.hostname": "Local Folders",
        "mail.server.server1.name": "Lokale Ordner",
        "mail.server.server1.type": "none",
        "mail.server.server1.userName": "nobody",
        "mail.shell.checkDefaultClient": False,
        "mail.provider.suppress_dialog_on_startup": True,
        "mailnews.start_page.enabled": False,
        "datareporting.policy.dataSubmissionEnabled": False,
        "toolkit.telemetry.reportingpolicy.firstRun": False,
        "app.update.disabledForTesting": True,
        "mail.rights.version": 1,
    }
    with open(os.path.join(profile, "user.js"), "w") as f:
        for name, value in prefs.items():
            f.write("user_pref(%s, %s);\n" % (json.dumps(name), json.dumps(value)))


def read_in_thunderbird(thunderbird, tree, work):
    port = free_port()
    profile = os.path.join(work, "profile")
    write_profile(profile, tree, port)
    env = dict(os.environ, HOME=work, MOZ_CRASHREPORTER_DISABLE="1", XDG_CONFIG_HOME=os.path.join(work, "config"))
    log = open(os.path.join(work, "thunderbird.log"), "wb")
    process = subprocess.Popen(["xvfb-run", "-a", thunderbird, "--profile", profile, "--no-remote", "--marionette",
                                "-remote-allow-system-access"], env=env, stdout=log, stderr=subprocess.STDOUT,
                               start_new_session=True)
    try:
        client = Marionette(port)
        client.command("WebDriver:NewSession", {"capabilities": {}})
        client.command("Marionette:SetContext", {"value": "chrome"})
        client.command("WebDriver:SetTimeouts", {"script": 90000})
        result = client.command("WebDriver:ExecuteAsyncScript", {"script": READ_LOCAL_FOLDERS, "args": []})["value"]
        try:
            client.command("Marionette:Quit", {"flags": ["eForceQuit"]})
        except (RuntimeError, ConnectionError, OSError):
            pass
        process.wait(timeout=30)
    finally:
        if process.poll() is None:
            os.killpg(process.pid, 15)  # the session of xvfb-run and Thunderbird started above
            process.wait(timeout=30)
        log.close()
    if isinstance(result, dict):
        raise RuntimeError("Thunderbird: " + result.get("error", repr(result)))
    return result


def as_thunderbird_returns(source):
    """Its store gives back the status lines and the message; the blank line
    after a message is the separator's, except for a message that is all
    header (no blank line in it): there it ends the header and is given back."""
    eol = imap_test.line_end(source)
    message = b"X-Mozilla-Status: 0001" + eol + b"X-Mozilla-Status2: 00000000" + eol + imap_test.mbox_held(source, True)
    all_header = b"\n\n" not in message and b"\n\r\n" not in message
    return message + eol if all_header else message


def check_store(thunderbird):
    check = imap_test.check
    store = imap_test.store_messages()
    plain = imap_test.plain_leaf_names()
    work = tempfile.mkdtemp(prefix="vellumine-thunderbird-")
    try:
        tree = os.path.join(work, "Local Folders")
        run = subprocess.run([CLI, "--store", imap_test.STORE, "migrate", "--format", "thunderbird", tree],
                             capture_output=True)
        check("migrate --format thunderbird: status", 0, run.returncode)
        report_path = re.search(rb"Bericht: (.*)\n", run.stdout).group(1).decode()
        with open(report_path) as f:
            report = json.load(f)
        os.remove(report_path)
        places = {f["id"]: tuple(p[:-4] if p.endswith(".sbd") else p for p in f["output"].split("/"))
                  for f in report["folders"]}
        started = time.time()
        seen = {tuple(f["path"]): f for f in read_in_thunderbird(thunderbird, tree, work)}
        print("Thunderbird read the folders in %.1f s" % (time.time() - started))
        check("thunderbird: every folder", sorted(places.values()),
              sorted(p for p, f in seen.items() if not (p in THUNDERBIRD_OWN and f["count"] == 0)))
        for folder_id, (path, sources) in store.items():
            place = places[folder_id]
            folder = seen.get(place, {"count": None, "messages": []})
            label = "/".join(place)
            check("thunderbird: messages in %s" % label, len(sources), folder["count"])
            check("thunderbird: read in %s" % label, [True] * len(sources), [m["read"] for m in folder["messages"]])
            check("thunderbird: bytes in %s" % label, [as_thunderbird_returns(s) for s in sources],
                  [base64.b64decode(m["bytes"]) for m in folder["messages"]])
            if folder_id in plain:
                check("thunderbird: folder named as in the store: %s" % label, plain[folder_id], place[-1])
            if path[-1] == "Posteingang" and len(path) == 2:
                check("thunderbird: the store's inbox", ("Inbox",), place)
    finally:
        shutil.rmtree(work, ignore_errors=True)


def main():
    thunderbird = find_thunderbird()
    if not thunderbird or not shutil.which("xvfb-run"):
        print("SKIP: Thunderbird (Debian package thunderbird) or xvfb-run is not installed and cannot be installed here")
        return SKIPPED
    written = tempfile.mkdtemp(prefix="vellumine-store-")
    try:
        subprocess.run([STOREWRITER, DESCRIPTION, written], check=True, capture_output=True)
        for store in [written] + sys.argv[4:]:
            imap_test.STORE = store
            print("store", store)
            check_store(thunderbird)
    finally:
        shutil.rmtree(written, ignore_errors=True)
    for failure in imap_test.failures:
        print("FAIL", failure)
    return 1 if imap_test.failures else 0


if __name__ == "__main__":
    sys.exit(main())
