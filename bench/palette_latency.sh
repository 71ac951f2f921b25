#!/usr/bin/env bash
# Palette latency over a real GTK application (Mousepad or Geany), run by hand (not part of the test command):
# milliseconds from the palette shortcut (pressed through XTest) to the visible panel, and to the first full
# menu group, for each show. Times come from the program's own log (TAVOLIN_DEBUG lines "show force?",
# "show window after", "menu group N ready") and from this script's clock just before the key press.
#
#   bench/palette_latency.sh [BUILD_DIR] [RUNS] [APP]
#     BUILD_DIR: default build; RUNS: shows per rule, default 5; APP: mousepad (default) or geany
#
# Two rules are measured, each with a fresh palette process (its first show is cold):
#   allow - the panel opens at once with the application's history rows (one command is performed first so
#           there is a history), and the menus fill in behind it;
#   auto  - the default: the first show opens the panel once every menu has been read and none claims the
#           shortcut; that decision is recorded as "allow", so the later shows are like the rule above.
# Columns: received = the program logged the shortcut; panel = "show window after"; group 1 = the first menu
# group's rows ready, or the rows kept from the last show of the same window listed ("menu rows kept"), which
# ever came first; all groups = every menu of the bar read (again, behind kept rows); rows at show = how many
# rows the list held when the panel was shown (the history's, the kept ones, or none). After the bar, the steps from "received" to "panel":
# queue = until the reading thread takes the show, focus = the focused application found and its title read
# over AT-SPI (its identity included, less the .desktop lookup), desk_us = the .desktop files looked up (microseconds),
# hop = back to the main thread, prepare = rules, history and menu loading started, window = the window's
# show. The machine's load shows up as outliers: read medians. The load is printed with each table.
# Starts its own headless session and stops it, and every process it started, by pid.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build}
runs=${2:-5}
app=${3:-mousepad}
# Per application: the command line, its desktop id (the rule's key), its name, its menu bar's group count,
# and a harmless command to perform for a history (it toggles a view setting).
case "$app" in
  mousepad) app_command=(mousepad --disable-server) app_id=org.xfce.mousepad app_name=Mousepad groups=6 seed='word wrap' ;;
  geany) app_command=(geany -i) app_id=geany app_name=Geany groups=9 seed='line wrapping' ;;
  *) echo "unknown application $app: mousepad or geany" >&2; exit 2 ;;
esac
tavolin=$build/src/ui/shell/tavolin
[ -x "$tavolin" ] || { echo "missing $tavolin: build the tavolin target first" >&2; exit 1; }
for tool in xdotool "${app_command[0]}"; do
  command -v "$tool" >/dev/null || { echo "$tool is not installed (scripts/install-deps.sh)" >&2; exit 1; }
done

# shellcheck source=bench/session.sh
source "$here/bench/session.sh"
# shellcheck source=bench/panel_log.sh
source "$here/bench/panel_log.sh"

eval "$("$here/scripts/headless-session.sh" start --wm --state-dir "$work/session")"
export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" XDG_CACHE_HOME="$work/cache" TAVOLIN_DEBUG=1
mkdir -p "$XDG_CONFIG_HOME/tavolin"

# Bounded wait: runs the command every 20 ms for at most 10 s.
wait_for() { for _ in $(seq 500); do "$@" >/dev/null 2>&1 && return 0; sleep 0.02; done; return 1; }

# Geany keeps its settings in a folder of this run, so it starts as it does on a new account.
[ "$app" = geany ] && app_command+=(-c "$work/geany")
"${app_command[@]}" >/dev/null 2>&1 &
pids+=($!)
app_pid=$!
wait_for xdotool search --onlyvisible --pid "$app_pid" || { echo "$app_name showed no window" >&2; exit 1; }
window=$(xdotool search --onlyvisible --pid "$app_pid" | head -n1)

start_palette() { # rule log
  printf '{"skipWelcome": true, "palette_rule_app": [["%s", "%s", "%s"]]}\n' "$app_id" "$1" "$app_name" \
    > "$XDG_CONFIG_HOME/tavolin/io.quorvane.Tavolin.json"
  "$tavolin" >"$2" 2>&1 &
  pids+=($!)
  wait_for grep -q AXIsProcessTrusted= "$2" || { echo "tavolin did not start: $(cat "$2")" >&2; exit 1; }
}

stop_palette() {
  local pid=${pids[-1]}
  kill "$pid"
  for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  unset 'pids[-1]'
}

