#!/usr/bin/env bash
# Installs what is missing, builds, and starts the viewer on the bundled
# demo store. Without a display it runs under Xvfb and saves a screenshot.
# The browser engine's own messages go to build/demo.log, not the terminal.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default
export LANG=de_DE.UTF-8 LC_ALL=de_DE.UTF-8
if [ "$(id -u)" -eq 0 ]; then export QTWEBENGINE_DISABLE_SANDBOX=1; fi
export QT_LOGGING_RULES="*.debug=false;qt.webenginecontext.info=false"
log=build/demo.log
: >"$log"
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  echo "Meldungen der Browser-Komponente: $log"
  exec build/bin/vellumine build/demo-store 2>>"$log"
fi
echo "Kein Bildschirm gefunden: Vellumine läuft unter Xvfb, das Bildschirmfoto landet in build/demo.png."
export QTWEBENGINE_CHROMIUM_FLAGS=--disable-gpu
xvfb-run -a -s "-screen 0 1024x700x24" bash -c '
  build/bin/vellumine build/demo-store 2>>"$1" & pid=$!
  sleep 10
  if command -v import >/dev/null; then import -window root build/demo.png; fi
  # SIGTERM closes the window as its close box does: settings are written
  # and the temporary folder is removed before the viewer ends.
  kill -TERM $pid
  wait $pid || true' demo "$log"
