#!/usr/bin/env bash
# Installs the build into a temporary prefix and uses it as a user would:
# the installed programs run from another folder (and after the prefix was
# moved), find their installed templates, and the viewer shows the demo
# store; the desktop entry, the AppStream data, the file type, the man pages
# and the completions are checked with the tools of the platform.
# Usage: install_test.sh BUILD_DIR DEMO_STORE VERSION [SCREENSHOT]
set -u
build=$(realpath "$1") demo=$(realpath "$2") version=$3 screenshot=${4:+$(realpath -m "$4")}
. "$(dirname "$0")/../cli/check.sh"
bash "$(dirname "$0")/../../scripts/apt-ensure.sh" desktop-file-utils appstream shared-mime-info libglib2.0-bin \
  man-db bash-completion xvfb xauth imagemagick >/dev/null
id=example.tarnwick.Vellumine
work=$(mktemp -d); trap 'rm -rf "$work"' EXIT
cmake --install "$build" --prefix "$work/prefix" >/dev/null || { echo "FAIL cmake --install"; exit 1; }
mv "$work/prefix" "$work/moved"  # nothing may depend on the path it was installed to
prefix=$work/moved share=$work/moved/share
mkdir "$work/elsewhere" && cd "$work/elsewhere"

# The layout.
for file in bin/vellumine bin/vellumine-cli share/applications/$id.desktop share/metainfo/$id.metainfo.xml \
    share/mime/packages/$id.xml share/icons/hicolor/scalable/apps/$id.svg share/man/man1/vellumine.1.gz \
    share/man/man1/vellumine-cli.1.gz share/bash-completion/completions/vellumine \
    share/bash-completion/completions/vellumine-cli share/doc/vellumine/copyright; do
  check "installed: $file" yes "$([ -s "$prefix/$file" ] && echo yes || echo no)"
done
for size in 48 128 256; do
  check "icon picture ${size}px" "$size x $size" \
    "$(file -b "$share/icons/hicolor/${size}x${size}/apps/$id.png" | grep -o "$size x $size")"
done
check "templates in the data folder" "Brief.htm Klar.htm Modern.htm" "$(ls "$share/vellumine/vorlagen" | paste -sd' ')"
check "nothing but the programs in bin" "vellumine vellumine-cli" "$(ls "$prefix/bin" | paste -sd' ')"

# Both programs tell the version of the build, the viewer without a display.
check "vellumine-cli --version" "vellumine-cli $version" "$("$prefix/bin/vellumine-cli" --version)"
check "vellumine --version" "vellumine $version" "$(env -u DISPLAY -u WAYLAND_DISPLAY "$prefix/bin/vellumine" --version)"
check "vellumine --help" 0 "$(env -u DISPLAY "$prefix/bin/vellumine" --help >/dev/null; echo $?)"
check "the newest AppStream release is this version" "$version" \
  "$(grep -o '<release version="[^"]*"' "$share/metainfo/$id.metainfo.xml" | head -1 | cut -d'"' -f2)"

# A page composed with the installed templates.
cli=$prefix/bin/vellumine-cli
offset=$("$cli" --store "$demo" list Posteingang.dbx | grep -o '"sourceOffset":[0-9]*' | head -1 | cut -d: -f2)
"$cli" --store "$demo" page Posteingang.dbx "$offset" page --template Brief.htm
check "page with an installed template" 1 "$(grep -c 'class="kopf"' page/mail.htm)"
"$cli" --store "$demo" page Posteingang.dbx "$offset" default
check "page with the last template by name" 1 "$(grep -c 'class="band"' default/mail.htm)"

# The platform's validators.
check "desktop-file-validate" "" "$(desktop-file-validate "$share/applications/$id.desktop" 2>&1)"
check "appstreamcli validate" 0 "$(appstreamcli validate --no-net "$share/metainfo/$id.metainfo.xml" >appstream.log 2>&1; echo $?)"
[ "$failures" -eq 0 ] || cat appstream.log
check "desktop entry names the file type" "MimeType=application/x-outlook-express-dbx;" \
  "$(grep '^MimeType=' "$share/applications/$id.desktop")"

# The file type, made known by the install: by name, by signature alone, and
# offered to Vellumine, as a file manager asks (with the programs on PATH, as
# the desktop entry's TryExec wants).
cp "$demo/folders.dbx" ablage
printf 'nur Text\n' > fremd.dbx.txt
content_type() { XDG_DATA_HOME=$share XDG_DATA_DIRS=$share:/usr/share gio info -a standard::content-type "$1" 2>/dev/null |
  sed -n 's/.*standard::content-type: //p'; }
check "folders.dbx is a folder file" application/x-outlook-express-dbx "$(content_type "$demo/folders.dbx")"
check "a folder file without its name, by signature" application/x-outlook-express-dbx "$(content_type ablage)"
check "another file stays what it is" text/plain "$(content_type fremd.dbx.txt)"
check "the file type opens with Vellumine" "Default application for “application/x-outlook-express-dbx”: $id.desktop" \
  "$(PATH=$prefix/bin:$PATH XDG_DATA_HOME=$share XDG_DATA_DIRS=$share:/usr/share \
     gio mime application/x-outlook-express-dbx 2>/dev/null | head -1)"

# Man pages render without complaint and name every command.
for page in vellumine vellumine-cli; do
  check "man $page renders cleanly" "" \
    "$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$share/man/man1/$page.1.gz" 2>&1 >/dev/null)"
