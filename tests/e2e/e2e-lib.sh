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
