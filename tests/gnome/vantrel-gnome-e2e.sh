#!/usr/bin/env bash
# The vantrel executable in a headless GNOME Shell 43 (run through with-gnome-shell.sh with
# VANTREL_GNOME_TEST_EXTENSION=1): two Wayland windows and an XWayland one saved with `vantrel
# save`, restored by the layout's shortcut and by `vantrel restore`; `vantrel --quit` releases the
# shortcut and the extension. Prints how long the shortcut took.
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
source "$(dirname "$0")/../e2e/e2e-lib.sh"
begin_compositor_e2e gnome
faults='^(WindowService|HotkeyService|Gnome[A-Za-z]*):'
export XDG_SESSION_TYPE=wayland XDG_CURRENT_DESKTOP=GNOME

# Runs JavaScript in the Shell and prints the string it returns (Eval answers with its JSON).
shell_js() {
  local out
  out=$(gdbus call --session -d org.gnome.Shell -o /org/gnome/Shell -m org.gnome.Shell.Eval "$1") &&
    [[ "$out" == "(true, "* ]] || return 1
  sed -E "s/^\(true, '\"?//; s/\"?'\)\$//" <<<"$out"
}
# with-gnome-shell.sh has left the overview; Eval answers once the Shell is in unsafe mode.
poll 60 eval '[ "$(shell_js "String(true)")" = true ]' || die "no unsafe mode: Eval refused"

windows_js="global.get_window_actors().map(a => a.meta_window)"
# "x y width height" of the window titled $1, from Mutter.
frame() {
  shell_js "$windows_js.filter(w => w.get_title() === '$1').map(w => {
    const r = w.get_frame_rect(); return [r.x, r.y, r.width, r.height].join(' '); }).join()"
}
# A Wayland client says "mapped" once it drew its first configured frame: moved earlier, it may
# still be settling its first size.
window_ready() { { [ "$1" = xlogo ] || grep -qx mapped "$work/$1.out"; } && [ -n "$(frame "$1")" ]; }
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

# The keys are pressed by the Eval that makes them.
press_member=Eval
press() {
  shell_js "const C = imports.gi.Clutter;
    const k = globalThis.vantrelTestKeys ??= C.get_default_backend().get_default_seat()
      .create_virtual_device(C.InputDeviceType.KEYBOARD_DEVICE);
    const t = imports.gi.GLib.get_monotonic_time();
    [29, 56, 2].forEach(code => k.notify_key(t, code, C.KeyState.PRESSED));
    [2, 56, 29].forEach(code => k.notify_key(t, code, C.KeyState.RELEASED)); ''" >/dev/null
}
# Whether Ctrl+Alt+1 is free: Mutter grabs a combination for one holder at a time.
free() {
  [ "$(shell_js "const a = global.display.grab_accelerator('<Control><Alt>1', 0);
    if (a) global.display.ungrab_accelerator(a); String(a)")" != 0 ]
}
grabbed() { ! free; }
started() { :; }
register() {
  gdbus call --session -d app.vantrel.Shell -o /app/vantrel/Shell -m app.vantrel.Shell1.Register \
    >/dev/null
}
quit_done() {
  check "--quit released Ctrl+Alt+1" poll 30 free
  check "--quit left the extension to the next client" poll 30 register
}

compositor_e2e
