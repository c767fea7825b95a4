#!/usr/bin/env bash
# The vantrel executable on a private desktop (Xvfb, openbox, trayer): what only a real desktop
# shows. Shortcuts through the window manager (a layout, one on another workspace, a preset), the
# tray icon's popover and menu, one instance per display, the welcome window's decorations,
# Quit during a long restore and in every other way (shortcuts and lock released), a missing or
# lost display. (--version: the package test; the command line: the D-Bus test and the KWin and
# GNOME end-to-end tests; a shortcut another program holds: the hotkey tests.)
# Usage: vantrel-e2e.sh VANTREL TESTCLIENT GALLERY
set -uo pipefail

vantrel=$1 testclient=$2 gallery=$3
for tool in Xvfb openbox trayer xdotool wmctrl xwininfo xprop; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done

work=$(mktemp -d /tmp/vantrel-e2e-XXXXXX)
mkdir -p "$work/home" "$work/run" "$work/data/Vantrel" "$work/config/Vantrel"
chmod 700 "$work/run"
export HOME="$work/home" XDG_RUNTIME_DIR="$work/run" XDG_DATA_HOME="$work/data"
export XDG_CONFIG_HOME="$work/config"
# The tray must be the X one (XEmbed), not a status-notifier host on some session bus.
unset DBUS_SESSION_BUS_ADDRESS WAYLAND_DISPLAY XDG_SESSION_TYPE XDG_CURRENT_DESKTOP
export QT_QPA_PLATFORM=xcb
# In the sanitizer builds: a whole Qt program keeps fonts and plugins until exit, so a leak report
# of the second start would only be noise; memory errors still end it.
export ASAN_OPTIONS="detect_leaks=0${ASAN_OPTIONS:+:$ASAN_OPTIONS}"
log="$work/vantrel.log"

pids=()
failures=0
source "$(dirname "$0")/e2e-lib.sh"
trap cleanup EXIT

# --- Without a usable session: --help answers and exits 0; anything else is one line saying what
# is missing, and status 1 (not an abort). A Wayland session is never served through XWayland.
out=$(env -u DISPLAY "$vantrel" --help 2>&1) && [[ "$out" == Usage:* ]] \
  && pass "--help without a display" || fail "--help: '$out'"
refused() { # the line's pattern, then the variables set (the session's others are unset, no bus)
  local want=$1; shift
  out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u XDG_SESSION_TYPE -u XDG_CURRENT_DESKTOP \
    DBUS_SESSION_BUS_ADDRESS= XDG_RUNTIME_DIR="$work" "$@" "$vantrel" 2>&1)
  [ $? = 1 ] && [[ "$out" == $want ]] && pass "$* -> $out" || fail "$*: '$out'"
}
x="Vantrel: Cannot use the X display: " w="Vantrel: Cannot arrange windows in this Wayland session: "
refused "${x}DISPLAY is not set. Vantrel needs an X11 display*"
refused "${x}cannot connect to the X display :9876*" DISPLAY=:9876
refused "${x}DISPLAY=nonsense does not name an X display" DISPLAY=nonsense
refused "${w}only KDE Plasma's KWin and GNOME Shell let Vantrel place windows on Wayland;*" WAYLAND_DISPLAY=wayland-0 DISPLAY=:9876
refused "${w}No Wayland display is set" XDG_SESSION_TYPE=wayland XDG_CURRENT_DESKTOP=ubuntu:GNOME DISPLAY=:9876
refused "${w}?*" XDG_SESSION_TYPE=wayland XDG_CURRENT_DESKTOP=KDE DISPLAY=:9876

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
# A loaded machine can keep trayer from taking the selection for a long while; started again
# once when it does not (it has been seen to exit early, like openbox).
for attempt in 1 2; do
  trayer --edge bottom --align right --widthtype request --height 24 >>"$work/trayer.log" 2>&1 &
  pids+=($!)
  poll 30 "$testclient" --selection-owner _NET_SYSTEM_TRAY_S0 >/dev/null && break
  kill "$!" 2>/dev/null
  [ "$attempt" -eq 2 ] && die "trayer did not take the tray selection: $(cat "$work/trayer.log")"
