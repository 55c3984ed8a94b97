#!/usr/bin/env bash
# vellumine-cli folders/list/source on the demo store and the real folder file.
set -u
cli=$1 demo=$2 real=$3
export TZ=UTC LC_ALL=C
. "$(dirname "$0")/check.sh"
work=$(mktemp -d); trap 'rm -rf "$work"' EXIT

folders=$("$cli" --store "$demo" folders)
check "folders: first record" '{' "$(echo "$folders" | sed -n 2p | tr -d ' ')"
check "folders: names in reader order" 'Lokale Ordner|Postausgang|Posteingang|Archiv|Urlaub|Vereine|Zeichensätze|Sonderfälle' \
  "$(echo "$folders" | grep '"name"' | sed 's/.*"name": "\(.*\)",/\1/' | paste -sd'|')"
check "folders: umlauts as UTF-8" '1' "$("$cli" --store "$demo" list Posteingang.dbx | grep -c '"subject":"Weihnachtsgrüße"')"

if [ -f "$real" ]; then
  cp "$real" "$work/test.dbx"
  expected='[
  {"index":0,"recordOffset":11044,"sourceOffset":60116,"date":"2002-04-14T00:27:57Z","dateText":"04/14/02 00:27:57","sender":"Wealth_Enterprises_2002","recipient":"tassilo.parseval@post.rwth-aachen.de","subject":"Please read you won'"'"'t be sorry........"}
]'
  check "list: real file" "$expected" "$("$cli" --store "$work" list test.dbx)"
  check "source: real file sha256" 34934eb0b6b7bac25f3f3cfce518ae63102863b5c60cb74755d04b174121c43d \
    "$("$cli" --store "$work" source test.dbx 60116 | sha256sum | cut -d' ' -f1)"
  check "source: real file size" 16993 "$("$cli" --store "$work" source test.dbx 60116 | wc -c)"
fi

"$cli" --store "$work/none" list Posteingang.dbx >"$work/out" 2>"$work/err"
check "missing file: exit status" 1 "$?"
check "missing file: German message" "Datei $work/none/Posteingang.dbx kann nicht geöffnet werden" "$(cat "$work/err")"
check "missing file: nothing on stdout" "" "$(cat "$work/out")"

mkdir -p "$work/cfg/vellumine"
printf 'REGEDIT4\n[HKEY_CURRENT_USER\\Software\\Microsoft\\Outlook Express]\n"Store Root"="%s"\n' "$demo" \
  >"$work/cfg/vellumine/user.reg"
check "registry names the store" 8 \
  "$(XDG_CONFIG_HOME=$work/cfg "$cli" folders | grep -c '"id"')"

check "list --report: the demo folder reads clean" 1 \
  "$("$cli" --store "$demo" list Posteingang.dbx --report | grep -c '"report": {"clean":true')"

# Tools that take only folders and numbers refuse options instead of
# writing into a folder named "--help".
bin=$(dirname "$cli")
for tool in vellumine-benchstore vellumine-mimebench vellumine-storewriter vellumine-fuzzseeds; do
  [ -x "$bin/$tool" ] || continue
  (cd "$work" && "$bin/$tool" --help >/dev/null 2>&1); status=$?
  check "$tool --help is refused" "2 no" "$status $( [ -e "$work/--help" ] && echo yes || echo no)"
done
if [ -x "$bin/vellumine-benchstore" ]; then
  check "benchstore: a malformed count is refused" 2 "$("$bin/vellumine-benchstore" "$work/bs" 12x >/dev/null 2>&1; echo $?)"
fi

[ "$failures" -eq 0 ]
