#!/usr/bin/env bash
# Show latency under a Wayland compositor (headless sway), run by hand (not part of the test command): ms from
# the palette shortcut (sent with wtype; sway's own binding runs `tavolin --show`) to the panel, with the
# palette as a native Wayland client (QT_QPA_PLATFORM=wayland) and through Xwayland (xcb), over native
# Mousepad. Columns: received = the program logged the request ("show force?"), after sway ran
# `tavolin --show` and that handed it over; focused = sway shows the panel floating
# with the keyboard (polled every 10 ms through swaymsg, so a few ms late). A last round shows the panel
# through the desktop's GlobalShortcuts portal instead, played by tavolin-test-portal (ms from its Activated
# signal; "received" is then the palette's own log line of the show). Compare with palette_latency.sh (X11).
# Starts its own session and stops it, and every process it started, by pid.
#
#   bench/wayland_show_latency.sh [BUILD_DIR] [RUNS]     (default build, 7 shows per platform)
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build}
runs=${2:-7}
tavolin=$build/src/ui/shell/tavolin
[ -x "$tavolin" ] || { echo "missing $tavolin: build the tavolin target first" >&2; exit 1; }

work=$(mktemp -d)
chmod 755 "$work"
pids=()
cleanup() {
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; done
  "$here/scripts/headless-session.sh" stop --state-dir "$work/session" >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT

eval "$("$here/scripts/headless-session.sh" start --wayland --state-dir "$work/session")"
as_user=()
if [ -n "${TAVOLIN_SESSION_USER:-}" ]; then
  as_user=(setpriv --reuid="$(id -u "$TAVOLIN_SESSION_USER")" --regid="$(id -g "$TAVOLIN_SESSION_USER")" --clear-groups --)
fi
export HOME=$work/home XDG_CONFIG_HOME=$work/home/config XDG_DATA_HOME=$work/home/data TAVOLIN_DEBUG=1
mkdir -p "$XDG_CONFIG_HOME/tavolin" "$XDG_DATA_HOME"
echo '{"skipWelcome": true}' >"$XDG_CONFIG_HOME/tavolin/io.quorvane.Tavolin.json"
[ -z "${TAVOLIN_SESSION_USER:-}" ] || chown -R "$TAVOLIN_SESSION_USER:" "$work/home"

wait_for() { for _ in $(seq 1000); do "$@" >/dev/null 2>&1 && return 0; sleep 0.01; done; return 1; }
ms_now() { ms_of "$(date +%T.%3N)"; }
ms_of() { awk -F'[:.]' '{ printf "%d\n", (($1 * 60 + $2) * 60 + $3) * 1000 + $4 }' <<<"$1"; }
panel_focused() { swaymsg -t get_tree -r | python3 -c 'import json,sys
def f(n, fl=False):
    if n.get("name") == "Tavolin" and n.get("focused") and fl: return True
    return any(f(c, fl) for c in n.get("nodes", [])) or any(f(c, True) for c in n.get("floating_nodes", []))
sys.exit(0 if f(json.load(sys.stdin)) else 1)'; }
median() { sort -n | awk '{ a[NR] = $1 } END { print (NR % 2) ? a[(NR + 1) / 2] : int((a[NR / 2] + a[NR / 2 + 1]) / 2) }'; }

"${as_user[@]}" mousepad >/dev/null 2>&1 &
pids+=($!)
mousepad=$!
wait_for swaymsg "[pid=$mousepad] focus" || { echo "Mousepad showed no window" >&2; exit 1; }
swaymsg "bindsym ctrl+shift+p exec $tavolin --show" >/dev/null

portal=$build/tests/fixtures/tavolin-test-portal
rounds=(wayland xcb)
if [ -x "$portal" ]; then
  mkfifo "$work/portal.in"
  chmod 666 "$work/portal.in"
  rounds+=(portal)
fi
for round in "${rounds[@]}"; do
  platform=$round
  if [ "$round" = portal ]; then
    platform=wayland
    "${as_user[@]}" "$portal" <"$work/portal.in" >"$work/portal.out" 2>&1 &
    pids+=($!)
    exec 3>"$work/portal.in"
    wait_for grep -q ready "$work/portal.out" || { echo "the test portal did not start" >&2; exit 1; }
  fi
  log=$work/tavolin-$round.log
  QT_QPA_PLATFORM=$platform "${as_user[@]}" "$tavolin" >"$log" 2>&1 &
  pids+=($!)
  wait_for grep -q AXIsProcessTrusted= "$log" || { echo "tavolin did not start: $(cat "$log")" >&2; exit 1; }
  if [ "$round" = portal ]; then
    wait_for grep -q 'through the GlobalShortcuts portal' "$log" || { echo "no portal binding: $(cat "$log")" >&2; exit 1; }
    echo "palette on wayland, shown through the GlobalShortcuts portal ($runs shows); ms from Activated:"
  else
    echo "palette on $platform, over native Mousepad ($runs shows); ms from the key press:"
  fi
  printf '  %-6s %8s %8s\n' run received focused
  : >"$work/results"
  for run in $(seq "$runs"); do
    swaymsg "[pid=$mousepad] focus" >/dev/null
    before=$(wc -l <"$log")
    t0=$(ms_now)
    if [ "$round" = portal ]; then echo "activate palette_shortcut" >&3; else wtype -M ctrl -M shift p -m shift -m ctrl; fi
    wait_for panel_focused || { echo "no panel: $(tail -n 20 "$log")" >&2; exit 1; }
    focused=$(($(ms_now) - t0))
    wait_for grep -q 'show force?' <(tail -n +"$((before + 1))" "$log") || true
    stamp=$(tail -n +"$((before + 1))" "$log" | grep -m1 -F 'show force?' | cut -d' ' -f1)
    panel=$(($(ms_of "$stamp") - t0))
    echo "$panel $focused" >>"$work/results"
    printf '  %-6s %8s %8s\n' "$run" "$panel" "$focused"
    wtype -k Escape
    wait_for sh -c "! swaymsg -t get_tree | grep -q '\"name\": \"Tavolin\"'" || true
  done
  printf '  %-6s %8s %8s\n' median "$(cut -d' ' -f1 "$work/results" | median)" "$(cut -d' ' -f2 "$work/results" | median)"
  kill "${pids[-1]}"
  unset 'pids[-1]'
  sleep 1
done
[ -x "$portal" ] || echo "(no portal round: build the tavolin-test-portal target for it)"
