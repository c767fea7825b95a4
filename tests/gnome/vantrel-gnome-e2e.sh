#!/usr/bin/env bash
# The vantrel executable in a headless GNOME Shell 43 (run through with-gnome-shell.sh with
# VANTREL_GNOME_TEST_EXTENSION=1): two Wayland windows and an XWayland one saved with `vantrel
# save`, restored by the layout's shortcut and by `vantrel restore`; `vantrel --quit` releases the
# extension and the shortcut. Prints how long the shortcut took.
# The test arranges and reads windows through org.gnome.Shell.Eval, which the test-only extension
# opens by putting the Shell in unsafe mode: Mutter's own frames, independent of Vantrel's
# extension (whose calls only Vantrel, its registered owner, may make). The shortcut is pressed as
# keys: Ctrl, Alt and 1 as evdev key codes from a virtual keyboard made inside the Shell (what
# Mutter's RemoteDesktop sessions use), so Mutter's key handling, the grab and the extension's
# AcceleratorActivated are all covered; only the keyboard hardware is not. (A RemoteDesktop
# session itself drops the keys sent right after it starts, with nothing to wait for.)
# Usage: with-gnome-shell.sh vantrel-gnome-e2e.sh VANTREL WAYLAND_TESTCLIENT
set -uo pipefail

vantrel=$1 testclient=$2
[ -n "${DISPLAY:-}" ] && command -v xlogo >/dev/null ||
  { echo "SKIP: no XWayland or no xlogo"; exit 77; }
export XDG_SESSION_TYPE=wayland XDG_CURRENT_DESKTOP=GNOME

work=$(mktemp -d /tmp/vantrel-gnome-e2e-XXXXXX)
log="$work/vantrel.log"
pids=()
failures=0
source "$(dirname "$0")/../e2e/e2e-lib.sh"
trap cleanup EXIT
prepare_vantrel
faults='^(WindowService|HotkeyService|Gnome[A-Za-z]*):'

# Runs JavaScript in the Shell and prints the string it returns (Eval answers with its JSON).
shell_js() {
  local out
  out=$(gdbus call --session -d org.gnome.Shell -o /org/gnome/Shell -m org.gnome.Shell.Eval "$1") &&
    [[ "$out" == "(true, "* ]] || return 1
  sed -E "s/^\(true, '\"?//; s/\"?'\)\$//" <<<"$out"
}
poll 60 shell_js "''" >/dev/null || die "org.gnome.Shell.Eval never answered (no unsafe mode)"
# The Shell starts in the overview, as after a login: the windows come once it has gone.
overview_gone() {
  [ "$(shell_js "const o = imports.ui.main.overview; o.hide(); String(o.visible)")" = false ]
}
poll 60 overview_gone || die "the overview stayed"
windows_js="global.get_window_actors().map(a => a.meta_window)"
# "x y width height" of the window titled $1, from Mutter.
frame() {
  shell_js "$windows_js.filter(w => w.get_title() === '$1').map(w => {
    const r = w.get_frame_rect(); return [r.x, r.y, r.width, r.height].join(' '); }).join()"
}
# Moves windows as frames_are names them; again until they are there, as Mutter places a new
# window when it first shows it.
move_and_check() { shell_js "$move_js" >/dev/null && frames_are "$@"; }
arrange() {
  local f t x y w h
  move_js="const to = {"
  for f in "$@"; do read -r t x y w h <<<"$f"; move_js+="'$t': [$x, $y, $w, $h],"; done
  move_js+="}; $windows_js.forEach(w => to[w.get_title()] &&
    w.move_resize_frame(true, ...to[w.get_title()])); ''"
  poll 30 move_and_check "$@" ||
    fail "could not arrange: $(describe); the Shell: $(tail -5 "$VANTREL_GNOME_SHELL_LOG")"
}
# Whether Ctrl+Alt+1 is free: only one grab of a combination at a time.
shortcut_free() {
  [ "$(shell_js "const a = global.display.grab_accelerator('<Control><Alt>1', 0);
    if (a) global.display.ungrab_accelerator(a); String(a)")" != 0 ]
}

# --- Three windows of three applications: two Wayland ones and an X11 one through XWayland.
for w in Alpha Beta; do
  "$testclient" --app-id "e2e.${w,,}" --title "$w" --size 300x200 </dev/null >"$work/$w.out" 2>&1 &
  pids+=($!)
done
xlogo -geometry 200x150+0+0 </dev/null >/dev/null 2>&1 &
pids+=($!)
# A Wayland client says "mapped" once it drew its first configured frame: moved earlier, it
# may still be settling its first size.
for w in Alpha Beta; do poll 60 grep -qx mapped "$work/$w.out" || die "$w never drew"; done
for w in Alpha Beta xlogo; do
  poll 30 eval '[ -n "$(frame '$w')" ]' || die "GNOME Shell never showed the window $w"
done
saved=("Alpha 40 50 500 350" "Beta 600 80 420 300" "xlogo 300 450 360 240")
arrange "${saved[@]}"

# --- Vantrel saves them through the command line; the layout gets Ctrl+Alt+1 in its file, read
# at the next start.
start_vantrel
out=$("$vantrel" save Desk 2>&1) || fail "vantrel save: $out"
check "the layout file holds the three windows" eval '[ "$(windows_saved)" = 3 ]'
quit_vantrel
give_shortcut
start_vantrel
poll 30 eval '! shortcut_free' || fail "Vantrel never grabbed Ctrl+Alt+1; log: $(cat "$log")"

# --- The shortcut, pressed as keys, puts every window back.
scrambled=("Alpha 500 300 320 260" "Beta 30 420 380 280" "xlogo 700 60 240 200")
arrange "${scrambled[@]}"
press() {
  shell_js "const C = imports.gi.Clutter;
    const k = globalThis.vantrelTestKeys ??= C.get_default_backend().get_default_seat()
      .create_virtual_device(C.InputDeviceType.KEYBOARD_DEVICE);
    const t = imports.gi.GLib.get_monotonic_time();
    [29, 56, 2].forEach(code => k.notify_key(t, code, C.KeyState.PRESSED));
    [2, 56, 29].forEach(code => k.notify_key(t, code, C.KeyState.RELEASED)); ''" >/dev/null
}
# The bus's own timestamps time the shortcut: from the Eval that presses the keys to Vantrel's
# end of the restore, which comes once the Shell reported every frame.
monitor_bus Eval RestoreFinished
lines=$(($(wc -l <"$log") + 1))
start=$(date +%s%N)
press
if poll 30 frames_are "${saved[@]}"; then
  poll 10 eval '[ -n "$(bus_ms RestoreFinished)" ]'
  echo "shortcut to moved: $(( $(bus_ms RestoreFinished) - $(bus_ms Eval) )) ms on the" \
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

# --- Quit releases the shortcut and the extension: another client may register now.
quit_vantrel
check "--quit released Ctrl+Alt+1" poll 30 shortcut_free
register() {
  gdbus call --session -d app.vantrel.Shell -o /app/vantrel/Shell -m app.vantrel.Shell1.Register \
    >/dev/null
}
check "--quit left the extension to the next client" poll 30 register

[ "$failures" -eq 0 ] && echo "all GNOME end-to-end checks passed"
[ "$failures" -eq 0 ]
