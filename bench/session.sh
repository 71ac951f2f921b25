# Sourced by the benchmark scripts that start programs ($here must name the repository): a temporary folder
# $work, the list $pids of processes started (append with pids+=($!)), and on exit every one of them stopped
# by pid, newest first (SIGTERM, SIGKILL after 3 s), then the headless session whose state is in
# $work/session, if one was started there, and the folder removed.
work=$(mktemp -d)
pids=()
bench_cleanup() {
  local i
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
    kill "${pids[i]}" 2>/dev/null || true
    for _ in $(seq 30); do kill -0 "${pids[i]}" 2>/dev/null || break; sleep 0.1; done
    kill -9 "${pids[i]}" 2>/dev/null || true
    wait "${pids[i]}" 2>/dev/null || true
  done
  "$here/scripts/headless-session.sh" stop --state-dir "$work/session" >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap bench_cleanup EXIT
