#!/usr/bin/env bash
# vellumine-cli attachments: one message's files, and all of a store's into
# a tree like its folders, each content once, listed in attachments.json;
# the bytes checked against the contents the messages were made from and
# against Python's email package.
set -u
cli=$1 writer=$2
export TZ=UTC LC_ALL=C.UTF-8
. "$(dirname "$0")/check.sh"
work=$(mktemp -d); trap 'rm -rf "$work"' EXIT
python3 "$(dirname "$0")/attachment_store.py" "$work/src" || exit 1
"$writer" "$work/src/store.json" "$work/store" || exit 1
store=$work/store
offset_of() {  # offset_of FILE SUBJECT
  "$cli" --store "$store" list "$1" | python3 -c 'import json,sys
print(next(m["sourceOffset"] for m in json.load(sys.stdin) if m["subject"] == sys.argv[1]))' "$2"
}
names() { (cd "$1" && ls -A | LC_ALL=C sort | paste -sd'|'); }
kaputt=$(offset_of Posteingang.dbx Kaputt)
namen=$(offset_of Posteingang.dbx Namen)
# The damaged message: its first block's header overwritten.
dd if=/dev/zero of="$store/Posteingang.dbx" bs=1 seek="$kaputt" count=4 conv=notrunc status=none

# --- the whole store ---
out=$("$cli" --store "$store" attachments --all "$work/alle" 2>"$work/alle.err"); status=$?
check "all: status 1 for the damaged message" 1 "$status"
check "all: the damaged message named on stderr" 1 "$(grep -c "Posteingang, Nachricht an Position $kaputt: " "$work/alle.err")"
check "all: the count of failed messages" 1 "$(grep -c '^1 von 7 Nachrichten konnten nicht gelesen' "$work/alle.err")"
check "all: no progress line off a terminal" 0 "$(grep -c gesamt "$work/alle.err")"
if command -v script >/dev/null; then
  terminal=$(script -qc "'$cli' --store '$store' attachments --all '$work/terminal'" /dev/null)
  check "all: on a terminal a progress line up to the total" 1 "$(printf '%s' "$terminal" | grep -c 'Rechnungen/2003: 1/1  gesamt 7/7')"
  check "all: the failed message counts as done" 1 "$(printf '%s' "$terminal" | grep -c 'Posteingang: 3/3  gesamt 3/7')"
fi
check "all: the summary" "Es wurden 15 Anlagen aus 6 Nachrichten gespeichert!|1 Anlage mit schon gespeichertem Inhalt nur im Verzeichnis vermerkt.|Verzeichnis: $work/alle/attachments.json" \
  "$(printf '%s' "$out" | paste -sd'|')"
check "all: folders as in the store, only where files went" "Lokale Ordner|attachments.json" "$(names "$work/alle")"
check "all: sub-folder with its '/' replaced" "Posteingang|Archiv/Rechnungen_2003|Archiv" \
  "$(cd "$work/alle/Lokale Ordner" && find . -mindepth 1 -type d | sed 's|^\./||' | LC_ALL=C sort -r | paste -sd'|')"
long=$(python3 -c 'print("2003-12-24 1405 " + "\u00e4" * 117 + ".txt")')
check "all: inbox names, date first, the same name twice numbered, 300 characters cut" \
  "2003-12-24 1405 Rechnung März.pdf|2003-12-24 1405 foto.png|2003-12-24 1405 notiz.txt|2003-12-24 1405 notiz_0.txt|$long|2003-12-26 0930 alt.zip" \
  "$(names "$work/alle/Lokale Ordner/Posteingang")"
check "all: the longest name fits the file system" 254 "$(printf '%s' "$long" | wc -c)"
check "all: hostile names made safe; store date, Date header, no date" \
  "2003-12-24 1305 klein.bin|2004-01-02 0800 Anlage|2004-01-02 0800 Grüße aus Köln.txt|2004-01-02 0800 _._.._etc_passwd|2004-01-02 0800 böse__[31m.txt|2004-01-02 0800 ordner_unter_datei.txt|2004-01-02 0800 rechnung_fdp.exe|Rechnungen_2003|ohne.bin" \
  "$(names "$work/alle/Lokale Ordner/Archiv")"
check "all: the attachment of the attached message" "2004-01-03 1200 innen.png" \
  "$(names "$work/alle/Lokale Ordner/Archiv/Rechnungen_2003")"
check "all: nothing of the damaged message" 0 "$(find "$work/alle" -name '*kaputt*' | wc -l)"

