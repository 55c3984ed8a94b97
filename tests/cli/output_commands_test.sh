#!/usr/bin/env bash
# vellumine-cli page/save/export on the demo store and the real folder file.
set -u
cli=$1 demo=$2 real=$3
export TZ=UTC LC_ALL=C
. "$(dirname "$0")/check.sh"
work=$(mktemp -d); trap 'rm -rf "$work"' EXIT
offset_of() {  # offset_of FILE SUBJECT
  "$cli" --store "$demo" list "$1" | grep -F "\"subject\":\"$2\"" | sed 's/.*"sourceOffset":\([0-9]*\).*/\1/'
}

if [ -f "$real" ]; then
  mkdir "$work/real" && cp "$real" "$work/real/test.dbx"
  check "save: real file" "Es wurde 1 Nachricht gespeichert!" "$("$cli" --store "$work/real" save test.dbx "$work/eml")"
  name="Please read you won't be sorry________ 04_14_02 00_27_57.eml"
  check "save: base name from subject and date" "$name" "$(ls "$work/eml")"
  check "save: bytes of the source" 34934eb0b6b7bac25f3f3cfce518ae63102863b5c60cb74755d04b174121c43d \
    "$(sha256sum "$work/eml/$name" | cut -d' ' -f1)"
  "$cli" --store "$work/real" save test.dbx "$work/eml" >/dev/null
  check "save: second run never overwrites" 2 "$(ls "$work/eml" | grep -c '_0\.eml$\|57\.eml$')"
fi

bilder=$(offset_of Posteingang.dbx "Bilder vom Bodensee")
markup=$(offset_of Posteingang.dbx "HTML-Frage: <b> oder <strong>?")
"$cli" --store "$demo" page Posteingang.dbx "$bilder" "$work/page"
check "page: images beside the page" "mail.htm segelboot@bodensee.example sonnenuntergang@bodensee.example" \
  "$(ls "$work/page" | paste -sd' ')"
check "page: references point at the files" 2 "$(grep -c 'src="s[a-z]*@bodensee.example"' "$work/page/mail.htm")"
check "page: the last template by name" 1 "$(grep -c 'class="band"' "$work/page/mail.htm")"
"$cli" --store "$demo" page Posteingang.dbx "$bilder" "$work/brief" --template Brief.htm --fields von,datum
check "page: chosen template" 1 "$(grep -c 'class="kopf"' "$work/brief/mail.htm")"
check "page: chosen header rows" "Von: Datum:" "$(grep -o '<b>[A-Za-z]*:</b>' "$work/brief/mail.htm" | sed 's/<[^>]*>//g' | paste -sd' ')"
"$cli" --store "$demo" page Posteingang.dbx "$markup" "$work/plain" --no-design
check "page: plain text stays text" 1 "$(grep -c '&lt;b&gt; oder mit &lt;strong&gt;' "$work/plain/mail.htm")"
check "page: no design, no header block" 0 "$(grep -c '<table>' "$work/plain/mail.htm")"

check "export: sentence" "Es wurden 7 Nachrichten exportiert!" \
  "$("$cli" --store "$demo" export Posteingang.dbx "$work/export" --format mixed --no-date)"
check "export: one page, six text files, two images" "1 6 2" \
  "$(ls -A "$work/export" | grep -c "\.htm$") $(ls -A "$work/export" | grep -c "\.txt$") $(ls -A "$work/export" | grep -c @)"
check "export: selected offsets only" "Es wurde 1 Nachricht exportiert!" \
  "$("$cli" --store "$demo" export Posteingang.dbx "$work/one" --offsets "$markup" --format text)"
check "save: selected offsets" "Es wurden 2 Nachrichten gespeichert!" \
  "$("$cli" --store "$demo" save Posteingang.dbx "$work/two" --offsets "$markup,$bilder")"
"$cli" --store "$demo" page Posteingang.dbx "$bilder" "$work/page" >/dev/null
check "page: a second page and its images never replace the first" \
  "mail.htm mail_0.htm segelboot@bodensee.example segelboot@bodensee_0.example sonnenuntergang@bodensee.example sonnenuntergang@bodensee_0.example" \
  "$(ls "$work/page" | LC_ALL=C sort | paste -sd' ')"
check "page: the second page points at its own images" 2 "$(grep -c 'src="s[a-z]*@bodensee_0.example"' "$work/page/mail_0.htm")"

# A folder and a FIFO under the names of the inline parts: they get other
# names, nothing hangs, every message is exported.
mkdir -p "$work/blocked/segelboot@bodensee.example"
mkfifo "$work/blocked/sonnenuntergang@bodensee.example"
out=$(timeout 20 "$cli" --store "$demo" export Posteingang.dbx "$work/blocked" --no-date 2>"$work/blocked.err"); status=$?
check "export: parts in the way get other names, the run completes" "Es wurden 7 Nachrichten exportiert!" "$out"
check "export: status 0 when every message was written" 0 "$status"
# A target that cannot hold files: each message fails alone with its error,
# the run goes on to the end and counts what was written.
touch "$work/datei"
out=$(timeout 20 "$cli" --store "$demo" export Posteingang.dbx "$work/datei" --no-date 2>"$work/datei.err"); status=$?
check "export: nothing written, the summary says so, status 1" "Es wurden 0 Nachrichten exportiert! 1" "$out $status"
check "export: each message reports its own error" 7 "$(grep -c 'nicht erstellt werden' "$work/datei.err")"