done
commands=$("$cli" --help | sed -n '/^Subcommands:/,$p' | awk 'NR > 1 && NF {print $1}')
manual=$(LC_ALL=C.UTF-8 MANWIDTH=200 man -l "$share/man/man1/vellumine-cli.1.gz" 2>/dev/null)
for command in $commands; do
  check "man vellumine-cli: $command" 1 "$(grep -c "^   $command\$" <<<"$manual")"
done
for completion in vellumine vellumine-cli; do
  check "completion $completion is bash" 0 "$(bash -n "$share/bash-completion/completions/$completion"; echo $?)"
done
mkdir Ablage && touch Ablage/folders.dbx Ablage/ARCHIV.DBX Ablage/notiz.txt
check "the viewer completes store files and folders" "Ablage/ARCHIV.DBX Ablage/folders.dbx" "$(bash -c '
  . /usr/share/bash-completion/bash_completion; . "$1"
  COMP_WORDS=(vellumine Ablage/) COMP_CWORD=1 COMP_LINE="vellumine Ablage/" COMP_POINT=17
  _vellumine vellumine; printf "%s\n" "${COMPREPLY[@]}" | sort | paste -sd" "' bash \
  "$share/bash-completion/completions/vellumine")"

# The viewer from the installed location, on a folder file of the demo store
# as a file manager hands it over: it shows that folder. Its settings go to
# the user's folder.
mkdir -m 700 "$work/run" "$work/tmp"
touch "$work/viewer-started"
export XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/run TMPDIR=$work/tmp XDG_CACHE_HOME=$work/cache
export QTWEBENGINE_CHROMIUM_FLAGS=--disable-gpu LANG=de_DE.UTF-8 LC_ALL=de_DE.UTF-8
[ "$(id -u)" -ne 0 ] || export QTWEBENGINE_DISABLE_SANDBOX=1
xvfb-run -a -s "-screen 0 1024x700x24" bash -c '
  "$1" "$2/Urlaub.dbx" & pid=$!
  for i in $(seq 1 120); do
    page=$(find "$3" -name mail.htm -newer "$3/viewer-started" 2>/dev/null | head -1)
    [ -n "$page" ] && break
    sleep 0.5
  done
  sleep 1  # the page is written by then
  [ -n "$page" ] && cp "$page" "$3/shown.htm"
  sleep 2
  if [ -n "$4" ] && command -v import >/dev/null; then import -window root "$4"; fi
  kill $pid; wait $pid 2>/dev/null
  true' viewer "$prefix/bin/vellumine" "$demo" "$work" "$screenshot"
check "the viewer shows the folder of the file it was given" 1 \
  "$(grep -c 'Urlaubsfotos vom Bodensee von ' "$work/shown.htm" 2>/dev/null)"
check "settings of an installed viewer in the user's folder" yes "$([ -d "$work/config/vellumine" ] && echo yes || echo no)"
check "no settings in bin" "" "$(ls "$prefix/bin" | grep -v '^vellumine\(-cli\)\?$\|^Message$')"

[ "$failures" -eq 0 ] && echo "all passed" || { echo "$failures failed"; exit 1; }
