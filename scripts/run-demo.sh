#!/usr/bin/env bash
# Installs what is missing, builds, and starts the viewer on the bundled
# demo store. Without a display it runs under Xvfb and saves a screenshot.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default
export LANG=de_DE.UTF-8 LC_ALL=de_DE.UTF-8
if [ "$(id -u)" -eq 0 ]; then export QTWEBENGINE_DISABLE_SANDBOX=1; fi
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec build/bin/vellumine build/demo-store
fi
echo "Kein Bildschirm gefunden: Vellumine läuft unter Xvfb, das Bildschirmfoto landet in build/demo.png."
export QTWEBENGINE_CHROMIUM_FLAGS=--disable-gpu
xvfb-run -a -s "-screen 0 1024x700x24" bash -c '
  build/bin/vellumine build/demo-store & pid=$!
  sleep 10
  if command -v import >/dev/null; then import -window root build/demo.png; fi
  kill $pid'
