# Shell helpers of the end-to-end scripts (sourced): results, and waiting on other processes.
# The script sets `work` (its scratch folder), `log` (Vantrel's output), `pids` (what it started)
# and `failures`.

# Ends what the script started; keeps the scratch folder when something failed.
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
  for p in "${pids[@]}"; do wait "$p" 2>/dev/null; done
  if [ "$failures" -eq 0 ]; then rm -rf "$work"; else echo "kept for inspection: $work"; fi
}

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }
die() { echo "FAIL: $*"; failures=$((failures + 1)); exit 1; }
# check WHAT COMMAND...: passes when the command succeeds, else fails with Vantrel's last lines.
check() {
  local what=$1; shift
  if "$@"; then pass "$what"; else fail "$what; log: $(tail -5 "$log" 2>/dev/null)"; fi
}

# Runs the command every 50 ms until it succeeds or SECONDS pass: it waits on other processes.
poll() {
  local seconds=$1; shift
  local deadline=$((SECONDS + seconds))
  until "$@" 2>/dev/null; do
    [ "$SECONDS" -ge "$deadline" ] && return 1
    sleep 0.05
  done
}
# Ended: gone, or a zombie waiting for this shell.
exited() { local s; s=$(ps -o stat= -p "$1" 2>/dev/null); [ -z "$s" ] || [[ "$s" == Z* ]]; }

# --- The compositor scripts (KWin, GNOME Shell): the same session run by compositor_e2e, with
# `vantrel` and `testclient` set. Each script defines, from the compositor's own view:
#   window_ready TITLE   the window is there to be read and moved
#   frame TITLE          prints "x y width height"
#   arrange FRAMES...    moves windows ("title x y width height") until they are there
#   grabbed              Ctrl+Alt+1 is held by Vantrel
#   press                presses it, with the bus member `press_member` (timed)
#   started, quit_done   checks of its own after Vantrel's second start and after it quit
# and `faults`, the pattern of Vantrel's log lines that tell of a window not found or not placed.
# Scratch folder, Vantrel's settings (welcome done) and the layout file, in the runner's XDG folders.
begin_compositor_e2e() {
  [ -n "${DISPLAY:-}" ] && command -v xlogo >/dev/null ||
    { echo "SKIP: no XWayland or no xlogo"; exit 77; }
  work=$(mktemp -d "/tmp/vantrel-$1-e2e-XXXXXX")
  log="$work/vantrel.log" pids=() failures=0
  trap cleanup EXIT
  mkdir -p "$XDG_CONFIG_HOME/Vantrel"
  printf '[General]\nhasCompletedOnboarding=true\n' >"$XDG_CONFIG_HOME/Vantrel/Vantrel.conf"
  layouts="$XDG_DATA_HOME/Vantrel/layouts.json"
}
# Runs Python over the layout list L, read from the file.
over_layouts() { python3 -c "import json, sys; L = json.load(open(sys.argv[1])); $1" "$layouts"; }
windows_saved() { over_layouts 'print(len(L[0]["windows"]))'; }
monitor_ids() { over_layouts 'print(len({w["displayID"] for l in L for w in l["windows"]}))'; }

# Each argument "title x y width height": true when every such window is there within 2 px.
frames_are() {
  local want got
  for want in "$@"; do
    read -r -a want <<<"$want"
    read -r -a got < <(frame "${want[0]}") || return 1
    [ "${#got[@]}" = 4 ] || return 1
    for i in 0 1 2 3; do
      local d=$((got[i] - want[i + 1]))
      (( d >= -2 && d <= 2 )) || return 1
    done
  done
}
describe() { for w in Alpha Beta xlogo; do printf '%s: %s; ' "$w" "$(frame "$w")"; done; }

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
# A restore that went well logs nothing; a window not found or not placed says so.
quiet_since() { ! tail -n +"$1" "$log" | grep -E "$faults"; }
# The time, in ms, of the first message with member $1 that dbus-monitor saw (its eighth column).
bus_ms() { awk '$8 == "'$1'" { printf "%.0f\n", $2 * 1000 }' "$work/bus.log" | head -1; }

