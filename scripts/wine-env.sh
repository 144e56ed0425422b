#!/usr/bin/env bash
# The Wine environment of the tests and of `make run`.
#
#   scripts/wine-env.sh setup   RUN         prepare a run: prefix, drive D:, display, wineserver
#   scripts/wine-env.sh exec    RUN CMD...  run a Windows program of the build inside that run
#   scripts/wine-env.sh cleanup RUN         end every Wine process and the Xvfb of that run
#
# RUN is a folder of its own (the tests use build/native/wine-run). It holds:
#   prefix/       the WINEPREFIX, a copy of the cached template prefix
#   drive-d/      what the programs see as D:\ (drive-e/, drive-f/, drive-g/ when a test maps them)
#   env           the variables of the run, sourced by `exec` and `cleanup`
#   wine.log      output of Wine's background processes; xvfb.log; host.log (output of the
#                 tests' host commands)
#   screenshots/  pictures the tests take (one per failed test)
#
# Sourced by scripts/run.sh for the helpers below (qvk_find_wine, qvk_template, ...).
#
# Exit status 77 means "no Wine here": ctest shows the tests as skipped. Under CI (CI=true)
# a missing Wine is a failure instead, so a CI run can never pass without running them.

QVK_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
QVK_SCREEN=1280x1024
# Mono and Gecko would ask to be downloaded at every wineboot; the menu builder would write
# launchers into the user's home.
QVK_DLL_OVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

qvk_log() { echo "wine-env: $*" >&2; }

# Sets WINE and WINESERVER, or returns 1.
qvk_find_wine() {
  WINE=${QVK_WINE:-}
  if [ -z "$WINE" ]; then
    for w in /usr/lib/wine/wine64 "$(command -v wine64 || true)"; do
      if [ -n "$w" ] && [ -x "$w" ]; then WINE=$w; break; fi
    done
  fi
  WINESERVER=${QVK_WINESERVER:-}
  if [ -z "$WINESERVER" ]; then
    for w in /usr/lib/wine/wineserver "$(command -v wineserver || true)"; do
      if [ -n "$w" ] && [ -x "$w" ]; then WINESERVER=$w; break; fi
    done
  fi
  [ -n "$WINE" ] && [ -x "$WINE" ] && [ -n "$WINESERVER" ] && [ -x "$WINESERVER" ]
}

qvk_no_wine() {
  if [ "${CI:-}" = true ]; then
    qvk_log "FAILED: wine64 is not installed, so the Wine tests cannot run (run: make deps)"
    exit 1
  fi
  qvk_log "SKIPPED: wine64 is not installed; the Wine tests did not run (run: make deps)"
  exit 77
}

# Wine takes the ANSI code page from the host's character-type locale, and the charset of
# host file names from the C library's view of that locale. Only a real zh_CN.UTF-8 locale gives
# both code page 936 and UTF-8 file names: with the locale missing (Debian generates none by
# default) Wine still says 936 but fails to create any file or folder with a Chinese name.
# When the system lacks it, we compile it once into build/wine-locale (no root needed) and
# point LOCPATH there. Sets QVK_LOCPATH ("" when the system has the locale).
qvk_locale() {
  local dir=$QVK_ROOT/build/wine-locale
  QVK_LOCPATH=
  if locale -a 2>/dev/null | grep -qix 'zh_CN.utf-\?8'; then return 0; fi
  if [ ! -f "$dir/zh_CN.UTF-8/LC_CTYPE" ]; then
    mkdir -p "$dir"
    (
      flock 9
      [ -f "$dir/zh_CN.UTF-8/LC_CTYPE" ] && exit 0
      localedef -i zh_CN -f UTF-8 "$dir/zh_CN.UTF-8" >"$dir/localedef.log" 2>&1 ||
        [ -f "$dir/zh_CN.UTF-8/LC_CTYPE" ]  # localedef warns (status 1) yet writes the locale
    ) 9>"$dir/.lock" || {
      qvk_log "cannot compile the zh_CN.UTF-8 locale (package locales missing? run: make deps)"
      cat "$dir/localedef.log" >&2 2>/dev/null
      return 1
    }
  fi
  QVK_LOCPATH=$dir
}

# Runs a Wine program (or the wineserver) with the run's variables. The locale is set only for
# Wine itself, not for this shell.
qvk_wine_env() {
  env ${QVK_LOCPATH:+LOCPATH="$QVK_LOCPATH"} LC_ALL=zh_CN.UTF-8 WINEDEBUG=-all \
    WINEDLLOVERRIDES="$QVK_DLL_OVERRIDES" "$@"
}
qvk_wine() { qvk_wine_env "$WINE" "$@"; }

