#!/usr/bin/env bash
# Memory of the palette over many shows, run by hand (not part of the test command): the palette's resident
# memory (VmRSS, and its peak VmHWM) after starting, after 5 shows and after SHOWS shows spread over three
# applications in turn (Mousepad, Geany and the Qt fixture), each show waited for and closed with Escape.
# Starts its own headless session and stops it, and every process it started, by pid.
#
#   bench/palette_memory.sh [BUILD_DIR] [SHOWS]     (SHOWS: default 100)
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build}
shows=${2:-100}
tavolin=$build/src/ui/shell/tavolin
fixture=$build/tests/fixtures/tavolin-menu-fixture
for f in "$tavolin" "$fixture"; do
  [ -x "$f" ] || { echo "missing $f: build tavolin and tavolin-menu-fixture first" >&2; exit 1; }
done
for tool in xdotool mousepad geany; do
  command -v "$tool" >/dev/null || { echo "$tool is not installed (scripts/install-deps.sh)" >&2; exit 1; }
done

# shellcheck source=bench/session.sh
source "$here/bench/session.sh"
eval "$("$here/scripts/headless-session.sh" start --wm --state-dir "$work/session")"
export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" XDG_CACHE_HOME="$work/cache"
export GDK_BACKEND=x11 GSETTINGS_BACKEND=memory
mkdir -p "$XDG_CONFIG_HOME/tavolin" "$work/geany"

# Bounded wait: runs the command every 20 ms for at most 10 s.
wait_for() { for _ in $(seq 500); do "$@" >/dev/null 2>&1 && return 0; sleep 0.02; done; return 1; }
panel_shown() { xdotool search --onlyvisible --name '^Tavolin$'; }
panel_hidden() { ! xdotool search --onlyvisible --name '^Tavolin$'; }
window_of() { xdotool search --onlyvisible --pid "$1" | head -n1; }

mousepad --disable-server >/dev/null 2>&1 & pids+=($!)
geany -i -c "$work/geany" >/dev/null 2>&1 & pids+=($!)
"$fixture" >/dev/null 2>&1 & pids+=($!)
windows=()
for pid in "${pids[@]}"; do
  wait_for window_of "$pid" || { echo "pid $pid showed no window" >&2; exit 1; }
  windows+=("$(window_of "$pid")")
done
# Every application allowed, so each show opens the panel at once.
printf '{"skipWelcome": true, "palette_rule_app": [["org.xfce.mousepad", "allow", "Mousepad"], ["geany", "allow", "Geany"], ["tavolin-menu-fixture", "allow", "Fixture"]]}\n' \
  >"$XDG_CONFIG_HOME/tavolin/io.quorvane.Tavolin.json"
"$tavolin" >"$work/tavolin.log" 2>&1 & pids+=($!)
palette=$!
wait_for grep -q AXIsProcessTrusted= "$work/tavolin.log" || { echo "tavolin did not start" >&2; exit 1; }

rss() { awk '/^VmRSS/ { r = $2 } /^VmHWM/ { h = $2 } END { printf "%d MB (peak %d MB)", r / 1024, h / 1024 }' "/proc/$palette/status"; }
echo "== Palette memory over $shows shows on Mousepad, Geany and the Qt fixture (load: $(cut -d' ' -f1-3 /proc/loadavg))"
echo "started:             $(rss)"
missed=0
for ((n = 1; n <= shows; n++)); do
  xdotool windowactivate --sync "${windows[n % 3]}" >/dev/null 2>&1 || true
  xdotool key ctrl+shift+p
  if wait_for panel_shown; then
    sleep 0.3 # let the menus fill in, as a person reading the list would
    xdotool key Escape
    wait_for panel_hidden || true
  else
    missed=$((missed + 1))
  fi
  [ "$n" -eq 5 ] && echo "after 5 shows:       $(rss)"
done
sleep 2 # idle: background reading and queued work settle
echo "after $shows shows (idle): $(rss); $missed shows without a panel"
echo "(goal: idle RSS <= 60 MB after 100 shows)"
