#!/usr/bin/env bash
# The vantrel executable in a headless KWin (run through with-kwin.sh): a layout of two Wayland
# windows and one XWayland window, saved through the command line, restored by its global shortcut
# pressed through kglobalaccel and by `vantrel restore`, the frames read back through KWin's own
# D-Bus; `vantrel --quit` unloads Vantrel's KWin script. Prints how long the shortcut took.
# Usage: with-kwin.sh vantrel-kwin-e2e.sh VANTREL WAYLAND_TESTCLIENT
set -uo pipefail

vantrel=$1 testclient=$2
source "$(dirname "$0")/../e2e/e2e-lib.sh"
begin_compositor_e2e kwin
faults='^(WindowService|HotkeyService|KWin[A-Za-z]*):'

bus() { gdbus call --session -d "$1" -o "$2" -m "$3" "${@:4}"; }
scripting() { bus org.kde.KWin /Scripting "org.kde.kwin.Scripting.$1" "${@:2}"; }
# KWin's id of the window titled $1, from KWin's own window runner.
uuid() {
  bus org.kde.KWin /WindowsRunner org.kde.krunner1.Match "$1" |
    grep -o "'0_{[^}]*}', '$1'" | sed "s/^'0_\([^']*\)'.*/\1/"
}
declare -A uuids
window_ready() { uuids[$1]=$(uuid "$1"); [ -n "${uuids[$1]}" ]; }
# "x y width height" of the window titled $1, from KWin's getWindowInfo.
frame() {
  local info
  info=$(bus org.kde.KWin /KWin org.kde.KWin.getWindowInfo "${uuids[$1]}") || return 1
  for key in x y width height; do
    sed -n "s/.*'$key': <\(-\{0,1\}[0-9]*\).*/\1/p" <<<"$info"
  done | xargs
}
# Moves windows as frames_are names them, through a one-off KWin script of the test's own.
arrange() {
  local body="var frames = {" f t x y w h
  for f in "$@"; do read -r t x y w h <<<"$f"; body+="'$t': [$x, $y, $w, $h],"; done
  echo "$body};
workspace.clientList().forEach(function (w) {
  var f = frames[w.caption];
  if (f) w.frameGeometry = {x: f[0], y: f[1], width: f[2], height: f[3]};
});" >"$work/arrange.js"
  # KWin runs a started script later: the one before is unloaded only now, once it has run.
  scripting unloadScript vantrel-e2e-arrange >/dev/null
  scripting loadScript "$work/arrange.js" vantrel-e2e-arrange >/dev/null &&
    scripting start >/dev/null && poll 20 frames_are "$@" || fail "could not arrange: $(describe)"
}

# Vantrel's shortcut goes through KDE's shortcut machinery, which KWin hosts.
press_member=invokeShortcut
press() {
  bus org.kde.kglobalaccel /component/kwin org.kde.kglobalaccel.Component.invokeShortcut \
    "vantrel Ctrl+Alt+1" >/dev/null
}
grabbed() {
  bus org.kde.kglobalaccel /component/kwin org.kde.kglobalaccel.Component.shortcutNames |
    grep -q "'vantrel Ctrl+Alt+1'"
}
loaded() { [ "$(scripting isScriptLoaded vantrel)" = "(true,)" ]; }
started() { check "Vantrel loaded its KWin script" loaded; }
quit_done() { check "--quit unloaded Vantrel's KWin script" eval '! loaded'; }

compositor_e2e