done

# --- Two client windows of two applications, and a panel that reserves the top 30 rows: the
# visible frame is smaller than the screen.
for client in "Alpha E2eAlpha 300x200+400+300" "Beta E2eBeta 320x240+500+350"; do
  read -r title class geometry <<<"$client"
  "$testclient" --title "$title" --instance "${class,,}" --class "$class" --geometry "$geometry" \
    </dev/null >"$work/client-$title.log" 2>&1 &
  pids+=($!)
done
"$testclient" --title Panel --dock-top 30 --geometry 1600x30+0+0 </dev/null >/dev/null 2>&1 &
pids+=($!)
workarea() { xprop -root _NET_WORKAREA | sed 's/.*= //; s/,//g' | cut -d' ' -f1-4; }
poll 10 eval '[ "$(workarea)" = "0 30 1600 870" ]' || die "the panel reserved no space: $(workarea)"
poll 10 eval '[ "$(wmctrl -l | grep -c -E " (Alpha|Beta)\$")" -eq 2 ]' ||
  die "the client windows were not managed"
id_of() { xdotool search --name "^$1\$" | head -1; }
alpha=$(id_of Alpha) beta=$(id_of Beta)

# Sets x y w h to a window's client area.
place() {
  eval "$(xwininfo -id "$1" | awk '/Absolute upper-left X/{print "x="$4}
    /Absolute upper-left Y/{print "y="$4}/Width:/{print "w="$2}/Height:/{print "h="$2}')"
}
# "x y width height" of the outer frame: the client area plus the frame extents.
frame() {
  local x y w h l r t b
  place "$1"
  read -r l r t b < <(xprop -id "$1" _NET_FRAME_EXTENTS | sed 's/.*= //; s/,//g')
  echo "$((x - l)) $((y - t)) $((w + l + r)) $((h + t + b))"
}
frame_is() { [ "$(frame "$1")" = "$2" ]; }

# --- The layouts: Desk (Ctrl+Alt+1), Elsewhere (Ctrl+Alt+2: Alpha on the second workspace), and
# when asked for, Long (Ctrl+Alt+3: Alpha back and forth through 10,000 windows, about ten minutes).
alpha_saved="100 100 500 400"
beta_saved="700 150 600 500"
write_layouts() { # [Long]
  python3 - "$XDG_DATA_HOME/Vantrel/layouts.json" "$@" <<'PY'
import json, sys
def window(app, x, y, w, h, **more):
    return dict(appBundleID=app, appName=app, windowTitle=app[3:], windowIndex=0, frameX=x,
                frameY=y, frameWidth=w, frameHeight=h, displayID=0, isMinimized=False,
                isFullscreen=False, **more)
def layout(uuid, name, key, windows, **more):
    return dict(id=uuid + "-1B2C-4D5E-8F90-A1B2C3D4E5F6", name=name, shortcutKeyCode=key,
                shortcutModifiers=786432, windows=windows, triggerOnDisplayChange=False,
                triggerApps=[], createdAt="2026-01-01T00:00:00Z",
                modifiedAt="2026-01-01T00:00:00Z", **more)
alpha = window("E2eAlpha", 100, 100, 500, 400)
layouts = [layout("5A0D3C7E", "Desk", 18, [alpha, window("E2eBeta", 700, 150, 600, 500)],
                  closeOtherApps=True),
           layout("6B1E4D8F", "Elsewhere", 19, [dict(alpha, spaceIndex=2)])]
if "Long" in sys.argv:
    layouts.append(layout("7C2F5E90", "Long", 20, closeOtherApps=True, windows=[
        dict(alpha, frameX=200 + 40 * (i % 2), frameY=200, frameWidth=400, frameHeight=300)
        for i in range(10000)]))
json.dump(layouts, open(sys.argv[1], "w"))
PY
}
write_config() { # hasCompletedOnboarding value
  cat >"$XDG_CONFIG_HOME/Vantrel/Vantrel.conf" <<CONF
[General]
hasCompletedOnboarding=$1
presetShortcuts="@ByteArray({\"Left Half\":{\"keyCode\":123,\"modifiers\":917504}})"
CONF
}
write_layouts
write_config true

