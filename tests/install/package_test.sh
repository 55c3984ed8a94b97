#!/usr/bin/env bash
# Makes the Debian package as the README says (cpack -G DEB in the build
# folder) and checks it with Debian's own tools: dependencies found by
# dpkg-shlibdeps, the layout of an installed program, lintian without errors.
# Usage: package_test.sh BUILD_DIR CPACK VERSION
set -u
build=$(realpath "$1") cpack=$2 version=$3
. "$(dirname "$0")/../cli/check.sh"
bash "$(dirname "$0")/../../scripts/apt-ensure.sh" dpkg-dev fakeroot file lintian >/dev/null
work=$(mktemp -d); trap 'rm -rf "$work"' EXIT
(cd "$build" && "$cpack" -G DEB -B "$work/out" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; echo "FAIL cpack"; exit 1; }
deb=$work/out/vellumine_${version}_$(dpkg --print-architecture).deb
check "package made" yes "$([ -f "$deb" ] && echo yes || echo no)"

depends=$(dpkg-deb -f "$deb" Depends)
for library in libc6 libstdc++6 libqt6webenginewidgets6 libqt6widgets6 libsqlite3-0 zlib1g; do
  check "depends on $library" 1 "$(tr ',' '\n' <<<"$depends" | grep -c "^ *$library ")"
done
check "version" "$version" "$(dpkg-deb -f "$deb" Version)"
dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./||' > "$work/contents"
for path in usr/bin/vellumine usr/bin/vellumine-cli usr/share/vellumine/vorlagen/Brief.htm \
    usr/share/man/man1/vellumine-cli.1.gz usr/share/doc/vellumine/copyright usr/share/doc/vellumine/changelog.gz; do
  check "holds $path" 1 "$(grep -cx "$path" "$work/contents")"
done
check "nothing outside /usr" 0 "$(grep -v '^usr/\|^$' "$work/contents" | wc -l)"

lintian --fail-on error "$deb" >"$work/lintian.log" 2>&1
status=$?
check "lintian finds no error" 0 "$status"
[ "$status" -eq 0 ] || cat "$work/lintian.log"
check "lintian errors" "" "$(grep '^E:' "$work/lintian.log")"

[ "$failures" -eq 0 ] && echo "all passed" || { echo "$failures failed"; exit 1; }
