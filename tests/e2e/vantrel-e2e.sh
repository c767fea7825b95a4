#!/usr/bin/env bash
# The vantrel executable on a private desktop (Xvfb, openbox, trayer): tray icon, a layout
# restored by its shortcut, a preset shortcut, the popover from the tray icon and a layout from its
# right-click menu, one instance per display, a crashed instance's leftovers, the welcome window's
# decorations, overlapping restores and Quit during a long restore. Then: a shortcut the window manager holds is logged with its keys
# and layout, and Quit ends the program every time, whatever is open, and leaves its shortcuts and
# lock behind. Last, a missing or lost X display.
# Usage: vantrel-e2e.sh VANTREL TESTCLIENT XPROBE GALLERY
set -uo pipefail

vantrel=$1 testclient=$2 xprobe=$3 gallery=$4
for tool in Xvfb openbox trayer xdotool wmctrl xwininfo xprop; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done

work=$(mktemp -d /tmp/vantrel-e2e-XXXXXX)
mkdir -p "$work/home" "$work/run" "$work/data/Vantrel" "$work/config/Vantrel"
chmod 700 "$work/run"
export HOME="$work/home" XDG_RUNTIME_DIR="$work/run" XDG_DATA_HOME="$work/data"
export XDG_CONFIG_HOME="$work/config"
# The tray must be the X one (XEmbed), not a status-notifier host on some session bus.
unset DBUS_SESSION_BUS_ADDRESS WAYLAND_DISPLAY QT_QPA_PLATFORM
export QT_QPA_PLATFORM=xcb
# In the sanitizer builds: a whole Qt program keeps fonts and plugins until exit, so a leak report
# of the second start would only be noise; memory errors still end it.
export ASAN_OPTIONS="detect_leaks=0${ASAN_OPTIONS:+:$ASAN_OPTIONS}"

pids=()
failures=0
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
  for p in "${pids[@]}"; do wait "$p" 2>/dev/null; done
  if [ "$failures" -eq 0 ]; then rm -rf "$work"; else echo "kept for inspection: $work"; fi
}
trap cleanup EXIT

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }
die() { echo "FAIL: $*"; failures=$((failures + 1)); exit 1; }

# Runs the command every 50 ms until it succeeds or SECONDS pass: it waits on other processes.
poll() {
  local seconds=$1; shift
  local deadline=$((SECONDS + seconds))
  until "$@" 2>/dev/null; do
    [ "$SECONDS" -ge "$deadline" ] && return 1
    sleep 0.05
  done
}

# --- Without a display: --version and --help answer and exit 0.
out=$(env -u DISPLAY "$vantrel" --version 2>&1) && [[ "$out" == "Vantrel "* ]] \
  && pass "--version without a display: $out" || fail "--version: '$out'"
out=$(env -u DISPLAY "$vantrel" --help 2>&1) && [[ "$out" == Usage:* ]] \
  && pass "--help without a display" || fail "--help: '$out'"

# --- Without a usable X display: one line saying what is missing, and status 1 (not an abort).
no_display() { # expected-text env...
  local want=$1; shift
  out=$(env "$@" "$vantrel" 2>&1)
  [ $? = 1 ] && [[ "$out" == "Vantrel: Cannot use the X display: "*"$want"* ]] \
    && pass "$* -> $out" || fail "$*: '$out'"
}
no_display "DISPLAY is not set. Vantrel needs an X11 display" -u DISPLAY -u WAYLAND_DISPLAY
no_display "offers no X11 display (XWayland)" -u DISPLAY WAYLAND_DISPLAY=wayland-0
no_display "cannot connect to the X display :9876" DISPLAY=:9876
no_display "does not name an X display" DISPLAY=nonsense

# --- The desktop. Xvfb picks a free display and writes its number to the descriptor.
exec 3<> <(:)
Xvfb -displayfd 3 -screen 0 1600x900x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
read -r -t 10 number <&3 || die "Xvfb did not start"
exec 3<&-
export DISPLAY=":$number"

