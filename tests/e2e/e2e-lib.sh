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

# --- What the compositor scripts (KWin, GNOME Shell) share. Each defines frame TITLE ("x y width
# height" as the compositor itself reports it) and sets `faults`, the pattern of its log lines
# that tell of a window not found or not placed; run inside the compositor's runner, whose
# private XDG folders Vantrel uses.
# Vantrel starts with its welcome done; `layouts` is its layout file.
prepare_vantrel() {
  mkdir -p "$XDG_CONFIG_HOME/Vantrel"
  printf '[General]\nhasCompletedOnboarding=true\n' >"$XDG_CONFIG_HOME/Vantrel/Vantrel.conf"
  layouts="$XDG_DATA_HOME/Vantrel/layouts.json"
}
# Runs Python over the layout list L, read from the file.
over_layouts() { python3 -c "import json, sys; L = json.load(open(sys.argv[1])); $1" "$layouts"; }
windows_saved() { over_layouts 'print(len(L[0]["windows"]))'; }
# The first layout gets Ctrl+Alt+1 in its file, read at Vantrel's next start.
give_shortcut() {
  over_layouts 'L[0].update(shortcutKeyCode=18, shortcutModifiers=786432)
json.dump(L, open(sys.argv[1], "w"))'
}

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

# Times on the session bus of the messages whose members are named, in $work/bus.log.
monitor_bus() {
  local rules=() m
  for m in "$@"; do rules+=("member='$m'"); done
  dbus-monitor --session --profile "${rules[@]}" >"$work/bus.log" 2>&1 &
  pids+=($!)
  poll 30 grep -q NameLost "$work/bus.log" || fail "dbus-monitor did not start"
}
# The time, in ms, of the first message with member $1 since then (the profile's eighth column).
bus_ms() { awk '$8 == "'$1'" { printf "%.0f\n", $2 * 1000 }' "$work/bus.log" | head -1; }