compositor_e2e() {
  # Three windows of three applications: two Wayland ones and an X11 one through XWayland.
  for w in Alpha Beta; do
    "$testclient" --app-id "e2e.${w,,}" --title "$w" --size 300x200 </dev/null >"$work/$w.out" 2>&1 &
    pids+=($!)
  done
  xlogo -geometry 200x150+0+0 </dev/null >/dev/null 2>&1 &
  pids+=($!)
  for w in Alpha Beta xlogo; do poll 60 window_ready "$w" || die "never saw the window $w"; done
  local saved=("Alpha 40 50 500 350" "Beta 600 80 420 300" "xlogo 300 450 360 240")
  arrange "${saved[@]}"

  # Vantrel saves them through the command line; the layout gets Ctrl+Alt+1 in its file, read at
  # the next start (a second run of the same session: its monitor ids must be the same).
  start_vantrel
  out=$("$vantrel" save Desk 2>&1) || fail "vantrel save: $out"
  check "the layout file holds the three windows" eval '[ "$(windows_saved)" = 3 ]'
  quit_vantrel
  over_layouts 'L[0].update(shortcutKeyCode=18, shortcutModifiers=786432)
json.dump(L, open(sys.argv[1], "w"))'
  start_vantrel
  started
  out=$("$vantrel" save Again 2>&1) || fail "vantrel save Again: $out"
  check "both runs gave the monitor one id" eval '[ "$(monitor_ids)" = 1 ]'

  # The shortcut puts every window back.
  local scrambled=("Alpha 500 300 320 260" "Beta 30 420 380 280" "xlogo 700 60 240 200")
  arrange "${scrambled[@]}"
  poll 30 grabbed || fail "Vantrel never grabbed Ctrl+Alt+1; log: $(cat "$log")"
  # The bus's own timestamps time the shortcut: from the press to Vantrel's end of the restore,
  # which comes once the compositor reported every frame (read back here afterwards, at each
  # D-Bus call's pace).
  dbus-monitor --session --profile "member='$press_member'" "member='RestoreFinished'" \
    >"$work/bus.log" 2>&1 &
  pids+=($!)
  poll 30 grep -q NameLost "$work/bus.log" || fail "dbus-monitor did not start"
  local lines=$(($(wc -l <"$log") + 1)) start=$(date +%s%N)
  press
  if poll 30 frames_are "${saved[@]}"; then
    poll 10 eval '[ -n "$(bus_ms RestoreFinished)" ]'
    echo "shortcut to moved: $(( $(bus_ms RestoreFinished) - $(bus_ms "$press_member") )) ms on" \
      "the bus; read back within $(( ($(date +%s%N) - start) / 1000000 )) ms"
    pass "Ctrl+Alt+1 restored the layout"
  else
    fail "Ctrl+Alt+1: $(describe) want ${saved[*]}; log: $(cat "$log")"
  fi
  check "the restore logged no fault" quiet_since "$lines"

  # `vantrel restore` does the same, and answers once the windows are placed.
  arrange "${scrambled[@]}"
  lines=$(($(wc -l <"$log") + 1))
  out=$("$vantrel" restore Desk 2>&1)
  # The frames are read once: the command answers only after the windows are in place.
  [ "$out" = "Restored 3 of 3 windows of 'Desk'." ] && frames_are "${saved[@]}" &&
    quiet_since "$lines" && pass "vantrel restore: $out" ||
    fail "vantrel restore: '$out', $(describe); log: $(cat "$log")"

  quit_vantrel
  quit_done
  [ "$failures" -eq 0 ] && echo "all end-to-end checks passed"
  [ "$failures" -eq 0 ]
}