# --- Start: the tray icon is embedded in trayer.
start_vantrel() {
  : >"$log"  # emptied here, so that no check reads the previous start's lines
  "$vantrel" >>"$log" 2>&1 &
  vantrel_pid=$!
  pids+=($vantrel_pid)
}
# The icon: a window of class Vantrel that trayer has taken in (not a child of the root).
tray_icon() {
  local root
  root=$(xwininfo -root | awk '/Window id/{print $4}')
  xwininfo -root -tree | awk '/"vantrel" "Vantrel"/{print $1}' |
    while read -r id; do
      parent=$(xwininfo -children -id "$id" | awk '/Parent window id/{print $4}')
      [ "$parent" != "$root" ] && xwininfo -id "$id" | grep -q IsViewable && { echo "$id"; break; }
    done
}
has_tray_icon() { [ -n "$(tray_icon)" ]; }
started() {
  start_vantrel
  poll 20 has_tray_icon && poll 10 grep -q "Vantrel started" "$log" || die "no start: $(cat "$log")"
}
started

# --- The layout shortcut restores both windows exactly.
# The window has taken both requests: the new size, and the frame near the new place.
moved() { # window x y width height
  local f
  read -r -a f < <(frame "$1")
  (( f[0] >= $2 - 20 && f[0] <= $2 + 20 && f[1] >= $3 - 40 && f[1] <= $3 + 40 )) &&
    xwininfo -id "$1" | grep -q "Width: $4" && xwininfo -id "$1" | grep -q "Height: $5"
}
scramble() {
  xdotool windowsize "$alpha" 250 220 windowmove "$alpha" 900 500
  xdotool windowsize "$beta" 260 230 windowmove "$beta" 200 520
  poll 5 moved "$alpha" 900 500 250 220 && poll 5 moved "$beta" 200 520 260 230 ||
    fail "the windows could not be scrambled"
}
restored() { frame_is "$alpha" "$alpha_saved" && frame_is "$beta" "$beta_saved"; }
check_layout_shortcut() {
  scramble
  xdotool key ctrl+alt+1
  poll 10 restored && pass "Ctrl+Alt+1 restored the layout $1" ||
    fail "layout $1: Alpha $(frame "$alpha") (want $alpha_saved), Beta $(frame "$beta") (want" \
      "$beta_saved); log: $(cat "$log")"
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
  check "Restore This Time brought Alpha to the current workspace" \
    poll 10 eval '[ "$(desktop_of "$alpha")" = 0 ]'
  check "Alpha placed" poll 10 frame_is "$alpha" "$alpha_saved"
  check "no error alert followed the prompt" \
    eval '[ -z "$(xdotool search --name "^(Error|Layout Partly Restored)\$" | head -1)" ]'
else
  fail "no workspace prompt; log: $(cat "$log")"
fi

# --- The preset shortcut puts the focused window on the left half of the visible frame.
xdotool windowactivate --sync "$beta"
poll 5 eval '[ "$(xprop -root _NET_ACTIVE_WINDOW | sed "s/.*# //")" = "$(printf 0x%x "$beta")" ]'
xdotool key ctrl+alt+shift+Left
check "Ctrl+Alt+Shift+Left put Beta on the left half" poll 10 frame_is "$beta" "0 30 800 870"

# The 300 x 450 popover, shown.
popover_id() {
  xwininfo -root -tree | awk '/"vantrel" "Vantrel"/ && / 300x450\+/{print $1}' |
    while read -r id; do xwininfo -id "$id" | grep -q IsViewable && echo "$id"; done | head -1
}
popover_shown() { [ -n "$(popover_id)" ]; }
point_at_tray_icon() { place "$(tray_icon)"; xdotool mousemove $((x + w / 2)) $((y + h / 2)); }

# The viewable windows of ours whose _NET_WM_WINDOW_TYPE matches, such as the tooltip's.
ours_typed() {
  local found=1
  for id in $(xdotool search --onlyvisible --class Vantrel 2>/dev/null); do
    xprop -id "$id" _NET_WM_WINDOW_TYPE | grep -q "$1" && echo "$id" && found=0
  done; return $found
}
# The tray icon's menu: a viewable popup (override-redirect) of the plain type only (the icon's
# adds KDE's override type, the tooltip has its own) that is not the 300 x 450 popover.
tray_menu() {
  for id in $(ours_typed "= _NET_WM_WINDOW_TYPE_NORMAL$"); do
    xwininfo -id "$id" | grep -q "Override Redirect State: yes" &&
      ! xwininfo -id "$id" | grep -q "Width: 300$" && echo "$id" && return
  done; return 1
}

# --- A second start on this display says so, wakes the first (its popover) and exits 0.
second=$(timeout 20 "$vantrel" 2>"$work/second.err" >"$work/second.out"; echo $?)
[ "$second" = 0 ] && grep -qx "Vantrel is already running." "$work/second.err" &&
  ! grep -q "Vantrel started" "$work/second.out" && pass "the second start stood back" ||
  fail "second start: status $second, '$(cat "$work/second.err" "$work/second.out")'"
kill -0 "$vantrel_pid" 2>/dev/null || die "the first instance is gone"
check "the second start brought up the first one's popover" poll 10 popover_shown
xdotool mousemove 800 800 click 1
check "a click outside closed the popover" poll 10 eval '! popover_shown'

# --- A crashed instance's lock and socket do not block the next start. This one has not been
# through onboarding: the welcome window opens, with a close button only and one fixed size.
kill -9 "$vantrel_pid"
wait "$vantrel_pid" 2>/dev/null
write_config false
started  # over a crashed instance's leftovers
welcome() { wmctrl -l | awk '/Welcome to Vantrel$/{print $1}' | head -1; }
if poll 10 eval '[ -n "$(welcome)" ]'; then
  win=$(welcome)
  # Asked of every window manager: move and close only, a title, no minimise or maximise button.
  read -r _ functions decorations _ < <(xprop -id "$win" _MOTIF_WM_HINTS | sed 's/.*= //; s/,//g')
  [ -n "${functions:-}" ] && (( (functions & 0x18) == 0 && (decorations & 0x60) == 0 &&
                                 (functions & 0x20) != 0 )) &&
    pass "the welcome window asks for no minimise or maximise (functions $functions)" ||
    fail "the welcome window's _MOTIF_WM_HINTS: $(xprop -id "$win" _MOTIF_WM_HINTS)"
  hints=$(xprop -id "$win" WM_NORMAL_HINTS)
  size=$(xwininfo -id "$win" | awk '/Width:/{w=$2}/Height:/{h=$2}END{print w "x" h}')
  [[ "$hints" == *"minimum size: 500 by 400"*"maximum size: 500 by 400"* && $size = 500x400 ]] &&
    pass "the welcome window has one fixed size, $size" ||
    fail "the welcome window is $size, size hints: $hints"
  # "Close apps not in this layout" leaves Vantrel's own windows alone (run from the build tree,
  # without its desktop entry installed).
  check_layout_shortcut "with the welcome window open"
  check "closing other apps left Vantrel's welcome window open" \
    eval '[ "$(welcome)" = "$win" ] && kill -0 "$vantrel_pid"'
else
  fail "no welcome window before onboarding"
fi

# --- Quit stops a long restore at once. (The last restore pressed wins: the automation tests.)
# Each Quit: the process ends with status 0, another program can take the layout's shortcut
# (Ctrl+Alt+1), and the single-instance lock is gone.
check_quit() { # how
  if ! poll 15 exited "$vantrel_pid"; then
    fail "$1: still running after Quit: $(tail -3 "$log")"
    kill "$vantrel_pid"; wait "$vantrel_pid" 2>/dev/null; return
  fi
  wait "$vantrel_pid"; local status=$?
  [ "$status" = 0 ] || fail "$1: exit status $status"
  printf 'grab 31 c\nquit\n' | "$testclient" --title Probe | grep -qx grabbed ||
    fail "$1: Ctrl+Alt+1 is still taken after quitting"
  compgen -G "$XDG_RUNTIME_DIR/vantrel-*.lock" >/dev/null && fail "$1: the lock is left"
  pass "$1: quit (status $status), Ctrl+Alt+1 free, no lock"
}
write_config true
write_layouts Long
kill "$vantrel_pid"; wait "$vantrel_pid" 2>/dev/null
started
long_running() { frame_is "$alpha" "200 200 400 300" || frame_is "$alpha" "240 200 400 300"; }
xdotool key ctrl+alt+3
check "Ctrl+Alt+3 started the long restore" poll 10 long_running
"$vantrel" --quit || fail "vantrel --quit failed"
check_quit "Quit during the long restore"
check "Quit stopped the long restore" \
  eval '[ "$(grep -c "WindowService: Stopped restoring Long after" "$log")" = 1 ]'

# --- Quit. Every way, several times over, so that a race shows: a click on Quit after the pointer
# rested on the tray icon until its tooltip came up, with Preferences open, with the editor open,
# from the tray icon's menu, and Ctrl+Q in the editor and in a question.
write_layouts
read -r quit_x quit_y < <(QT_QPA_PLATFORM=offscreen "$gallery" --locate quitButton | tail -1)
read -r prefs_x prefs_y < <(QT_QPA_PLATFORM=offscreen "$gallery" --locate preferencesButton | tail -1)
[ -n "${quit_x:-}" ] && [ -n "${prefs_x:-}" ] || die "the gallery did not locate the footer buttons"

has_window_titled() { wmctrl -l | grep -q " $1\$"; }
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
keys_in_popover() { open_with_click 1 popover_shown; xdotool key "$@"; }
# On a loaded machine the first keys or click can reach a popover that does not take input
# yet: try again while the window they open is not there.
until_shown() { # condition action...
  local condition=$1; shift
  for attempt in 1 2 3; do "$@"; poll 10 "$condition" && return 0; done
  return 1
}
preferences_shown() { has_window_titled Preferences; }
editor_shown() { has_window_titled "Edit Layout"; }
# Down enters the list, F2 opens the first layout's editor.
open_editor_by_keyboard() {
  until_shown editor_shown keys_in_popover Down F2 || die "no editor from the keyboard"
}

for round in 1 2 3; do
  started
  point_at_tray_icon
  poll 10 ours_typed _NET_WM_WINDOW_TYPE_TOOLTIP >/dev/null || fail "no tooltip on the tray icon"
  click_popover_at "$quit_x" "$quit_y"
  check_quit "Quit after the tooltip, round $round"

  started
  until_shown preferences_shown click_popover_at "$prefs_x" "$prefs_y" || fail "no Preferences window"
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
  keys_in_popover Down Delete
  poll 10 eval 'xdotool search --onlyvisible --name "Delete \"Desk\"" >/dev/null' ||
    fail "no delete question"
  xdotool key ctrl+q
  check_quit "Ctrl+Q with the delete question open, round $round"
  grep -q '"Desk"' "$XDG_DATA_HOME/Vantrel/layouts.json" || fail "quitting deleted the layout"
done

# --- Losing the X server amid a restore that writes to it: our line and status 1, not death by
# the signal a write to the closed connection raises.
write_layouts Long
started
xdotool key ctrl+alt+3
check "Ctrl+Alt+3 started the long restore before the X server ends" poll 10 long_running
kill "${pids[0]}"
poll 10 eval '! kill -0 "$vantrel_pid"' || fail "Vantrel outlived its X server"
wait "$vantrel_pid"; status=$?
[ "$status" = 1 ] && grep -q "Lost the connection to the X server" "$log" \
  && pass "the X server's end: status 1, $(grep -m1 'Lost the connection' "$log")" \
  || fail "after the X server ended: status $status, log: $(tail -3 "$log")"

[ "$failures" -eq 0 ] && echo "all end-to-end checks passed"
[ "$failures" -eq 0 ]