# The show's steps, in ms, from the debug lines of one show (the log after line $2): waiting for the reading
# thread, the focused application and its title (AT-SPI), its identity's .desktop lookup, the hop back to the
# main thread, preparing the show (rules, history, menus started), and the window's show. "-" for a step the
# program did not log (a build without those lines).
steps_of() { # log before got shown
  local log=$1 before=$2 got=$3 shown=$4 finding found found_ms lookup_us next requested
  finding=$(stamp_after "$log" "$before" 'finding the focused application' || true)
  found=$(stamp_after "$log" "$before" 'focused application found in' || true)
  if [ -z "$finding" ] || [ -z "$found" ]; then echo "- - - - - -"; return; fi
  found_ms=$(tail -n +"$((before + 1))" "$log" | grep -m1 -F 'focused application found in' | grep -o 'in [0-9]*' | cut -d' ' -f2 || true)
  lookup_us=$(tail -n +"$((before + 1))" "$log" | grep -m1 -F 'desktop files of pid' | grep -o 'in [0-9]*' | cut -d' ' -f2 || true)
  next=$(stamp_after "$log" "$before" 'get nextApp' || true)
  requested=$(stamp_after "$log" "$before" 'panel show requested' || true)
  if [ -z "$next" ] || [ -z "$requested" ] || [ -z "$found_ms" ]; then echo "- - - - - -"; return; fi
  finding=$(ms_of "$finding"); found=$(ms_of "$found"); next=$(ms_of "$next"); requested=$(ms_of "$requested")
  local lookup_ms=$(( ${lookup_us:-0} / 1000 ))
  echo "$((finding - got)) $((found_ms - lookup_ms)) ${lookup_us:-0} $((next - found)) $((requested - next)) $((shown - requested))"
}

# One show: prints "key show_logged panel group0 groups_all rows_at_show" and the steps (steps_of) in ms from
# the key press.
measure() { # log
  local log=$1 before t0 got shown first last
  before=$(wc -l <"$log")
  xdotool windowactivate --sync "$window"
  t0=$(ms_of "$(date +%T.%3N)")
  xdotool key ctrl+shift+p
  if ! wait_for panel_shown; then
    echo "miss"
    return
  fi
  wait_for grep -q "menu group" <(tail -n +"$((before + 1))" "$log") || true
  # Let every menu group arrive before reading the log.
  wait_for test "$(tail -n +"$((before + 1))" "$log" | grep -c 'menu group')" -ge "$groups" || true
  got=$(ms_of "$(stamp_after "$log" "$before" 'show force?')")
  shown=$(ms_of "$(stamp_after "$log" "$before" 'show window after')")
  first=$(ms_of "$(tail -n +"$((before + 1))" "$log" | grep -m1 -E 'menu group|menu rows kept' | cut -d' ' -f1)")
  last=$(ms_of "$(tail -n +"$((before + 1))" "$log" | grep -F 'menu group' | tail -n1 | cut -d' ' -f1)")
  local rows_at_show
  rows_at_show=$(tail -n +"$((before + 1))" "$log" | grep -m1 -o 'panel show requested with [0-9]*' | grep -o '[0-9]*$' || echo '-')
  echo "$((got - t0)) $((shown - t0)) $((first - t0)) $((last - t0)) $rows_at_show $(steps_of "$log" "$before" "$got" "$shown")"
  xdotool key Escape
  wait_for panel_hidden || true
}

median() { sort -n | awk '{ a[NR] = $1 } END { print (NR % 2) ? a[(NR + 1) / 2] : int((a[NR / 2] + a[NR / 2 + 1]) / 2) }'; }

for rule in allow auto; do
  log=$work/tavolin-$rule.log
  start_palette "$rule" "$log"
  if [ "$rule" = allow ]; then
    # One performed command gives the application a history, shown as rows at once on the next show.
    xdotool windowactivate --sync "$window"
    xdotool key ctrl+shift+p
    wait_for panel_shown
    wait_for grep -q 'menu group' "$log"
    xdotool type --delay 20 "$seed"
    xdotool key Return
    wait_for grep -q 'result for menu execution' "$log" || { echo "the seeding command did not run" >&2; exit 1; }
    wait_for panel_hidden
    stop_palette
    start_palette "$rule" "$log"
  fi
  echo "rule $rule, $app_name ($runs shows, the first in a fresh palette process; load: $(cut -d' ' -f1-3 /proc/loadavg)); ms from the key press:"
  printf '  %-5s %8s %8s %8s %11s %12s |%7s %7s %7s %7s %7s %7s\n' run received panel 'group 1' 'all groups' \
    'rows at show' queue focus desk_us hop prepare window
  results=$work/results-$rule
  : >"$results"
  for run in $(seq "$runs"); do
    read -r got shown first last rows_at_show queue focus desk_us hop prepare window_show < <(measure "$log")
    if [ "$got" = miss ]; then
      # Counted, not timed: the palette took the key as closing a panel it still held open.
      printf '  %-5s no panel within 10 s\n' "$run"
      continue
    fi
    echo "$got $shown $first $last $queue $focus $desk_us $hop $prepare $window_show" >>"$results"
    printf '  %-5s %8s %8s %8s %11s %12s |%7s %7s %7s %7s %7s %7s\n' "$run" "$got" "$shown" "$first" "$last" "$rows_at_show" \
      "$queue" "$focus" "$desk_us" "$hop" "$prepare" "$window_show"
  done
  # Medians over every show, and over the shows after the first (same window again: rows kept).
  for label in median later; do
    rows=$results
    [ "$label" = later ] && { tail -n +2 "$results" >"$results-later"; rows=$results-later; }
    printf '  %-6s%8s %8s %8s %11s %12s |%7s %7s %7s %7s %7s %7s\n' "$label" "$(cut -d' ' -f1 "$rows" | median)" \
      "$(cut -d' ' -f2 "$rows" | median)" "$(cut -d' ' -f3 "$rows" | median)" \
      "$(cut -d' ' -f4 "$rows" | median)" "" $(for c in 5 6 7 8 9 10; do cut -d' ' -f$c "$rows" | grep -v -- - | median; done)
  done
  stop_palette
done
