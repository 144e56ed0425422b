#!/usr/bin/env bash
# make run: starts build/x86_64/qvk.exe under Wine, as a user would use it.
#
# The Wine prefix is build/wine-user (QVK_WINEPREFIX overrides it); it persists between runs, so
# settings and rules stay. It has no drive D:, E:, F: or G:, so the program keeps its files on
# the system drive: build/wine-user/drive_c/软件配置/岚窗精灵. Delete the folder for a fresh start.
# All programs share a Wine virtual desktop of 1280x1024 with a taskbar and notification area.
#
# With $DISPLAY set, the desktop opens there and this script waits until qvk.exe ends (the
# close button only hides it into the notification area; Ctrl-C ends it). Without a display,
# qvk.exe runs on a private Xvfb for a few seconds; a screenshot is written to build/screenshots/
# and everything is ended again. Arguments are passed to qvk.exe (any argument starts it hidden).
set -euo pipefail
cd "$(dirname "$0")/.."
# shellcheck source=scripts/wine-env.sh
. scripts/wine-env.sh

exe=build/x86_64/qvk.exe
[ -f "$exe" ] || { echo "run: $exe is missing; build it with make x86_64" >&2; exit 1; }
qvk_find_wine || { echo "run: wine64 is not installed (run: make deps)" >&2; exit 1; }
qvk_locale

export WINEPREFIX=${QVK_WINEPREFIX:-$PWD/build/wine-user}
private=
QVK_XVFB_PID=
stop() {
  "$WINESERVER" -k >/dev/null 2>&1 || true
  "$WINESERVER" -w >/dev/null 2>&1 || true
  qvk_stop_xvfb "$QVK_XVFB_PID"
  [ -n "$private" ] && rm -rf "$private"
}
if [ -z "${DISPLAY:-}" ]; then
  private=$(mktemp -d)
  trap stop EXIT
  trap 'exit 130' INT
  trap 'exit 143' TERM
  qvk_start_xvfb "$private"
else
  trap 'exit 130' INT
fi

if [ ! -d "$WINEPREFIX/drive_c" ]; then
  template=$(qvk_template)
  cp -a "$template" "$WINEPREFIX"
  echo "run: new Wine prefix $WINEPREFIX"
fi

if [ -z "$private" ]; then
  echo "run: starting $exe on display $DISPLAY (Wine prefix $WINEPREFIX)"
  qvk_wine "$exe" "$@"
  exit $?
fi

qvk_wine "$exe" "$@" </dev/null >"$private/qvk.log" 2>&1 &
# Start-up takes about a second warm, a few seconds with a cold prefix.
for ((i = 0; i < 5; i++)); do
  sleep 1
  kill -0 $! 2>/dev/null || break
done
mkdir -p build/screenshots
shot=build/screenshots/run-$(date +%Y%m%d-%H%M%S).png
import -display "$DISPLAY" -window root "$shot"
if kill -0 $! 2>/dev/null; then
  echo "run: qvk.exe ran on a private Xvfb ($DISPLAY); screenshot written to $PWD/$shot"
else
  echo "run: qvk.exe ended early; screenshot written to $PWD/$shot; its output:" >&2
  iconv -f GBK -t UTF-8 "$private/qvk.log" >&2 || cat "$private/qvk.log" >&2
  exit 1
fi
