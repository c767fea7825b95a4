#!/usr/bin/env bash
# Runs COMMAND inside a fresh headless GNOME Shell with Vantrel's extension enabled, and exits
# with COMMAND's status (1, with a message, when the Shell cannot start).
#   VANTREL_BUILD_DIR=build tests/gnome/with-gnome-shell.sh COMMAND ARGS...
# COMMAND sees WAYLAND_DISPLAY, DISPLAY when the Shell started XWayland, VANTREL_GNOME_SHELL_LOG
# (the Shell's output) and a session bus where app.vantrel.Shell is already served; with
# VANTREL_GNOME_TEST_EXTENSION=1, a test-only extension puts the Shell in unsafe mode as it loads
# (then org.gnome.Shell.Eval answers).
set -euo pipefail
deadline=${VANTREL_GNOME_DEADLINE:-180}  # seconds; start-up is slow on a loaded 2-core machine
here=$(cd "$(dirname "$0")" && pwd)

if [ -z "${VANTREL_GNOME_INNER:-}" ]; then
  [ $# -ge 1 ] || { echo "usage: VANTREL_BUILD_DIR=DIR $0 COMMAND ARGS..." >&2; exit 2; }
  : "${VANTREL_BUILD_DIR:?the build folder whose GNOME extension is installed for the test}"
  for tool in gnome-shell dbus-run-session dbus-daemon gdbus; do
    command -v "$tool" >/dev/null || { echo "with-gnome-shell: $tool is missing (scripts/setup)" >&2; exit 1; }
  done
  tmp=$(mktemp -d /tmp/vantrel-gnome.XXXXXX)
  trap 'rm -rf "$tmp"' EXIT
  # A private home: the Shell's settings, caches and the extension never touch the user's.
  export HOME=$tmp/home XDG_RUNTIME_DIR=$tmp/run
  export XDG_CONFIG_HOME=$HOME/.config XDG_DATA_HOME=$HOME/.local/share
  export XDG_CACHE_HOME=$HOME/.cache XDG_STATE_HOME=$HOME/.local/state
  mkdir -p "$XDG_CONFIG_HOME/glib-2.0/settings" "$XDG_DATA_HOME" "$XDG_RUNTIME_DIR"
  chmod 700 "$XDG_RUNTIME_DIR"
  cmake --install "$VANTREL_BUILD_DIR" --component gnome-extension --prefix "$HOME/.local" >/dev/null
  # GSettings from a key file: the extension is enabled before the Shell starts, with no dconf.
  export GSETTINGS_BACKEND=keyfile
  enabled="'vantrel@vantrel.app'"
  # VANTREL_GNOME_TEST_EXTENSION=1 adds the test-only one that opens org.gnome.Shell.Eval.
  if [ "${VANTREL_GNOME_TEST_EXTENSION:-}" = 1 ]; then
    unsafe=vantrel-test-unsafe-mode@vantrel.app
    mkdir -p "$XDG_DATA_HOME/gnome-shell/extensions"
    cp -r "$here/unsafe-mode" "$XDG_DATA_HOME/gnome-shell/extensions/$unsafe"
    enabled+=", '$unsafe'"
  fi
  printf "[org/gnome/shell]\nenabled-extensions=[%s]\n" "$enabled" \
    > "$XDG_CONFIG_HOME/glib-2.0/settings/keyfile"
  unset DISPLAY WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS
  VANTREL_GNOME_INNER=$tmp dbus-run-session --config-file="$here/../private-bus.conf" -- "$0" "$@"
  exit
fi

tmp=$VANTREL_GNOME_INNER
unset VANTREL_GNOME_INNER
pids=()
cleanup() {
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; done
  wait 2>/dev/null || true
}
trap cleanup EXIT
fail() {
  echo "with-gnome-shell: $*" >&2
  [ -f "$tmp/shell.log" ] && tail -n 30 "$tmp/shell.log" | sed 's/^/  shell: /' >&2
  exit 1
}
# Waits for a bus name, or fails as soon as the process it depends on has ended.
wait_name() {  # BUS NAME PID
  gdbus wait "--$1" --timeout "$deadline" "$2" &
  local waiter=$!
  while kill -0 "$3" 2>/dev/null && kill -0 "$waiter" 2>/dev/null; do
    wait -n "$waiter" "$3" 2>/dev/null || true
  done
  if ! kill -0 "$3" 2>/dev/null; then
    kill "$waiter" 2>/dev/null || true
    wait "$waiter" 2>/dev/null || true
    return 1
  fi
  wait "$waiter" 2>/dev/null
}

# GNOME Shell needs logind on a system bus: a private bus with python3-dbusmock's logind. Debian's
# own python3, as the one first on PATH may lack Debian's modules.
mapfile -t bus < <(dbus-daemon --config-file="$here/../private-bus.conf" --fork --print-address=1 \
  --print-pid=1 2>"$tmp/system-bus.log")
[ ${#bus[@]} -eq 2 ] || fail "the private system bus did not start: $(cat "$tmp/system-bus.log")"
pids+=("${bus[1]}")
export DBUS_SYSTEM_BUS_ADDRESS=${bus[0]}
/usr/bin/python3 -m dbusmock --system --template logind >"$tmp/logind.log" 2>&1 &
pids+=($!)
wait_name system org.freedesktop.login1 "${pids[1]}" || fail "no mock logind: $(cat "$tmp/logind.log")"

# Mutter starts XWayland only when this folder is writable by all; it would create it under the
# umask (not so) on a machine where no X server ran yet.
mkdir -p -m 1777 /tmp/.X11-unix
export WAYLAND_DISPLAY=vantrel-gnome-$$
gnome-shell --headless --wayland --virtual-monitor 1280x800 --wayland-display "$WAYLAND_DISPLAY" \
  >"$tmp/shell.log" 2>&1 &
shell=$!
pids+=("$shell")
wait_name session org.gnome.Shell "$shell" || fail "GNOME Shell did not start"
wait_name session app.vantrel.Shell "$shell" || fail "the Vantrel extension did not load"
# The Shell starts in the overview, as after a log-in, and shows it until its start-up has ended
# (it then logs when it started): the tests' windows are on the desktop, as a user's are.
overview() {
  gdbus call --session -d org.gnome.Shell -o /org/gnome/Shell \
    -m "org.freedesktop.DBus.Properties.$1" org.gnome.Shell OverviewActive "${@:2}"
}
until grep -q "GNOME Shell started at" "$tmp/shell.log" && overview Set "<false>" >/dev/null &&
  [ "$(overview Get)" = "(<false>,)" ]; do
  [ "$SECONDS" -lt "$deadline" ] && kill -0 "$shell" 2>/dev/null ||
    fail "the Shell did not finish starting and leave the overview: $(overview Get 2>&1)"
  sleep 0.05
done

# Mutter starts XWayland with the Shell; its display and authority file are on the command line
# of that child.
xwayland=$(pgrep -P "$shell" -x Xwayland || true)
if [ -n "$xwayland" ]; then
  mapfile -d '' -t words <"/proc/$xwayland/cmdline"
  for ((i = 1; i < ${#words[@]}; i++)); do
    case ${words[i]} in
      :[0-9]*) export DISPLAY=${words[i]} ;;
      -auth) export XAUTHORITY=${words[i + 1]} ;;
    esac
  done
fi
export VANTREL_GNOME_SHELL_LOG=$tmp/shell.log
"$@"