# Starts a private Xvfb; sets DISPLAY and QVK_XVFB_PID. Xvfb picks a free display itself.
qvk_start_xvfb() {
  local dir=$1 n
  command -v Xvfb >/dev/null || { qvk_log "Xvfb is not installed (run: make deps)"; return 1; }
  rm -f "$dir/display"
  Xvfb -displayfd 3 -screen 0 "${QVK_SCREEN}x24" -nolisten tcp \
    3>"$dir/display" </dev/null >"$dir/xvfb.log" 2>&1 &
  QVK_XVFB_PID=$!
  for ((n = 0; n < 100; n++)); do
    if [ -s "$dir/display" ]; then
      DISPLAY=:$(head -n1 "$dir/display")
      export DISPLAY
      return 0
    fi
    kill -0 "$QVK_XVFB_PID" 2>/dev/null || break
    sleep 0.1
  done
  qvk_log "Xvfb did not start:"; cat "$dir/xvfb.log" >&2
  kill "$QVK_XVFB_PID" 2>/dev/null || true
  return 1
}

qvk_stop_xvfb() {
  local pid=${1:-} n
  [ -n "$pid" ] || return 0
  # Only our own Xvfb: the pid may have been reused since.
  [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = Xvfb ] || return 0
  kill "$pid" 2>/dev/null || true
  for ((n = 0; n < 50; n++)); do kill -0 "$pid" 2>/dev/null || return 0; sleep 0.1; done
  kill -9 "$pid" 2>/dev/null || true
}

