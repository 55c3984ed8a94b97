#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when missing.
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config
  libgtest-dev libcli11-dev nlohmann-json3-dev
  libsqlite3-dev zlib1g-dev libstemmer-dev
  locales python3 dovecot-imapd mutt
  qt6-base-dev qt6-webengine-dev qt6-svg-dev libgl-dev qt6-translations-l10n
  xvfb xauth fonts-dejavu-core fonts-liberation fonts-droid-fallback imagemagick poppler-utils tesseract-ocr
  # installing: icon pictures, man pages, the package and the platform's checks of them
  librsvg2-bin scdoc gzip dpkg-dev fakeroot file lintian desktop-file-utils appstream shared-mime-info
  libglib2.0-bin man-db bash-completion
)

bash "$(dirname "$0")/apt-ensure.sh" "${packages[@]}"

# The German locale gives the date texts the program shows its users.
as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  as_root localedef -i de_DE -f UTF-8 de_DE.UTF-8 || echo "note: de_DE.UTF-8 could not be generated"
fi
