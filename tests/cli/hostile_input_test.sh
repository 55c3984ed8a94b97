#!/usr/bin/env bash
# vellumine-cli given hostile names: store texts that hold terminal controls
# reach the terminal as "?" (JSON keeps them as they are), and --template
# takes only the design folder's templates.
set -u
cli=$1 writer=$2 demo=$3
export TZ=UTC LC_ALL=C.UTF-8
. "$(dirname "$0")/check.sh"
work=$(mktemp -d); trap 'rm -rf "$work"' EXIT
export XDG_CACHE_HOME=$work/cache
# The control characters of standard input other than line feeds and tabs.
controls() { LC_ALL=C tr -d '\n\t' | LC_ALL=C tr -dc '\000-\037\177' | wc -c | tr -d ' '; }

# A folder whose name sets the terminal's title, a subject with a line feed
# and a tab that would forge a result line, and a folder file name that
# colours the error line.
printf 'Subject: Zauberwort\r\n\r\nZauberwort im Text\r\n' >"$work/zauber.eml"
cat >"$work/store.json" <<'JSON'
{"folders": [
  {"id": 0, "name": "Lokale Ordner"},
  {"id": 1, "parent": 0, "name": "Post\u001b]0;gehackt\u0007", "file": "Post.dbx", "messages": [
    {"source": "zauber.eml", "date": "2004-01-15T20:10:00Z", "from": "Anna\u001b[2J",
     "to": "Bernd", "subject": "Zauberwort\nLokale Ordner/Falsch\t01.01.04\tX\tY\t1\tPost.dbx\tZ"}]},
  {"id": 2, "parent": 0, "name": "Fehlt", "file": "Fehlt\u001b[31m.dbx", "fileOnDisk": "nicht-da.dbx"}
]}
JSON
"$writer" "$work/store.json" "$work/store" || exit 1
store=$work/store

out=$("$cli" --store "$store" search zauberwort 2>"$work/search.err")
check "search: one line for one message" 1 "$(printf '%s\n' "$out" | wc -l | tr -d ' ')"
check "search: seven fields" 7 "$(printf '%s\n' "$out" | awk -F'\t' '{print NF}')"
check "search: no control characters" 0 "$(printf '%s' "$out" | controls)"
check "search: names shown with ?" "Lokale Ordner/Post?]0;gehackt?|Anna?[2J|Zauberwort?Lokale Ordner/Falsch?01.01.04?X?Y?1?Post.dbx?Z" \
  "$(printf '%s\n' "$out" | cut -f1,3,4 | tr '\t' '|')"
check "search: the unreadable folder file's error shown with ?" 1 "$(grep -c 'Fehlt?\[31m\.dbx' "$work/search.err")"
check "search: no control characters in the error lines" 0 "$(controls <"$work/search.err")"
json=$("$cli" --store "$store" search zauberwort --json 2>/dev/null)
check "search --json: texts as they are" '"Post\u001b]0;gehackt\u0007"|"Zauberwort\nLokale Ordner/Falsch\t01.01.04\tX\tY\t1\tPost.dbx\tZ"' \
  "$(printf '%s' "$json" | python3 -c 'import json,sys; h=json.load(sys.stdin)[0]; print(json.dumps(h["folder"].split("/")[1]) + "|" + json.dumps(h["subject"]))')"

"$cli" --store "$store" index >"$work/index.out" 2>"$work/index.err"
check "index: the error line shown with ?" 1 "$(grep -c 'Fehlt?\[31m\.dbx' "$work/index.err")"

"$cli" --store "$store" migrate --format eml "$work/aus" >"$work/migrate.out" 2>&1
check "migrate: the table names the folder with ?" 1 "$(grep -c '^Lokale Ordner/Post?\]0;gehackt? | ' "$work/migrate.out")"
check "migrate: no control characters in the table" 0 "$(controls <"$work/migrate.out")"
check "migrate: the report keeps the name" 1 \
  "$(python3 -c 'import json,sys; r=json.load(open(sys.argv[1])); print(sum(f["folder"] == "Lokale Ordner/Post\x1b]0;gehackt\x07" for f in r["folders"]))' "$work/migration-report.json")"

"$cli" --store "$store" source "$(printf 'Datei\033[2J.dbx')" 1 2>"$work/source.err"
check "error line: a file name from the command line shown with ?" 1 "$(grep -c 'Datei?\[2J\.dbx' "$work/source.err")"

# --template: only the names the design folder lists.
offset=$("$cli" --store "$demo" list Posteingang.dbx | python3 -c 'import json,sys; print(json.load(sys.stdin)[0]["sourceOffset"])')
for name in ../../../../etc/passwd /etc/passwd Unbekannt.htm brief.htm Brief.htm/ ./Brief.htm Brief ""; do
  rm -rf "$work/seite"
  "$cli" --store "$demo" page Posteingang.dbx "$offset" "$work/seite" --template "$name" >/dev/null 2>"$work/template.err"
  status=$?
  check "template '$name': refused with status 2" 2 "$status"
  check "template '$name': German error naming the templates" 1 \
    "$(grep -c "^Unbekannte Design-Vorlage '.*' (vorhanden: Brief.htm, Klar.htm, Modern.htm)$" "$work/template.err")"
  check "template '$name': nothing written" no "$([ -e "$work/seite" ] && echo yes || echo no)"
done
"$cli" --store "$demo" page Posteingang.dbx "$offset" "$work/seite" --template "$(printf 'x\033[2J.htm')" 2>"$work/template.err"
check "template: the error shows controls as ?" "Unbekannte Design-Vorlage 'x?[2J.htm' (vorhanden: Brief.htm, Klar.htm, Modern.htm)" \
  "$(cat "$work/template.err")"
"$cli" --store "$demo" export Posteingang.dbx "$work/export" --template ../../../../etc/passwd >/dev/null 2>&1
check "export: a refused template writes nothing" "2 no" "$? $([ -e "$work/export" ] && echo yes || echo no)"
"$cli" --store "$demo" export Posteingang.dbx "$work/export" --template Klar.htm --offsets "$offset" >/dev/null
check "export: a listed template is taken" 0 "$(grep -c 'root:' "$work/export/"*.htm)"
[ "$failures" -eq 0 ]
