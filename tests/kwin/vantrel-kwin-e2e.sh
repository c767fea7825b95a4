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
mkdir -p "$XDG_CONFIG_HOME/Vantrel"
printf '[General]\nhasCompletedOnboarding=true\n' >"$XDG_CONFIG_HOME/Vantrel/Vantrel.conf"
layouts="$XDG_DATA_HOME/Vantrel/layouts.json"
# Runs Python over the layout list L, read from the file.
over_layouts() { python3 -c "import json, sys; L = json.load(open(sys.argv[1])); $1" "$layouts"; }

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
# Each argument "title x y width height": true when every such window is there within 2 px.
frames_are() {
  local want got
  for want in "$@"; do
    read -r -a want <<<"$want"
    read -r -a got < <(frame "${want[0]}") || return 1
    for i in 0 1 2 3; do
      local d=$((got[i] - want[i + 1]))
      (( d >= -2 && d <= 2 )) || return 1
    done
  done
}
describe() { for w in Alpha Beta xlogo; do printf '%s: %s; ' "$w" "$(frame "$w")"; done; }
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
start_vantrel() {
  "$vantrel" >>"$log" 2>&1 &
  vantrel_pid=$!
  pids+=($vantrel_pid)
  poll 30 "$vantrel" list >/dev/null || die "vantrel list never answered: $(cat "$log")"
}
quit_vantrel() {
  "$vantrel" --quit || fail "vantrel --quit failed"
  poll 30 exited "$vantrel_pid" || die "Vantrel still runs after --quit: $(tail -5 "$log")"
  wait "$vantrel_pid"; local status=$?
  [ "$status" = 0 ] || fail "Vantrel quit with status $status"
}
start_vantrel
out=$("$vantrel" save Desk 2>&1) || fail "vantrel save: $out"
windows_saved() { over_layouts 'print(len(L[0]["windows"]))'; }
check "the layout file holds the three windows" eval '[ "$(windows_saved)" = 3 ]'
quit_vantrel
over_layouts 'L[0].update(shortcutKeyCode=18, shortcutModifiers=786432)
json.dump(L, open(sys.argv[1], "w"))'
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
# A restore that went well logs nothing; a window not found or not placed says so.
quiet_since() { ! tail -n +"$1" "$log" | grep -E "^(WindowService|HotkeyService|KWin[A-Za-z]*):"; }
registered() {
  bus org.kde.kglobalaccel /component/kwin org.kde.kglobalaccel.Component.shortcutNames |
    grep -q "'vantrel Ctrl+Alt+1'"
}
poll 30 registered || fail "Ctrl+Alt+1 never reached kglobalaccel; log: $(cat "$log")"
# The bus's own timestamps time the shortcut: from the press to Vantrel's end of the restore, which
# comes once KWin reported every frame (read back here afterwards, at each D-Bus call's pace).
dbus-monitor --session --profile "member='invokeShortcut'" "member='RestoreFinished'" \
  >"$work/bus.log" 2>&1 &
pids+=($!)
poll 30 grep -q NameLost "$work/bus.log" || fail "dbus-monitor did not start"
bus_ms() { awk '$8 == "'$1'" { printf "%.0f\n", $2 * 1000 }' "$work/bus.log" | tail -1; }
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
