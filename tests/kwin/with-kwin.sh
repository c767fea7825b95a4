#!/usr/bin/env bash
# with-kwin.sh COMMAND ARGS...: runs COMMAND inside a fresh headless KWin (Wayland, with XWayland
# where it can) on a private session bus, and exits with COMMAND's status; 1 with a message when
# KWin cannot start.
#
# COMMAND sees WAYLAND_DISPLAY, DISPLAY (XWayland; unset without it), QT_QPA_PLATFORM=wayland,
# XDG_SESSION_TYPE=wayland, XDG_CURRENT_DESKTOP=KDE, and private XDG_CONFIG_HOME, XDG_DATA_HOME,
# XDG_CACHE_HOME and XDG_RUNTIME_DIR, so no user setting leaks in. KWin's own output goes to
# $VANTREL_KWIN_LOG (default: a file in the scratch folder, printed when COMMAND fails).
#
# The bus is tests/private-bus.conf, which starts no service on demand: KWin 5.27 on Wayland hosts
# kglobalaccel (org.kde.kglobalaccel) in its own process, so global shortcuts work without
# activation, and nothing the machine has installed (kded, a second kglobalaccel) joins the test.
set -euo pipefail

[ $# -gt 0 ] || { echo "usage: with-kwin.sh COMMAND ARGS..." >&2; exit 2; }
here=$(cd "$(dirname "$0")" && pwd)

# The inner half: started by KWin as its session process (--exit-with-session), with
# WAYLAND_DISPLAY set, from the scratch folder that also holds COMMAND (NUL-separated, so no
# quoting passes through KWin's command line). Waits until KWin answers on the bus, runs COMMAND
# on the caller's streams (fds 3 and 4, which KWin's child inherits), and leaves its status in a
# file: KWin's own exit status would also count KWin's teardown.
if [ "${1:-}" = "--inner" ]; then
  dir=$(dirname "$0")
  exec 1>&3 2>&4 3>&- 4>&- </dev/null
  mapfile -d '' command <"$dir/command"
  [ -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" ] || { echo "with-kwin.sh: no Wayland socket" >&2; exit 1; }
  # The socket is there before KWin starts its session; the bus name comes with its workspace.
  gdbus wait --session --timeout 60 org.kde.KWin >/dev/null ||
    { echo "with-kwin.sh: org.kde.KWin never appeared on the bus" >&2; exit 1; }
  export QT_QPA_PLATFORM=wayland XDG_SESSION_TYPE=wayland XDG_CURRENT_DESKTOP=KDE
  status=0
  "${command[@]}" || status=$?
  echo "$status" >"$dir/status"
  exit "$status"
fi

kwin=$(command -v kwin_wayland) ||
  { echo "with-kwin.sh: kwin_wayland is not installed (scripts/setup installs kwin-wayland)" >&2; exit 1; }

dir=$(mktemp -d "${TMPDIR:-/tmp}/vantrel-kwin.XXXXXX")
# XWayland may still be writing there for a moment after a crashed KWin: try twice, quietly.
trap 'rm -rf "$dir" 2>/dev/null || rm -rf "$dir" 2>/dev/null || true' EXIT
chmod 700 "$dir"  # XDG_RUNTIME_DIR must be private, or KWin refuses it
mkdir -p "$dir/config" "$dir/data" "$dir/cache"
# The installed binary carries a file capability (cap_sys_resource) that a container may refuse
# to execute; a copy carries none, and KWin needs none of it for a virtual output.
cp "$kwin" "$dir/kwin_wayland"
log=${VANTREL_KWIN_LOG:-$dir/kwin.log}

# XWayland needs the X socket folder; Xvfb makes it itself, KWin does not.
xwayland=()
if command -v Xwayland >/dev/null && { [ -d /tmp/.X11-unix ] || mkdir -m 1777 /tmp/.X11-unix 2>/dev/null; }; then
  xwayland=(--xwayland)
fi

printf '%s\0' "$@" >"$dir/command"
ln -s "$(cd "$here" && pwd)/with-kwin.sh" "$dir/with-kwin.sh"

kwin_status=0
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM -u SESSION_MANAGER \
  XDG_RUNTIME_DIR="$dir" XDG_CONFIG_HOME="$dir/config" XDG_DATA_HOME="$dir/data" \
  XDG_CACHE_HOME="$dir/cache" \
  dbus-run-session --config-file="$here/../private-bus.conf" -- \
  "$dir/kwin_wayland" --virtual "${xwayland[@]}" --width 1280 --height 800 \
  --socket vantrel-kwin --exit-with-session "'$dir/with-kwin.sh' --inner" \
  3>&1 4>&2 >"$log" 2>&1 || kwin_status=$?

if [ ! -f "$dir/status" ]; then
  echo "with-kwin.sh: KWin could not start or run the command (KWin exit status $kwin_status):" >&2
  tail -n 30 "$log" >&2 || true
  exit 1
fi
status=$(cat "$dir/status")
if [ "$status" -ne 0 ] && [ -z "${VANTREL_KWIN_LOG:-}" ]; then
  echo "with-kwin.sh: the command ended with status $status; KWin's log ends:" >&2
  tail -n 30 "$log" >&2 || true
fi
exit "$status"