wm_running() { xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id'; }
# openbox now and then exits at once when several X sessions start together: try again.
for attempt in 1 2 3; do
  openbox >"$work/openbox.log" 2>&1 &
  wm=$!
  poll 10 wm_running && break
  kill "$wm" 2>/dev/null
  [ "$attempt" -eq 3 ] && die "openbox did not come up"
done
pids+=($wm)
trayer --edge bottom --align right --widthtype request --height 24 >"$work/trayer.log" 2>&1 &
pids+=($!)
poll 10 eval '"$xprobe" selection-owner _NET_SYSTEM_TRAY_S0 >/dev/null' \
  || die "trayer did not take the tray selection"

# --- Two client windows of two applications.
client() { # title class geometry
  "$testclient" --title "$1" --instance "${2,,}" --class "$2" --geometry "$3" \
    </dev/null >"$work/client-$1.log" 2>&1 &
  pids+=($!)
}
client Alpha E2eAlpha 300x200+400+300
client Beta E2eBeta 320x240+500+350
# A panel that reserves the top 30 rows: the visible frame is smaller than the screen.
"$testclient" --title Panel --dock-top 30 --geometry 1600x30+0+0 </dev/null >/dev/null 2>&1 &
pids+=($!)
workarea() { xprop -root _NET_WORKAREA | sed 's/.*= //; s/,//g' | cut -d' ' -f1-4; }
poll 10 eval '[ "$(workarea)" = "0 30 1600 870" ]' || die "the panel reserved no space: $(workarea)"
managed() { [ "$(wmctrl -l | grep -c -E ' (Alpha|Beta)$')" -eq 2 ]; }
poll 10 managed || die "the client windows were not managed"
id_of() { xdotool search --name "^$1\$" | head -1; }
alpha=$(id_of Alpha) beta=$(id_of Beta)

# "x y width height" of the outer frame: the client area from xwininfo plus the frame extents.
frame() {
  local x y w h l r t b
  eval "$(xwininfo -id "$1" | awk '/Absolute upper-left X/{print "x="$4}
    /Absolute upper-left Y/{print "y="$4}/Width:/{print "w="$2}/Height:/{print "h="$2}')"
  read -r l r t b < <(xprop -id "$1" _NET_FRAME_EXTENTS | sed 's/.*= //; s/,//g')
  echo "$((x - l)) $((y - t)) $((w + l + r)) $((h + t + b))"
}
frame_is() { [ "$(frame "$1")" = "$2" ]; }

# --- The layout "Desk" (Control+Option+1) and a preset shortcut for "Left Half"
# (Control+Option+Shift+Left arrow: the window manager keeps Control+Option+Left for itself).
alpha_saved="100 100 500 400"
beta_saved="700 150 600 500"
cat >"$XDG_DATA_HOME/Vantrel/layouts.json" <<'JSON'
[{"id": "5A0D3C7E-1B2C-4D5E-8F90-A1B2C3D4E5F6", "name": "Desk",
  "shortcutKeyCode": 18, "shortcutModifiers": 786432,
  "windows": [
    {"appBundleID": "E2eAlpha", "appName": "E2eAlpha", "windowTitle": "Alpha", "windowIndex": 0,
     "frameX": 100, "frameY": 100, "frameWidth": 500, "frameHeight": 400,
     "displayID": 0, "isMinimized": false, "isFullscreen": false},
    {"appBundleID": "E2eBeta", "appName": "E2eBeta", "windowTitle": "Beta", "windowIndex": 0,
     "frameX": 700, "frameY": 150, "frameWidth": 600, "frameHeight": 500,
     "displayID": 0, "isMinimized": false, "isFullscreen": false}],
  "triggerOnDisplayChange": false, "triggerApps": [], "closeOtherApps": true,
  "createdAt": "2026-01-01T00:00:00Z", "modifiedAt": "2026-01-01T00:00:00Z"},
 {"id": "6B1E4D8F-2C3D-4E5F-9A01-B2C3D4E5F607", "name": "Elsewhere",
  "shortcutKeyCode": 19, "shortcutModifiers": 786432,
  "windows": [
    {"appBundleID": "E2eAlpha", "appName": "E2eAlpha", "windowTitle": "Alpha", "windowIndex": 0,
     "frameX": 100, "frameY": 100, "frameWidth": 500, "frameHeight": 400, "spaceIndex": 2,
     "displayID": 0, "isMinimized": false, "isFullscreen": false}],
  "triggerOnDisplayChange": false, "triggerApps": [],
  "createdAt": "2026-01-01T00:00:00Z", "modifiedAt": "2026-01-01T00:00:00Z"}]
JSON
write_config() { # hasCompletedOnboarding value
  cat >"$XDG_CONFIG_HOME/Vantrel/Vantrel.conf" <<CONF
[General]
hasCompletedOnboarding=$1
presetShortcuts="@ByteArray({\"Left Half\":{\"keyCode\":123,\"modifiers\":917504}})"
CONF
}
write_config true

# --- Start: the tray icon is embedded in trayer.
log="$work/vantrel.log"
start_vantrel() {
  : >"$log"  # emptied here, so that no check reads the previous start's lines
  "$vantrel" >>"$log" 2>&1 &
  vantrel_pid=$!
  pids+=($vantrel_pid)
}
# The icon: a window of class Vantrel that trayer has taken in (not a child of the root).
tray_icon() {
  xwininfo -root -tree | awk '/"vantrel" "Vantrel"/{print $1}' |
    while read -r id; do
      parent=$(xwininfo -children -id "$id" | awk '/Parent window id/{print $4}')
      root=$(xwininfo -root | awk '/Window id/{print $4}')
      [ "$parent" != "$root" ] && xwininfo -id "$id" | grep -q IsViewable && { echo "$id"; break; }
    done
}
has_tray_icon() { [ -n "$(tray_icon)" ]; }
start_vantrel
poll 20 has_tray_icon && pass "tray icon embedded" || die "no tray icon; log: $(cat "$log")"
poll 5 grep -q "Vantrel started" "$log" || fail "no start-up summary: $(cat "$log")"
grep -qx "  - Accessibility: granted" "$log" && pass "the summary says the window manager is usable" \
  || fail "start-up summary: $(cat "$log")"
grep -q "Failed to register hotkey" "$log" && fail "a hotkey was refused: $(cat "$log")"

# --- The layout shortcut restores both windows exactly.
scramble() {
  xdotool windowsize "$alpha" 250 220 windowmove "$alpha" 900 500
  xdotool windowsize "$beta" 260 230 windowmove "$beta" 200 520
  # Both requests of each window have landed: the new size, and the frame near the new place.
  moved() { # window x y width height
    local f
    read -r -a f < <(frame "$1")
    (( f[0] >= $2 - 20 && f[0] <= $2 + 20 && f[1] >= $3 - 40 && f[1] <= $3 + 40 )) &&
      xwininfo -id "$1" | grep -q "Width: $4" && xwininfo -id "$1" | grep -q "Height: $5"
  }
  poll 5 moved "$alpha" 900 500 250 220 && poll 5 moved "$beta" 200 520 260 230
}
restored() { frame_is "$alpha" "$alpha_saved" && frame_is "$beta" "$beta_saved"; }
check_layout_shortcut() {
  scramble || fail "the windows could not be scrambled"
  xdotool key ctrl+alt+1
  if poll 10 restored; then
    pass "Ctrl+Alt+1 restored the layout $1"
  else
    fail "layout $1: Alpha $(frame "$alpha") (want $alpha_saved), Beta $(frame "$beta") (want $beta_saved); log: $(cat "$log")"
  fi
}
check_layout_shortcut "at first"

# --- A layout of another workspace asks first; "Restore This Time" (Return) brings the window
# to the workspace the user is on, and no error follows.
desktop_of() { xprop -id "$1" _NET_WM_DESKTOP | sed 's/.*= //'; }
prompt() { xdotool search --name '^Different Workspace Detected$' 2>/dev/null | head -1; }
wmctrl -i -r "$(printf 0x%x "$alpha")" -t 1
poll 5 eval '[ "$(desktop_of "$alpha")" = 1 ]' || fail "Alpha did not go to the second workspace"
xdotool key ctrl+alt+2
if poll 10 eval '[ -n "$(prompt)" ]'; then
  pass "the layout of another workspace asked first"
  xdotool windowactivate --sync "$(prompt)" key Return
  poll 10 eval '[ "$(desktop_of "$alpha")" = 0 ]' \
    && pass "Restore This Time brought Alpha to the current workspace" \
    || fail "Alpha stayed on workspace $(desktop_of "$alpha") ($(wmctrl -l))"
  poll 10 frame_is "$alpha" "$alpha_saved" || fail "Alpha not placed: $(frame "$alpha")"
  alert=$(xdotool search --name '^(Error|Layout Partly Restored)$' 2>/dev/null | head -1)
  [ -z "$alert" ] || fail "an error alert followed the prompt"
else
  fail "no workspace prompt; log: $(cat "$log")"
fi

# --- The preset shortcut puts the focused window on the left half of the visible frame.
left_half="0 30 800 870"
xdotool windowactivate --sync "$beta"
poll 5 eval '[ "$(xprop -root _NET_ACTIVE_WINDOW | sed "s/.*# //")" = "$(printf 0x%x "$beta")" ]'
xdotool key ctrl+alt+shift+Left
if poll 10 frame_is "$beta" "$left_half"; then
  pass "Ctrl+Alt+Shift+Left put Beta on the left half ($left_half)"
else
  fail "left half: Beta $(frame "$beta"), want $left_half"
fi
frame_is "$alpha" "$alpha_saved" || fail "the preset moved Alpha too: $(frame "$alpha")"

# --- A click on the tray icon opens the 300 x 450 popover; a click elsewhere closes it.
popover_id() {
  xwininfo -root -tree | awk '/"vantrel" "Vantrel"/ && / 300x450\+/{print $1}' |
    while read -r id; do xwininfo -id "$id" | grep -q IsViewable && echo "$id"; done | head -1
}
popover_shown() { [ -n "$(popover_id)" ]; }
popover_hidden() { ! popover_shown; }
# Sets x y w h to a window's client area.
place() {
  eval "$(xwininfo -id "$1" | awk '/Absolute upper-left X/{print "x="$4}
    /Absolute upper-left Y/{print "y="$4}/Width:/{print "w="$2}/Height:/{print "h="$2}')"
}
point_at_tray_icon() { place "$(tray_icon)"; xdotool mousemove $((x + w / 2)) $((y + h / 2)); }
point_at_tray_icon; xdotool click 1
poll 10 popover_shown && pass "the tray icon opened the popover" || fail "no popover after a click"
xdotool mousemove 800 800 click 1
poll 10 popover_hidden || fail "a click outside left the popover open"

# --- A right click on the tray icon opens its menu: "Window Layouts", then the layouts. The
# keyboard picks "Desk" (Down, Down, Return), and the windows move.
# The menu is an unmanaged window straight under the root; the hidden popover is not viewable.
tray_menu() {
  xwininfo -root -children | awk '/"vantrel" "Vantrel"/ && !/ 300x450\+/{print $1}' |
    while read -r id; do xwininfo -id "$id" | grep -q IsViewable && echo "$id"; done | head -1
}
tray_menu_shown() { [ -n "$(tray_menu)" ]; }
scramble || fail "the windows could not be scrambled"
point_at_tray_icon; xdotool click 3
if poll 10 tray_menu_shown; then
  pass "a right click opened the tray menu"
  xdotool key Down Down Return
  poll 10 restored && pass "choosing Desk in the tray menu restored the layout" \
    || fail "tray menu: Alpha $(frame "$alpha") (want $alpha_saved), Beta $(frame "$beta")"
  poll 10 eval '! tray_menu_shown' || fail "the tray menu stayed open"
else
  fail "no tray menu after a right click"
fi

# --- A second start on this display says so, wakes the first (its popover) and exits 0.
second=$(timeout 20 "$vantrel" 2>"$work/second.err" >"$work/second.out"; echo $?)
[ "$second" = 0 ] && pass "the second start exited 0" || fail "the second start exited $second"
grep -qx "Vantrel is already running." "$work/second.err" \
  && pass "the second start said: $(cat "$work/second.err")" \
  || fail "second start stderr: '$(cat "$work/second.err")'"
grep -q "Vantrel started" "$work/second.out" && fail "the second start launched: $(cat "$work/second.out")"
kill -0 "$vantrel_pid" 2>/dev/null && pass "the first instance still runs" || die "the first instance is gone"
poll 10 popover_shown && pass "the first instance showed its popover" \
  || fail "the second start did not bring up the popover"
xdotool mousemove 800 800 click 1
poll 10 popover_hidden || fail "a click outside left the popover open"
check_layout_shortcut "after the second start"
[ "$(grep -c "Vantrel started" "$log")" = 1 ] || fail "the first instance launched again"
grep -q "Failed to register hotkey" "$log" && fail "a hotkey was refused: $(cat "$log")"

# --- A crashed instance's lock and socket do not block the next start. This one has not been
# through onboarding: the welcome window opens, with a close button only and one fixed size.
kill -9 "$vantrel_pid"
wait "$vantrel_pid" 2>/dev/null
write_config false
start_vantrel
poll 20 grep -q "Vantrel started" "$log" && pass "started over a crashed instance's leftovers" \
  || die "no start after a crash: $(cat "$log")"
poll 10 has_tray_icon || fail "no tray icon after the restart"
welcome() { wmctrl -l | awk '/Welcome to Vantrel$/{print $1}' | head -1; }
has_welcome() { [ -n "$(welcome)" ]; }
if poll 10 has_welcome; then
  w=$(welcome)
  # Asked of every window manager: move and close only, a title, no minimise or maximise button.
  read -r _ functions decorations _ < <(xprop -id "$w" _MOTIF_WM_HINTS | sed 's/.*= //; s/,//g')
  if [ -n "${functions:-}" ] && (( (functions & 0x18) == 0 && (decorations & 0x60) == 0 &&
                                   (functions & 0x20) != 0 )); then
    pass "the welcome window asks for no minimise or maximise (functions $functions)"
  else
    fail "the welcome window's _MOTIF_WM_HINTS: $(xprop -id "$w" _MOTIF_WM_HINTS)"
  fi
  # What openbox grants (it keeps minimise for every normal window, whatever the hints).
  actions=$(xprop -id "$w" _NET_WM_ALLOWED_ACTIONS)
  for action in MAXIMIZE_HORZ MAXIMIZE_VERT RESIZE; do
    [[ "$actions" == *"_NET_WM_ACTION_$action"* ]] && fail "the welcome window allows $action: $actions"
  done
  [[ "$actions" == *_NET_WM_ACTION_CLOSE* ]] || fail "the welcome window cannot be closed: $actions"
  hints=$(xprop -id "$w" WM_NORMAL_HINTS)
  min=$(echo "$hints" | sed -n 's/.*minimum size: //p')
  max=$(echo "$hints" | sed -n 's/.*maximum size: //p')
  [ "$min" = "500 by 400" ] && [ "$min" = "$max" ] \
    && pass "the welcome window has one fixed size, $min" \
    || fail "the welcome window's size hints: $hints"
  read -r _ _ ww2 wh2 < <(xwininfo -id "$w" | awk '/Width:/{w=$2}/Height:/{h=$2}END{print 0,0,w,h}')
  [ "${ww2}x${wh2}" = "500x400" ] || fail "the welcome window is ${ww2}x${wh2}, want 500x400"
  # "Close apps not in this layout" leaves Vantrel's own windows alone (run from the build tree,
  # without its desktop entry installed).
  check_layout_shortcut "with the welcome window open"
  [ "$(welcome)" = "$w" ] && kill -0 "$vantrel_pid" 2>/dev/null \
    && pass "closing other apps left Vantrel's own window open" \
    || fail "closing other apps closed Vantrel's welcome window"
else
  fail "no welcome window before onboarding"
fi

# --- Restores: the last one pressed wins, and Quit stops a long one at once. "Long" moves Alpha
# back and forth through 10,000 windows (about ten minutes).
write_config true
python3 -c '
import json, sys
layouts = json.load(open(sys.argv[1]))
long = dict(layouts[0], id="7C2F5E90-3D4E-4F60-8B12-C3D4E5F60718", name="Long", shortcutKeyCode=20)
long["windows"] = [dict(layouts[0]["windows"][0], frameX=200 + 40 * (i % 2), frameY=200,
                        frameWidth=400, frameHeight=300) for i in range(10000)]
json.dump(layouts + [long], open(sys.argv[1], "w"))' "$XDG_DATA_HOME/Vantrel/layouts.json"
kill "$vantrel_pid"; wait "$vantrel_pid" 2>/dev/null
start_vantrel
poll 20 grep -q "Vantrel started" "$log" || die "no start with the long layout: $(cat "$log")"
long_running() { frame_is "$alpha" "200 200 400 300" || frame_is "$alpha" "240 200 400 300"; }
stops() { grep -c "WindowService: Stopped restoring Long after" "$log"; }
xdotool key ctrl+alt+3
poll 10 long_running || fail "Ctrl+Alt+3 did not start the long restore: Alpha $(frame "$alpha")"
xdotool key ctrl+alt+1
poll 10 eval '[ "$(stops)" = 1 ]' && poll 10 restored && pass "Ctrl+Alt+1 stopped Long and won" \
  || fail "the older restore kept going: Alpha $(frame "$alpha"), log: $(tail -3 "$log")"
xdotool key ctrl+alt+3
poll 10 long_running || fail "Ctrl+Alt+3 did not start the long restore again"
quit_started=$(date +%s%N)
"$vantrel" --quit || fail "vantrel --quit failed"
poll 10 eval '! kill -0 "$vantrel_pid"' \
  && pass "Quit ended a restore and the process in $((($(date +%s%N) - quit_started) / 1000000)) ms" \
  || fail "still running 10 s after Quit: $(tail -3 "$log")"
wait "$vantrel_pid"; status=$?
[ "$status" = 0 ] && [ "$(stops)" = 2 ] || fail "Quit: status $status, log: $(tail -3 "$log")"

# The long layout has done its part.
python3 - "$XDG_DATA_HOME/Vantrel/layouts.json" <<'PY'
import json, sys
layouts = [l for l in json.load(open(sys.argv[1])) if l["name"] != "Long"]
json.dump(layouts, open(sys.argv[1], "w"))
PY

# --- Quit. Every way, several times over, so that a race shows: a click on Quit after the pointer
# rested on the tray icon until its tooltip came up, with Preferences open, with the editor open,
# from the tray icon's menu, and Ctrl+Q in the editor and in a question. Each time the process ends with status 0, another
# program can take the layout's shortcut (Ctrl+Alt+1), and the single-instance lock is gone.
kill "$vantrel_pid" 2>/dev/null
wait "$vantrel_pid" 2>/dev/null
write_config true
# A second layout on Ctrl+Alt+Left, which openbox keeps for switching desktops.
python3 - "$XDG_DATA_HOME/Vantrel/layouts.json" <<'PY'
import json, sys
path = sys.argv[1]
layouts = json.load(open(path))
blocked = dict(layouts[0], id="0B10C4ED-1B2C-4D5E-8F90-A1B2C3D4E5F6", name="Blocked",
               shortcutKeyCode=123)
json.dump(layouts + [blocked], open(path, "w"))
PY
read -r quit_x quit_y < <(QT_QPA_PLATFORM=offscreen "$gallery" --locate quitButton | tail -1)
read -r prefs_x prefs_y < <(QT_QPA_PLATFORM=offscreen "$gallery" --locate preferencesButton | tail -1)
[ -n "${quit_x:-}" ] && [ -n "${prefs_x:-}" ] || die "the gallery did not locate the footer buttons"

# Ended: gone, or a zombie waiting for this shell.
exited() { local s; s=$(ps -o stat= -p "$1" 2>/dev/null); [ -z "$s" ] || [[ "$s" == Z* ]]; }
# A viewable window of ours: the tray icon's tooltip, or its menu (neither icon nor popover).
tooltip() {
  for id in $(xdotool search --onlyvisible --class Vantrel 2>/dev/null); do
    xprop -id "$id" _NET_WM_WINDOW_TYPE | grep -q _NET_WM_WINDOW_TYPE_TOOLTIP && echo "$id" && return
  done; return 1
}
tray_menu() {
  for id in $(xdotool search --onlyvisible --class Vantrel 2>/dev/null); do
    place "$id"; (( w >= 60 && h >= 40 && h < 200 )) && echo "$id" && return
  done; return 1
}
has_window_titled() { wmctrl -l | grep -q " $1\$"; }
started() {
  start_vantrel
  poll 20 has_tray_icon && poll 10 grep -q "Vantrel started" "$log" || die "no start: $(cat "$log")"
}
# Right after start the icon may not take clicks yet: click again while nothing shows.
open_with_click() { # button condition
  for attempt in 1 2 3 4 5; do
    "$2" >/dev/null && return 0
    point_at_tray_icon; xdotool click "$1"
    poll 3 "$2" >/dev/null && return 0
  done
  die "nothing opened with button $1 on the tray icon"
}
click_popover_at() { # x y, from the popover's corner
  open_with_click 1 popover_shown
  place "$(popover_id)"
  xdotool mousemove $((x + $1)) $((y + $2)) click 1
}
# Down enters the list, F2 opens the first layout's editor.
open_editor_by_keyboard() {
  open_with_click 1 popover_shown
  xdotool key Down F2
  poll 10 has_window_titled "Edit Layout" || die "no editor from the keyboard"
}
check_quit() { # how
  if ! poll 15 exited "$vantrel_pid"; then
    fail "$1: still running after Quit: $(tail -3 "$log")"
    kill "$vantrel_pid"; wait "$vantrel_pid" 2>/dev/null; return
  fi
  wait "$vantrel_pid"; local status=$?
  [ "$status" = 0 ] || fail "$1: exit status $status"
  "$xprobe" grab-key 0x31 0x0c || fail "$1: Ctrl+Alt+1 is still taken after quitting"
  compgen -G "$XDG_RUNTIME_DIR/vantrel-*.lock" >/dev/null && fail "$1: the lock is left"
  pass "$1: quit (status $status), Ctrl+Alt+1 free, no lock"
}

for round in 1 2 3; do
  started
  if [ "$round" = 1 ]; then
    # The shortcut openbox holds: the old line, and one naming the keys and the layout.
    grep -q "HotkeyService: Failed to register hotkey: -9878" "$log" &&
      grep -qx "HotkeyService: The shortcut Ctrl+Alt+Left of the layout Blocked does not work: Another program uses this shortcut" "$log" &&
      pass "the held shortcut was logged with its keys and layout" ||
      fail "no line for the held shortcut: $(cat "$log")"
  fi
  point_at_tray_icon
  poll 10 tooltip >/dev/null || fail "no tooltip on the tray icon"
  click_popover_at "$quit_x" "$quit_y"
  check_quit "Quit after the tooltip, round $round"

  started
  click_popover_at "$prefs_x" "$prefs_y"
  poll 10 has_window_titled Preferences || fail "no Preferences window"
  click_popover_at "$quit_x" "$quit_y"
  check_quit "Quit with Preferences open, round $round"

  started
  open_editor_by_keyboard
  click_popover_at "$quit_x" "$quit_y"
  check_quit "Quit with the editor open, round $round"

  started
  open_with_click 3 tray_menu
  place "$(tray_menu)"
  xdotool mousemove $((x + w / 2)) $((y + h - 12)) click 1  # "Quit Vantrel", the last entry
  check_quit "Quit from the tray menu, round $round"

  started
  open_editor_by_keyboard
  xdotool key ctrl+q
  check_quit "Ctrl+Q in the editor, round $round"

  # A question open in its own event loop: quitting answers it with its cancel.
  started
  open_with_click 1 popover_shown
  xdotool key Down Delete
  poll 10 eval 'xdotool search --onlyvisible --name "Delete \"Desk\"" >/dev/null' ||
    fail "no delete question"
  xdotool key ctrl+q
  check_quit "Ctrl+Q with the delete question open, round $round"
  grep -q '"Desk"' "$XDG_DATA_HOME/Vantrel/layouts.json" || fail "quitting deleted the layout"
done

# --- The command line over a private session bus: `vantrel restore` ends with the windows
# placed, and `vantrel list --json` is JSON naming the layouts.
if command -v dbus-daemon >/dev/null; then
  read -r bus_address bus_pid < <(dbus-daemon --session --fork --print-address=1 --print-pid=1 | xargs)
  pids+=("$bus_pid")
  export DBUS_SESSION_BUS_ADDRESS=$bus_address
  started
  poll 20 "$vantrel" list >/dev/null || fail "vantrel list never answered: $(cat "$log")"
  scramble || fail "the windows could not be scrambled for vantrel restore"
  out=$("$vantrel" restore Desk --no-close 2>&1) && restored && pass "vantrel restore: $out" \
    || fail "vantrel restore: '$out', Alpha $(frame "$alpha"), Beta $(frame "$beta")"
  "$vantrel" list --json | python3 -c 'import json, sys
assert [l["name"] for l in json.load(sys.stdin)][:2] == ["Desk", "Elsewhere"]' \
    && pass "vantrel list --json parses" || fail "vantrel list --json: $("$vantrel" list --json 2>&1)"
  "$vantrel" --quit && check_quit "vantrel --quit after the command line"
  kill "$bus_pid"; unset DBUS_SESSION_BUS_ADDRESS
fi

# --- Losing the X server: our line, and status 1.
start_vantrel
poll 20 grep -q "Vantrel started" "$log" || die "no start before the X server goes: $(cat "$log")"
kill "${pids[0]}"
poll 10 eval '! kill -0 "$vantrel_pid"' || fail "Vantrel outlived its X server"
wait "$vantrel_pid"; status=$?
[ "$status" = 1 ] && grep -q "Lost the connection to the X server" "$log" \
  && pass "the X server's end: status 1, $(grep -m1 'Lost the connection' "$log")" \
  || fail "after the X server ended: status $status, log: $(tail -3 "$log")"

[ "$failures" -eq 0 ] && echo "all end-to-end checks passed"
[ "$failures" -eq 0 ]
