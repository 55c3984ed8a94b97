#!/usr/bin/env bash
# vellumine-cli list/source/save on damaged copies of the demo folder file and
# on the real folder file: damage said aloud (status 1 and one sentence), no
# empty files, and what --salvage gets back.
set -u
cli=$1 demo=$2 real=$3
export TZ=UTC LC_ALL=C
. "$(dirname "$0")/check.sh"
work=$(mktemp -d); trap 'rm -rf "$work"' EXIT

fresh() {  # fresh NAME: a copy of the demo store
  rm -rf "$work/$1"; cp -r "$demo" "$work/$1"
}
zero() {  # zero FILE OFFSET COUNT
  dd if=/dev/zero of="$1" bs=1 seek="$2" count="$3" conv=notrunc status=none
}
digests() {  # digests FOLDER: the sorted SHA-256 of every file in it
  (cd "$1" && find . -type f -name '*.eml' -exec sha256sum {} + | cut -d' ' -f1 | sort | paste -sd' ')
}
file=Posteingang.dbx

fresh intact
"$cli" --store "$work/intact" save "$file" "$work/intact-eml" >/dev/null
total=$("$cli" --store "$work/intact" list "$file" | grep -c '"index"')
check "intact: list exits 0" 0 "$("$cli" --store "$work/intact" list "$file" >/dev/null 2>&1; echo $?)"

# The root offset at 0x30 zeroed: its copy at 0xE4 serves, and the report says so.
fresh root
zero "$work/root/$file" 48 4
"$cli" --store "$work/root" list "$file" --report >"$work/out" 2>"$work/err"
check "root zeroed: exit status" 1 "$?"
check "root zeroed: every message from the copy" "$total" "$(grep -c '"index"' "$work/out")"
check "root zeroed: the report names the copy" 1 "$(grep -c '"rootFromCopy":true' "$work/out")"
check "root zeroed: one German sentence" \
  "Diese Ordnerdatei ist beschädigt: $total von $total Nachrichten lesbar." "$(cat "$work/err")"

# The whole header zeroed: the index read gets nothing and says so; the scan
# gets every message back, byte for byte, with the records' texts.
fresh header
zero "$work/header/$file" 0 9404
"$cli" --store "$work/header" list "$file" >"$work/out" 2>"$work/err"
check "header zeroed: exit status" 1 "$?"
check "header zeroed: no message from the index" "[]" "$(cat "$work/out")"
check "header zeroed: said" "Diese Ordnerdatei ist beschädigt: ihr Index nennt keine lesbare Nachricht." \
  "$(cat "$work/err")"
"$cli" --store "$work/header" list "$file" --salvage --report >"$work/out" 2>"$work/err"
check "header zeroed, --salvage: exit status still 1" 1 "$?"
check "header zeroed, --salvage: every message" "$total" "$(grep -c '"origin":"orphaned"' "$work/out")"
check "header zeroed, --salvage: the record texts" 1 "$(grep -c '"subject":"Bilder vom Bodensee"' "$work/out")"
"$cli" --store "$work/header" save "$file" "$work/header-eml" --salvage >"$work/out" 2>"$work/err"
check "header zeroed, save --salvage: exit status" 1 "$?"
check "header zeroed, save --salvage: the same files" "$(digests "$work/intact-eml")" "$(digests "$work/header-eml")"
check "header zeroed, save --salvage: the table" 1 "$(grep -c "^Gerettet, verwaist: *$total$" "$work/err")"

# A message whose first block is overwritten: save fails it alone, writes no
# empty file, counts it and ends with status 1.
fresh block
first=$("$cli" --store "$work/block" list "$file" | sed -n 's/.*"sourceOffset":\([0-9]*\).*/\1/p' | head -1)
zero "$work/block/$file" "$first" 4
"$cli" --store "$work/block" save "$file" "$work/block-eml" >"$work/out" 2>"$work/err"
check "block overwritten: exit status" 1 "$?"
check "block overwritten: the others saved" "Es wurden $((total - 1)) Nachrichten gespeichert!" "$(cat "$work/out")"
check "block overwritten: no empty file" 0 "$(find "$work/block-eml" -type f -empty | wc -l)"
check "block overwritten: the error" 1 "$(grep -c "Position $first ist nicht vollständig lesbar" "$work/err")"
check "block overwritten: counted" 1 "$(grep -c "^1 von $total Nachrichten konnten nicht gespeichert werden.$" "$work/err")"
"$cli" --store "$work/block" source "$file" "$first" >"$work/out" 2>"$work/err"
check "block overwritten: source exits 1" "1 0" "$? $(wc -c <"$work/out")"

# Offsets are unsigned 32-bit: the whole range is taken, nothing beyond.
for offset in 2147487744 4294967295; do
  "$cli" --store "$work/intact" source "$file" "$offset" >"$work/out" 2>"$work/err"
  check "source $offset: taken as a position" "1 1" "$? $(grep -c 'nicht vollständig lesbar' "$work/err")"
done
for offset in 4294967296 -1; do
  "$cli" --store "$work/intact" source "$file" "$offset" >"$work/out" 2>/dev/null
  status=$?
  check "source $offset: refused" "yes 0" "$([ "$status" -ne 0 ] && echo yes || echo no) $(wc -c <"$work/out")"
done

if [ -f "$real" ]; then
  mkdir "$work/real" && cp "$real" "$work/real/test.dbx"
  "$cli" --store "$work/real" list test.dbx --salvage >"$work/out" 2>"$work/err"
  check "real file, --salvage: clean" 0 "$?"
  check "real file, --salvage: the older moved copy" 1 "$(grep -c '"origin":"movedCopy"' "$work/out")"
fi

[ "$failures" -eq 0 ]