# Prints the folder of the template prefix for this Wine version, making it when missing:
# wineboot once (~12 s), then every run copies it (~1 s). Needs WINE, WINESERVER and a DISPLAY.
qvk_template() {
  local version key base dir tmp
  version=$("$WINE" --version 2>/dev/null || echo unknown)
  # Bump the number when the set-up below changes, so that old templates are not used.
  key=${version//[^A-Za-z0-9._-]/_}-1
  base=$QVK_ROOT/build/wine-template
  dir=$base/$key
  mkdir -p "$base"
  (
    flock 9
    [ -f "$dir/.qvk-ready" ] && exit 0
    rm -rf "$dir"
    tmp=$dir.tmp.$$
    rm -rf "$tmp"
    qvk_log "creating the template prefix for $version (once)"
    local started=$SECONDS
    (
      export WINEPREFIX=$tmp
      qvk_wine wineboot --init
      # A virtual desktop as the default desktop: every program shares one desktop with a
      # taskbar and a notification area, and hiding a window does not stall without a window
      # manager.
      qvk_wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f
      qvk_wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d "$QVK_SCREEN" /f
      # A crash ends the program at once instead of waiting in winedbg.
      qvk_wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' \
        /v Debugger /d "" /f
      "$WINESERVER" -w
    ) </dev/null >"$base/$key.log" 2>&1 || { cat "$base/$key.log" >&2; rm -rf "$tmp"; exit 1; }
    touch "$tmp/.qvk-ready"
    mv "$tmp" "$dir"
    qvk_log "template prefix ready in $((SECONDS - started)) s"
  ) 9>"$base/.lock" || return 1
  echo "$dir"
}

# Puts the run's drives back into their standard state: D: mapped, E:, F:, G: absent.
qvk_standard_drives() {
  local l
  mkdir -p "$QVK_RUN_DIR/drive-d"
  for l in e f g; do rm -f "$WINEPREFIX/dosdevices/$l:"; done
  ln -sfn "$QVK_RUN_DIR/drive-d" "$WINEPREFIX/dosdevices/d:"
}

qvk_setup() {
  local run=$1 template started=$SECONDS
  if [ -f "$run/env" ]; then qvk_cleanup "$run"; fi   # a run that was interrupted before
  qvk_find_wine || qvk_no_wine
  mkdir -p "$run"
  run=$(cd "$run" && pwd)
  rm -rf "$run/prefix" "$run"/drive-? "$run/screenshots" "$run"/*.log
  mkdir -p "$run/screenshots"

  qvk_locale
  QVK_XVFB_PID=
  if [ -z "${DISPLAY:-}" ]; then
    qvk_start_xvfb "$run" || return 1
  fi
  # From here on a failure must not leave the Xvfb or a wineserver behind.
  cat >"$run/env" <<EOF
export QVK_RUN_DIR='$run'
export WINEPREFIX='$run/prefix'
export DISPLAY='$DISPLAY'
export QVK_XVFB_PID='$QVK_XVFB_PID'
export WINE='$WINE'
export WINESERVER='$WINESERVER'
export QVK_LOCPATH='$QVK_LOCPATH'
EOF
  trap 'qvk_cleanup "$run"' ERR INT TERM
  # shellcheck source=/dev/null
  . "$run/env"

  template=$(qvk_template)
  cp -a "$template" "$WINEPREFIX"
  qvk_standard_drives

  # One persistent wineserver for the whole run: the tests start warm (~0.05 s instead of ~1 s
  # per program), and Wine's service processes are started here with their output going to
  # wine.log, not to the output of whichever test would start them first.
  qvk_wine_env "$WINESERVER" -p </dev/null >>"$run/wine.log" 2>&1
  qvk_wine cmd /c exit </dev/null >>"$run/wine.log" 2>&1
  trap - ERR INT TERM
  qvk_log "run ready in $((SECONDS - started)) s: WINEPREFIX=$WINEPREFIX DISPLAY=$DISPLAY"
}

qvk_exec() {
  local run=$1 out rc
  shift
  if [ ! -f "$run/env" ]; then
    qvk_find_wine || qvk_no_wine
    qvk_log "no run prepared in $run (the setup test failed or did not run)"
    exit 1
  fi
  # shellcheck source=/dev/null
  . "$run/env"
  [ -x "$WINE" ] || qvk_no_wine
  if [ ! -f "$1" ]; then
    qvk_log "$1 is missing: build the Windows programs first (make x86_64)"
    exit 1
  fi
  qvk_standard_drives
  # Wine's background processes (the desktop, services) inherit the output of the program
  # that starts them and outlive it; the output goes through a file so that they never hold
  # the caller's pipe (ctest would wait for them).
  out=$(mktemp "$run/exec.XXXXXX")
  # Ended by us before ctest's own time-out (300 s) would kill this script and leave the
  # program running; QVK_EXEC_TIMEOUT changes it.
  set +e
  timeout --kill-after=5 "${QVK_EXEC_TIMEOUT:-280}" \
    env ${QVK_LOCPATH:+LOCPATH="$QVK_LOCPATH"} LC_ALL=zh_CN.UTF-8 WINEDEBUG=-all \
    WINEDLLOVERRIDES="$QVK_DLL_OVERRIDES" "$WINE" "$@" </dev/null >"$out" 2>&1
  rc=$?
  set -e
  # Programs print code page 936.
  iconv -f GBK -t UTF-8 "$out" 2>/dev/null || cat "$out"
  rm -f "$out"
  if [ $rc -eq 124 ] || [ $rc -eq 137 ]; then
    local shot
    shot=$run/screenshots/timeout-$(basename "$1" .exe)-$(date +%H%M%S).png
    import -display "$DISPLAY" -window root "$shot" 2>/dev/null && qvk_log "screen at the time-out: $shot"
    qvk_log "FAILED: $* did not end within ${QVK_EXEC_TIMEOUT:-280} s and was killed"
  fi
  return $rc
}

qvk_cleanup() {
  local run=$1 n
  [ -f "$run/env" ] || return 0
  # shellcheck source=/dev/null
  . "$run/env"
  if [ -x "${WINESERVER:-}" ] && [ -d "$WINEPREFIX" ]; then
    timeout 30 "$WINESERVER" -k >/dev/null 2>&1 || true
    # Wait until the server has gone, so that nothing writes to the prefix while it is removed.
    timeout 30 "$WINESERVER" -w >/dev/null 2>&1 || true
  fi
  qvk_stop_xvfb "${QVK_XVFB_PID:-}"
  rm -rf "$run/prefix" "$run"/drive-? "$run"/exec.* "$run"/host.*.sh "$run"/host.*.done*
  rm -f "$run/env"
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  set -euo pipefail
  cmd=${1:-}
  [ $# -ge 2 ] || { echo "usage: $0 setup|exec|cleanup RUN [program args...]" >&2; exit 2; }
  shift
  case $cmd in
    setup) qvk_setup "$@" ;;
    exec) qvk_exec "$@" ;;
    cleanup) qvk_cleanup "$@" ;;
    *) echo "usage: $0 setup|exec|cleanup RUN [program args...]" >&2; exit 2 ;;
  esac
fi
