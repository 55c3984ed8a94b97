#!/usr/bin/env bash
# vellumine-cli index/search on the demo store: the index in the cache
# folder, results newest first, JSON, an unchanged store left alone, a
# changed folder file read again, and two searches at once.
set -u
cli=$1 demo=$2
export TZ=UTC LC_ALL=C.UTF-8
. "$(dirname "$0")/check.sh"
work=$(mktemp -d); trap 'rm -rf "$work"' EXIT
export XDG_CACHE_HOME=$work/cache
cp -r "$demo" "$work/store"
store=$work/store

first=$("$cli" --store "$store" index)
check "index: in the cache folder" 1 "$(ls "$work/cache/vellumine/"*.sqlite | wc -l)"
check "index: every folder file read" "Ordnerdateien gelesen: 7, unverändert: 0, entfernt: 0, nicht lesbar: 0" \
  "$(echo "$first" | sed -n 2p)"
check "index: nothing in the store" "" "$(find "$store" -newer "$store/folders.dbx" -type f)"
check "index again: nothing read" "Ordnerdateien gelesen: 0, unverändert: 7, entfernt: 0, nicht lesbar: 0" \
  "$("$cli" --store "$store" index | sed -n 2p)"

# The greetings after a uuencoded block count too (Rezept, Zwei Bilder).
check "search: folded umlauts, newest first" "Zwei Bilder, alte Schule|Grüße in vielen Schriften – Привет, こんにちは|Grüße aus Köln|Weihnachtsgrüße|Rezept wie versprochen|Urlaubsfotos vom Bodensee" \
  "$("$cli" --store "$store" search GRUESSE | cut -f4 | paste -sd'|')"
check "search: columns" "Lokale Ordner/Posteingang	12/24/03 13:05:06	Anna Müller	Weihnachtsgrüße	9404	Posteingang.dbx" \
  "$("$cli" --store "$store" search '"frohe weihnachten"' | cut -f1-6)"
json=$("$cli" --store "$store" search 'anhang:pdf' --json)
check "search --json: folder and snippet" '"Lokale Ordner/Archiv/Vereine"|1' \
  "$(echo "$json" | python3 -c 'import json,sys; h=json.load(sys.stdin); print(json.dumps(h[0]["folder"], ensure_ascii=False) + "|" + str(len(h)))')"
check "search: nothing found" "" "$("$cli" --store "$store" search 'gibtesnicht')"
"$cli" --store "$store" search 'datum:2003-13' >"$work/out" 2>"$work/err"
check "search: bad date exit status" 1 "$?"
check "search: bad date in German" "Ungültige Datumsangabe: 2003-13" "$(cat "$work/err")"

check "index: private folder and file" "700 600" \
  "$(stat -c %a "$work/cache/vellumine") $(stat -c %a "$work/cache/vellumine/"*.sqlite)"
all=$("$cli" --store "$store" search gruesse | wc -l | tr -d ' ')
check "search --count: every match" "$all" "$("$cli" --store "$store" search --count gruesse)"
check "search --limit --offset: a page" "$("$cli" --store "$store" search gruesse | sed -n 2,3p)" \
  "$("$cli" --store "$store" search gruesse --limit 2 --offset 1)"
either=$("$cli" --store "$store" search --count 'gruesse OR bodensee')
check "search OR: more than either side" 1 "$(( either > all ))"
indexed=$("$cli" --store "$store" index | sed -n 3p | sed 's/.*im Index: //')
check "search NOT: the rest" "$(( indexed - all ))" "$("$cli" --store "$store" search --count -- -gruesse)"
"$cli" --store "$store" search "$(head -c 5000 /dev/zero | tr '\0' a)" >"$work/out" 2>"$work/err"
check "search: a query too long" "1|Die Suchanfrage ist zu lang: höchstens 4096 Zeichen." "$?|$(cat "$work/err")"
for bad in -1 abc 1e3 ''; do
  "$cli" --store "$store" search gruesse --limit "$bad" >"$work/out" 2>"$work/err"
  check "search --limit '$bad': refused in German" "2||--limit erwartet eine Zahl ab 0, nicht '$bad'" \
    "$?|$(cat "$work/out")|$(cat "$work/err")"
done
"$cli" --store "$store" search gruesse --offset -3 >"$work/out" 2>"$work/err"
check "search --offset -3: refused in German" "2|--offset erwartet eine Zahl ab 0, nicht '-3'" "$?|$(cat "$work/err")"
check "search --limit beyond any count: all" "$all" \
  "$("$cli" --store "$store" search gruesse --limit 99999999999999999999 | wc -l | tr -d ' ')"
touch -d '+2 hour' "$store/Posteingang.dbx"
check "touched file: not indexed again" "Ordnerdateien gelesen: 0, unverändert: 7, entfernt: 0, nicht lesbar: 0" \
  "$("$cli" --store "$store" index | sed -n 2p)"

# A folder file replaced by another: read again, its old messages gone.
cp "$store/Vereine.dbx" "$work/vereine"
cp "$store/Urlaub.dbx" "$store/Vereine.dbx"
touch -d '+1 hour' "$store/Vereine.dbx"
check "changed file: read again" "Ordnerdateien gelesen: 1, unverändert: 6, entfernt: 0, nicht lesbar: 0" \
  "$("$cli" --store "$store" index | sed -n 2p)"
check "changed file: old message gone" "" "$("$cli" --store "$store" search 'anhang:pdf')"
check "changed file: new message there" 2 "$("$cli" --store "$store" search 'bodensee ordner:archiv' | wc -l | tr -d ' ')"

# Two searches while the index is built anew: both succeed.
rm -rf "$work/cache"
"$cli" --store "$store" search gruesse >"$work/a" 2>&1 & pid=$!
"$cli" --store "$store" search gruesse >"$work/b" 2>&1
wait $pid
check "concurrent searches: same results" "$(cat "$work/a")" "$(cat "$work/b")"
check "concurrent searches: seven found (Urlaub twice)" 7 "$(wc -l <"$work/b" | tr -d ' ')"
[ "$failures" -eq 0 ]
