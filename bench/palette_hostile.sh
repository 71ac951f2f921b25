#!/usr/bin/env bash
# The palette over the hostile accessibility peer (tests/fixtures/HostilePeer.cpp), run by hand (not part of
# the test command): for each tree the peer serves (a menu listing itself, a menu fan-out of 10^12 paths,
# 20,000 items in 20 menus, an item that vanishes), each read GTK's whole-tree way and Qt's walk, a fresh
# palette shows its panel SHOWS times over the peer's window, each show closed with Escape. Printed per tree:
# ms from the key press to the visible panel and to its first and last menu group (TAVOLIN_DEBUG lines "show
# window after" and "menu group N ready"; the first show of a fresh palette, then the median of the others),
# and the palette's resident memory (VmRSS) at start, its peak (VmHWM), after the first panel closed and after
# the last one closed (2 s idle each).
#
#   bench/palette_hostile.sh [BUILD_DIR] [SHOWS] [TAVOLIN]
#     SHOWS: default 5; TAVOLIN: the palette program to measure (default BUILD_DIR's), e.g. another build's,
#     beside this build's peer. TREES: the trees to serve (default every one: "cycle-gtk cycle-qt ...");
#     KEEP_LOGS: a folder to keep the palette's logs in.
# Starts its own headless session and stops it, and every process it started, by pid.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build}
shows=${2:-5}
tavolin=${3:-$build/src/ui/shell/tavolin}
peer=$build/tests/fixtures/tavolin-hostile-peer
for f in "$tavolin" "$peer"; do
  [ -x "$f" ] || { echo "missing $f: build tavolin and tavolin-hostile-peer first" >&2; exit 1; }
done
command -v xdotool >/dev/null || { echo "xdotool is not installed (scripts/install-deps.sh)" >&2; exit 1; }

# shellcheck source=bench/session.sh
source "$here/bench/session.sh"
# shellcheck source=bench/panel_log.sh
source "$here/bench/panel_log.sh"
eval "$("$here/scripts/headless-session.sh" start --wm --state-dir "$work/session")"
export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" XDG_CACHE_HOME="$work/cache" TAVOLIN_DEBUG=1

# Bounded wait: runs the command every 20 ms for at most 20 s.
wait_for() { for _ in $(seq 1000); do "$@" >/dev/null 2>&1 && return 0; sleep 0.02; done; return 1; }
groups_after() { tail -n +"$(($2 + 1))" "$1" | grep -c -F 'menu group' || true; }
mb() { awk -v f="$2" '$1 == f":" { printf "%d", $2 / 1024 }' "/proc/$1/status" 2>/dev/null || echo -; }
median() { sort -n | awk '{ a[NR] = $1 } END { if (NR) print (NR % 2) ? a[(NR + 1) / 2] : int((a[NR / 2] + a[NR / 2 + 1]) / 2); else print "-" }'; }

# One show over `window`: prints "panel first last" in ms from the key press ("-" for what did not come).
measure() { # log window groups
  local log=$1 before t0 shown first last
  before=$(wc -l <"$log")
  xdotool windowactivate --sync "$2" >/dev/null 2>&1 || true
  t0=$(ms_of "$(date +%T.%3N)")
  xdotool key ctrl+shift+p
  if ! wait_for panel_shown; then
    echo "- - -"
    return
  fi
  wait_for test "$(groups_after "$log" "$before")" -ge "$3" || true
  shown=$(stamp_after "$log" "$before" 'show window after')
  first=$(stamp_after "$log" "$before" 'menu group')
  last=$(tail -n +"$((before + 1))" "$log" | grep -F 'menu group' | tail -n1 | cut -d' ' -f1)
  for v in shown first last; do
    if [ -n "${!v}" ]; then printf '%d ' "$(($(ms_of "${!v}") - t0))"; else printf -- '- '; fi
  done
  echo
  xdotool key Escape
  wait_for panel_hidden || true
}

echo "== Palette over the hostile peer: $shows shows per tree, a fresh palette each (load: $(cut -d' ' -f1-3 /proc/loadavg))"
echo "   $tavolin"
printf '%-16s %6s %6s %6s | %6s %6s %6s | %6s %6s %8s %8s\n' tree panel1 first1 last1 panel first last \
  'rss0' 'peak' 'closed1' "closed$shows"
trees=${TREES:-cycle-gtk cycle-qt fanout-gtk fanout-qt wide-gtk wide-qt vanishing-gtk vanishing-qt}
for row in $trees; do
  tree=${row%-*} toolkit=${row#*-} groups=2
  [ "$tree" = wide ] && groups=20
  mkdir -p "$XDG_CONFIG_HOME/tavolin"
  rm -rf "$XDG_DATA_HOME"
  printf '{"skipWelcome": true}\n' >"$XDG_CONFIG_HOME/tavolin/io.quorvane.Tavolin.json"
  "$peer" "$tree" --toolkit "$toolkit" --window >/dev/null 2>&1 & pids+=($!)
  peer_pid=$!
  wait_for xdotool search --onlyvisible --pid "$peer_pid" || { echo "the peer showed no window" >&2; exit 1; }
  window=$(xdotool search --onlyvisible --pid "$peer_pid" | head -n1)
  log=${KEEP_LOGS:-$work}/tavolin-$tree-$toolkit.log
  "$tavolin" >"$log" 2>&1 & pids+=($!)
  palette=$!
  wait_for grep -q AXIsProcessTrusted= "$log" || { echo "tavolin did not start" >&2; exit 1; }
  rss0=$(mb "$palette" VmRSS)
  : >"$work/later"
  for ((n = 1; n <= shows; n++)); do
    read -r panel first last < <(measure "$log" "$window" "$groups")
    sleep 2 # idle: background reading and queued work settle
    if [ "$n" -eq 1 ]; then
      first_show="$panel $first $last"
      closed1=$(mb "$palette" VmRSS)
    else
      echo "$panel $first $last" >>"$work/later"
    fi
  done
  if ! kill -0 "$palette" 2>/dev/null; then
    echo "$tree $toolkit: the palette is gone; its log ends:" >&2
    tail -n 15 "$log" >&2
    exit 1
  fi
  read -r panel1 first1 last1 <<<"$first_show"
  printf '%-16s %6s %6s %6s | %6s %6s %6s | %6s %6s %8s %8s\n' "$tree $toolkit" "$panel1" "$first1" "$last1" \
    "$(cut -d' ' -f1 "$work/later" | grep -v -- - | median)" "$(cut -d' ' -f2 "$work/later" | grep -v -- - | median)" \
    "$(cut -d' ' -f3 "$work/later" | grep -v -- - | median)" "$rss0" "$(mb "$palette" VmHWM)" "$closed1" \
    "$(mb "$palette" VmRSS)"
  for pid in "$palette" "$peer_pid"; do
    kill "$pid"
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  done
  pids=("${pids[@]:0:${#pids[@]}-2}")
done
echo "(ms from the key press; panel1/first1/last1: the first show of a fresh palette, whose rule for the peer is"
echo " still \"auto\", so the panel waits for every menu; then medians of the later shows; memory in MB)"
