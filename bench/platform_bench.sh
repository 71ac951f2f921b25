#!/usr/bin/env bash
# Figures of the Linux platform layer, run by hand (not part of the test command):
#   1. whole menu trees of geany, mousepad and a Qt application of geany's size (the Qt fixture; FeatherPad
#      too when installed): our element source in each way of reading GTK actions (full, action 0 only,
#      pipelined, GetItems) and Qt trees (streamed walk) against the uncached libatspi walk, per tree and per
#      item, with calls and time per kind of call, and the palette's whole reader, in one process
#      (tavolin_bench_platform_read);
#   2. tavolin-menu search --rows FILE QUERY over 50,000 rows against fzf --filter QUERY over the same file,
#      whole processes, same run (bench/mixed_search_bench.sh does the same over rows in many scripts).
# Starts its own headless session and stops it, and every process it started, by pid.
#
#   bench/platform_bench.sh [BUILD_DIR] [RUNS]     (BUILD_DIR: a build with benchmarks on; RUNS: default 5)
# ROWS_OUT=FILE keeps a copy of the 50,000 rows; ROWS_IN=FILE ranks that file and skips the session and part 1;
# PREVIOUS=PATH/TO/tavolin-menu adds a previous build's column to part 2.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build}
runs=${2:-5}
tool=$build/src/tools/tavolin-menu
reader=$build/bench/tavolin_bench_platform_read
# Ranking alone (ROWS_IN) needs only the tool; reading applications, its live reader too.
for f in "$tool" $([ -n "${ROWS_IN:-}" ] || echo "$reader $build/src/tools/tavolin-menu-live $build/tests/fixtures/tavolin-menu-fixture"); do
  [ -x "$f" ] || { echo "missing $f: build tavolin-menu and tavolin_bench_platform_read first" >&2; exit 1; }
done

# shellcheck source=bench/rank_table.sh
source "$here/bench/rank_table.sh"

# shellcheck source=bench/session.sh
source "$here/bench/session.sh"
rank_only=false
if [ -n "${ROWS_IN:-}" ]; then
  rank_only=true
  cp "$ROWS_IN" "$work/rows.txt"
fi
$rank_only || eval "$("$here/scripts/headless-session.sh" start --state-dir "$work/session")"
export GDK_BACKEND=x11 GSETTINGS_BACKEND=memory

now_ms() { echo $(( $(date +%s%N) / 1000000 )); }

# Waits (bounded, 20 s) until the application of `pid` lists its menus.
wait_listed() {
  local pid=$1 deadline=$(( $(now_ms) + 20000 ))
  while [ "$(now_ms)" -lt "$deadline" ]; do
    "$tool" list --pid "$pid" >/dev/null 2>&1 && return 0
    sleep 0.2
  done
  echo "pid $pid never showed its menus" >&2
  return 1
}

if ! $rank_only; then
mkdir -p "$work/geany"
geany -i -c "$work/geany" >/dev/null 2>&1 & pids+=($!); geany_pid=$!
mousepad --disable-server >/dev/null 2>&1 & pids+=($!); mousepad_pid=$!
# A Qt tree of geany's size: the project's Qt fixture with ten more menus of 50 items; FeatherPad too when
# it is installed.
qt_menus=()
for m in $(seq 10); do qt_menus+=(--menu "Extra $m:$(seq -s, -f "Item $m.%g" 50)"); done
"$build/tests/fixtures/tavolin-menu-fixture" "${qt_menus[@]}" >/dev/null 2>&1 & pids+=($!); qt_pid=$!
qt_pids=("$qt_pid")
if command -v featherpad >/dev/null; then
  featherpad >/dev/null 2>&1 & pids+=($!); qt_pids+=($!)
fi
wait_listed "$geany_pid"
wait_listed "$mousepad_pid"
for pid in "${qt_pids[@]}"; do wait_listed "$pid"; done

echo "== Whole menu tree (geany pid $geany_pid, mousepad pid $mousepad_pid, Qt ${qt_pids[*]}), $runs runs each, same process; load: $(cut -d' ' -f1-3 /proc/loadavg)"
"$reader" --runs "$runs" "$geany_pid" "$mousepad_pid" "${qt_pids[@]}"
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"

# 50,000 rows: the two applications' real rows, repeated under numbered windows.
"$tool" list --pid "$geany_pid" >"$work/real.txt"
"$tool" list --pid "$mousepad_pid" >>"$work/real.txt"
awk -v n=50000 '{ rows[NR] = $0 } END { for (i = 0; i < n; i++) print "Window " int(i / NR) + 1 " > " rows[i % NR + 1] }' \
  "$work/real.txt" >"$work/rows.txt"
[ -z "${ROWS_OUT:-}" ] || cp "$work/rows.txt" "$ROWS_OUT"
fi
echo
rank_table "$work/rows.txt" "$runs" "$tool" "${PREVIOUS:-}"
