#!/usr/bin/env bash
# The vantrel executable in a headless KWin (run through with-kwin.sh): a layout of two Wayland
# windows and one XWayland window, saved through the command line, restored by its global shortcut
# pressed through kglobalaccel and by `vantrel restore`, the frames read back through KWin's own
# D-Bus; `vantrel --quit` unloads Vantrel's KWin script. Prints how long the shortcut took.
# Usage: with-kwin.sh vantrel-kwin-e2e.sh VANTREL WAYLAND_TESTCLIENT
set -uo pipefail

vantrel=$1 testclient=$2
[ -n "${DISPLAY:-}" ] && command -v xlogo >/dev/null ||
  { echo "SKIP: no XWayland or no xlogo"; exit 77; }

work=$(mktemp -d /tmp/vantrel-kwin-e2e-XXXXXX)
log="$work/vantrel.log"
pids=()
failures=0
source "$(dirname "$0")/../e2e/e2e-lib.sh"
trap cleanup EXIT
prepare_vantrel
faults='^(WindowService|HotkeyService|KWin[A-Za-z]*):'

bus() { gdbus call --session -d "$1" -o "$2" -m "$3" "${@:4}"; }
scripting() { bus org.kde.KWin /Scripting "org.kde.kwin.Scripting.$1" "${@:2}"; }
# KWin's id of the window titled $1, from KWin's own window runner.
uuid() {
  bus org.kde.KWin /WindowsRunner org.kde.krunner1.Match "$1" |
    grep -o "'0_{[^}]*}', '$1'" | sed "s/^'0_\([^']*\)'.*/\1/"
}
declare -A uuids
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

# --- Three windows of three applications: two Wayland ones and an X11 one through XWayland.
for w in Alpha Beta; do
  "$testclient" --app-id "e2e.${w,,}" --title "$w" --size 300x200 </dev/null >"$work/$w.out" 2>&1 &
  pids+=($!)
done
xlogo -geometry 200x150+0+0 </dev/null >/dev/null 2>&1 &
pids+=($!)
for w in Alpha Beta xlogo; do
  poll 30 eval '[ -n "$(uuid '$w')" ]' || die "KWin never listed the window $w"
  uuids[$w]=$(uuid "$w")
done
saved=("Alpha 40 50 500 350" "Beta 600 80 420 300" "xlogo 300 450 360 240")
arrange "${saved[@]}"

# --- Vantrel saves them through the command line; the layout gets Ctrl+Alt+1 in its file, read
# at the next start (a second run of the same session: its monitor ids must be the same).
start_vantrel
out=$("$vantrel" save Desk 2>&1) || fail "vantrel save: $out"
check "the layout file holds the three windows" eval '[ "$(windows_saved)" = 3 ]'
quit_vantrel
give_shortcut
start_vantrel
loaded() { [ "$(scripting isScriptLoaded vantrel)" = "(true,)" ]; }
check "Vantrel loaded its KWin script" loaded
# A second run of the session finds the monitor it saw in the first, from its very start.
out=$("$vantrel" save Again 2>&1) || fail "vantrel save Again: $out"
monitor_ids() { over_layouts 'print(len({w["displayID"] for l in L for w in l["windows"]}))'; }
check "both runs gave the monitor one id" eval '[ "$(monitor_ids)" = 1 ]'

# --- The shortcut, pressed through KDE's shortcut machinery, puts every window back.
scrambled=("Alpha 500 300 320 260" "Beta 30 420 380 280" "xlogo 700 60 240 200")
arrange "${scrambled[@]}"
press() {
  bus org.kde.kglobalaccel /component/kwin org.kde.kglobalaccel.Component.invokeShortcut \
    "vantrel Ctrl+Alt+1" >/dev/null
}
registered() {
  bus org.kde.kglobalaccel /component/kwin org.kde.kglobalaccel.Component.shortcutNames |
    grep -q "'vantrel Ctrl+Alt+1'"
}
poll 30 registered || fail "Ctrl+Alt+1 never reached kglobalaccel; log: $(cat "$log")"
# The bus's own timestamps time the shortcut: from the press to Vantrel's end of the restore, which
# comes once KWin reported every frame (read back here afterwards, at each D-Bus call's pace).
monitor_bus invokeShortcut RestoreFinished
lines=$(($(wc -l <"$log") + 1))
start=$(date +%s%N)
press
if poll 30 frames_are "${saved[@]}"; then
  poll 10 eval '[ -n "$(bus_ms RestoreFinished)" ]'
  echo "shortcut to moved: $(( $(bus_ms RestoreFinished) - $(bus_ms invokeShortcut) )) ms on the" \
    "bus; read back within $(( ($(date +%s%N) - start) / 1000000 )) ms"
  pass "Ctrl+Alt+1 restored the layout"
else
  fail "Ctrl+Alt+1: $(describe) want ${saved[*]}; log: $(cat "$log")"
fi
check "the restore logged no fault" quiet_since "$lines"

# --- `vantrel restore` does the same, and answers once the windows are placed.
arrange "${scrambled[@]}"
lines=$(($(wc -l <"$log") + 1))
out=$("$vantrel" restore Desk 2>&1)
# The frames are read once: the command answers only after the windows are in place.
[ "$out" = "Restored 3 of 3 windows of 'Desk'." ] && frames_are "${saved[@]}" &&
  quiet_since "$lines" && pass "vantrel restore: $out" ||
  fail "vantrel restore: '$out', $(describe); log: $(cat "$log")"

# --- Quit unloads the script.
quit_vantrel
check "--quit unloaded Vantrel's KWin script" eval '! loaded'

[ "$failures" -eq 0 ] && echo "all KWin end-to-end checks passed"
[ "$failures" -eq 0 ]