# Text files are UTF-8, converted from each body's charset; --raw keeps the bytes.
zeichen=$(printf 'Zeichens\xe4tze.dbx')
"$cli" --store "$demo" export "$zeichen" "$work/utf8" --format text --no-date >/dev/null
"$cli" --store "$demo" export "$zeichen" "$work/raw" --format text --no-date --raw >/dev/null
check "export: text files named from decoded subjects" "Gr__e aus K_ln.txt" "$(ls "$work/utf8" | grep K_ln)"
check "export: KOI8-R body as UTF-8" 1 "$(grep -c 'в Москве идёт снег' "$work/utf8/______ __ ______.txt")"
check "export: Windows-1252 body as UTF-8" 1 "$(grep -c '12,80 € – zahlbar' "$work/utf8/Ihre Rechnung _ 12,80 _.txt")"
koi8=$(printf 'в Москве' | iconv -f utf-8 -t koi8-r)
check "export: --raw keeps the KOI8-R bytes" 1 "$(LC_ALL=C grep -a -c "$koi8" "$work/raw/______ __ ______.txt")"

# The special cases: every text the pages show is in the text files too.
sonder=$(printf 'Sonderf\xe4lle.dbx')
check "export: the special cases as text" "Es wurden 12 Nachrichten exportiert!" \
  "$("$cli" --store "$demo" export "$sonder" "$work/sonder" --format text --no-date)"
all=$(cat "$work/sonder"/*.txt)
for text in "den Termin am Donnerstag" "Kennwort fuer die Alarmanlage" "nicht zugestellt werden" "Action: failed" \
    "ist die Ferienwohnung am Hafen" "Disposition: manual-action" "Subject: Protokoll der Sitzung" \
    "Rosen schneidet man" "Tomaten nur auf der Fensterbank" "zuerst die Einkaufsliste" "bis zur Mühle" \
    "Zum Schluss" "alle zwanzig Minuten" "einfacher Text" "Vorher: hier" "Zwischen den Bildern" \
    "Nachher: viele" "die Einladung zum Geburtstag" "bitte bis Sonntag zusagen" "Ich leite es dir weiter" \
    "Betreff: Sonnenblumen im Garten" "Die Sonnenblumen sind größer als ich!" "ist verschlüsselt"; do
  check "export: text holds \"$text\"" 1 "$(printf '%s' "$all" | grep -c -F "$text" | sed 's/^[1-9][0-9]*$/1/')"
done

# --attachments: each message's attachments in "<page> Anlagen" beside its
# page, linked from its list, byte for byte as parse decodes them.
rezept=$(offset_of Posteingang.dbx "Rezept wie versprochen")
check "export --attachments: sentence" "Es wurden 7 Nachrichten exportiert!" \
  "$("$cli" --store "$demo" export Posteingang.dbx "$work/anl" --attachments --no-date)"
check "export --attachments: one folder, for the one message with an attachment" "Rezept wie versprochen Anlagen" \
  "$(cd "$work/anl" && find . -mindepth 1 -type d | sed 's|^\./||')"
check "export --attachments: the file's bytes" \
  "$("$cli" --store "$demo" source Posteingang.dbx "$rezept" | "$cli" parse - | grep -o '"sha256": "[0-9a-f]*"' | sed -n 2p | cut -d'"' -f4)" \
  "$(sha256sum "$work/anl/Rezept wie versprochen Anlagen/apfelkuchen.txt" | cut -d' ' -f1)"
check "export --attachments: the page links to it" 1 \
  "$(grep -c 'href="Rezept%20wie%20versprochen%20Anlagen/apfelkuchen.txt"' "$work/anl/Rezept wie versprochen.htm")"
"$cli" --store "$demo" export Posteingang.dbx "$work/anl" --attachments --no-date --offsets "$rezept" >/dev/null
check "export --attachments: a second run gets its own page and folder" 1 \
  "$(grep -c 'href="Rezept%20wie%20versprochen_0%20Anlagen/apfelkuchen.txt"' "$work/anl/Rezept wie versprochen_0.htm")"
check "export --attachments: the first folder is left as it was" "apfelkuchen.txt" \
  "$(ls "$work/anl/Rezept wie versprochen Anlagen" | paste -sd' ')"
"$cli" --store "$demo" export Posteingang.dbx "$work/anltext" --attachments --no-date --format text --offsets "$rezept" >/dev/null
check "export --attachments: the text file ends naming the folder" 'Die Dateien liegen im Ordner "Rezept wie versprochen Anlagen".' \
  "$(tail -n 1 "$work/anltext/Rezept wie versprochen.txt" | tr -d '\r')"
check "export --attachments: the text export's folder" "apfelkuchen.txt" \
  "$(ls "$work/anltext/Rezept wie versprochen Anlagen")"
"$cli" --store "$demo" export Posteingang.dbx "$work/ohne" --no-date --offsets "$rezept" >/dev/null
check "export without --attachments: no folder, the list without links" "0 1" \
  "$(find "$work/ohne" -mindepth 1 -type d | wc -l) $(grep -c '>apfelkuchen.txt <' "$work/ohne/Rezept wie versprochen.htm" | head -1)"

check "page: unknown field is refused" 1 "$("$cli" --store "$demo" page Posteingang.dbx "$markup" "$work/x" --fields foo 2>/dev/null; echo $?)"

[ "$failures" -eq 0 ]