# The listing against the files, the contents made, and Python's email package.
python3 - "$work/alle" "$work/src" "$store" "$cli" <<'PY' >"$work/listing.out"
import email, email.policy, hashlib, json, os, subprocess, sys
out, src, store, cli = sys.argv[1:5]
listing = json.load(open(os.path.join(out, "attachments.json")))
contents = json.load(open(os.path.join(src, "contents.json")))
messages = listing["messages"]
print("messages", len(messages), "failed", sum("error" in m for m in messages),
      "counts", listing["filesWritten"], listing["duplicatesRecorded"], listing["messagesFailed"], listing["complete"])
digest = lambda path: hashlib.sha256(open(os.path.join(out, path), "rb").read()).hexdigest()
bad = [a["path"] for m in messages for a in m["attachments"] if digest(a["path"]) != a["sha256"]]
print("files equal their sha256", "yes" if not bad else bad)
print("duplicates", [(m["subject"], a["name"], a["path"]) for m in messages for a in m["attachments"] if a["duplicate"]])
wrong = [m["subject"] for m in messages if "error" not in m and
         sorted(a["sha256"] for a in m["attachments"]) != sorted(contents.get(m["subject"], {}).values())]
print("contents as made", "yes" if not wrong else wrong)
# Each MIME message's attachments among the decoded leaves Python's email
# package finds in the stored source (attached messages walked into).
def leaves(part):
    if part.is_multipart():
        for child in part.get_payload():
            yield from leaves(child)
    else:
        yield hashlib.sha256(part.get_payload(decode=True) or b"").hexdigest()
unmatched = []
for m in messages:
    if "error" in m or m["subject"] == "Uuencode":
        continue
    source = subprocess.run([cli, "--store", store, "source", m["file"], str(m["sourceOffset"])],
                            capture_output=True, check=True).stdout
    found = set(leaves(email.message_from_bytes(source, policy=email.policy.compat32)))
    unmatched += [a["name"] for a in m["attachments"] if a["sha256"] not in found]
print("as Python decodes them", "yes" if not unmatched else unmatched)
PY
check "all: the listing names every message, the damaged one with its error" "messages 7 failed 1 counts 15 1 1 False" \
  "$(sed -n 1p "$work/listing.out")"
check "all: each file holds the bytes the listing names" "files equal their sha256 yes" "$(sed -n 2p "$work/listing.out")"
check "all: the same PDF again only recorded, pointing at the first" \
  "duplicates [('Gefährlich', 'kopie.pdf', 'Lokale Ordner/Posteingang/2003-12-24 1405 Rechnung März.pdf')]" \
  "$(sed -n 3p "$work/listing.out")"
check "all: every attachment's bytes as the message was made" "contents as made yes" "$(sed -n 4p "$work/listing.out")"
check "all: the bytes as Python's email package decodes them" "as Python decodes them yes" "$(sed -n 5p "$work/listing.out")"

# --- filters and one folder ---
listed() {  # listed FOLDER: the names of the files written below it, sorted
  (cd "$1" && find . -type f ! -name 'attachments*.json' -printf '%f\n' | LC_ALL=C sort | paste -sd'|')
}
for type in 'image/*' 'IMAGE/PNG' 'Image/*'; do
  rm -rf "$work/bilder"
  "$cli" --store "$store" attachments --all "$work/bilder" --type "$type" >/dev/null 2>&1
  check "--type $type: the images alone, the attached message's too" \
    "2003-12-24 1405 foto.png|2004-01-03 1200 innen.png" "$(listed "$work/bilder")"
done
"$cli" --store "$store" attachments --all "$work/pdf" --type application/pdf >/dev/null 2>&1
check "--type application/pdf: the PDF once, its copy recorded" "2003-12-24 1405 Rechnung März.pdf|1" \
  "$(listed "$work/pdf")|$(grep -o '"duplicatesRecorded": [0-9]*' "$work/pdf/attachments.json" | grep -o '[0-9]*$')"
"$cli" --store "$store" attachments --all "$work/gross" --min-size 1000 >/dev/null 2>&1
check "--min-size 1000: the decoded sizes count" "2003-12-24 1405 Rechnung März.pdf|2003-12-24 1405 foto.png" \
  "$(listed "$work/gross")"
"$cli" --store "$store" attachments --all "$work/klein" --min-size 10 --type application/octet-stream >/dev/null 2>&1
check "--min-size 10: exactly 10 bytes is enough" 1 "$(listed "$work/klein" | tr '|' '\n' | grep -c 'klein.bin$')"
"$cli" --store "$store" attachments --all "$work/archiv" --folder Archiv >/dev/null 2>&1
check "--folder NAME: that folder alone" "Lokale Ordner/Archiv|9" \
  "$(cd "$work/archiv" && find . -mindepth 2 -type d | sed 's|^\./||' | paste -sd'|')|$(listed "$work/archiv" | tr '|' '\n' | wc -l)"
"$cli" --store "$store" attachments --all "$work/rechnungen" --folder "Lokale Ordner/Archiv/Rechnungen/2003" >/dev/null 2>&1
check "--folder PATH: the path as the folder tree shows it" "2004-01-03 1200 innen.png" "$(listed "$work/rechnungen")"
check "--folder: the listing names that folder's messages only" 1 \
  "$(grep -c '"folder": ' "$work/rechnungen/attachments.json")"

# --- what is refused: status 2, German text, nothing made ---
while IFS='|' read -r label arguments expected; do
  read -ra words <<<"$arguments"
  "$cli" --store "$store" attachments "${words[@]}" >/dev/null 2>"$work/refused.err"; status=$?
  check "refused, $label: status 2" 2 "$status"
  check "refused, $label: said" 1 "$(grep -c -- "$expected" "$work/refused.err")"
  check "refused, $label: nothing made" no "$([ -e "$work/nein" ] && echo yes || echo no)"
done <<EOT
type without slash|--all $work/nein --type image|Unbekannter Typ 'image'
type */*|--all $work/nein --type */*|Unbekannter Typ
type with a blank|--all $work/nein --type image/p;ng|Unbekannter Typ
min-size with unit|--all $work/nein --min-size 12k|--min-size erwartet eine Zahl
min-size negative|--all $work/nein --min-size -1|--min-size erwartet eine Zahl
unknown folder|--all $work/nein --folder Nirgends|keinen Ordner 'Nirgends'
folder without file|--all $work/nein --folder Leer|keine Ordnerdatei
--all with FILE|Posteingang.dbx --all $work/nein|nimmt weder FILE noch OFFSET
--type without --all|Posteingang.dbx $namen $work/nein --type image/*|gelten nur mit --all
nothing|Posteingang.dbx|braucht FILE OFFSET OUTDIR oder --all OUTDIR
EOT

# --- a second run into the same folder: nothing replaced ---
before=$(cd "$work/alle" && find . -type f -exec sha256sum {} + | LC_ALL=C sort)
"$cli" --store "$store" attachments --all "$work/alle" >/dev/null 2>&1
after=$(cd "$work/alle" && find . -type f -exec sha256sum {} + | LC_ALL=C sort)
check "again: the first run's files as they were" "" "$(LC_ALL=C comm -23 <(printf '%s\n' "$before") <(printf '%s\n' "$after"))"
check "again: a listing of its own" "attachments.json|attachments_0.json" \
  "$(cd "$work/alle" && ls attachments*.json | paste -sd'|')"
check "again: numbered names" "2003-12-24 1405 foto.png|2003-12-24 1405 foto_0.png" \
  "$(ls "$work/alle/Lokale Ordner/Posteingang" | grep foto | LC_ALL=C sort | paste -sd'|')"

# --- one message ---
out=$("$cli" --store "$store" attachments Posteingang.dbx "$namen" "$work/eine" 2>&1); status=$?
check "one: status 0" 0 "$status"
check "one: the paths written, in the list's order" \
  "$work/eine/Rechnung März.pdf|$work/eine/foto.png|$work/eine/notiz.txt|$work/eine/notiz_0.txt|$work/eine/$(python3 -c 'print("\u00e4" * 125 + ".txt")')" \
  "$(printf '%s' "$out" | paste -sd'|')"
check "one: the PDF's bytes" "$(python3 -c 'import hashlib; print(hashlib.sha256(b"%PDF-1.4 Rechnung " * 60).hexdigest())')" \
  "$(sha256sum "$work/eine/Rechnung März.pdf" | cut -d' ' -f1)"
"$cli" --store "$store" attachments Posteingang.dbx "$kaputt" "$work/keine" >/dev/null 2>"$work/keine.err"; status=$?
check "one: an unreadable message is an error" 1 "$status"
check "one: said in German" 1 "$(grep -c 'nicht vollständig lesbar\|nicht gelesen\|beschädigt' "$work/keine.err")"
check "one: no folder, no file" no "$([ -e "$work/keine" ] && echo yes || echo no)"
"$cli" --store "$store" attachments Posteingang.dbx 1 "$work/keine" >/dev/null 2>"$work/keine.err"
check "one: no message at that offset" "Keine Nachricht beginnt an Position 1" "$(cat "$work/keine.err")"

exit $((failures > 0))
