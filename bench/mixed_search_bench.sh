#!/usr/bin/env bash
# First search over rows in many scripts, whole processes: tavolin-menu search --rows over 50,000 rows built
# from real menus in seven languages (a quarter Chinese or Japanese; bench/mixed_rows.sh) beside fzf --filter
# over the same file and, when PREVIOUS names one, the tavolin-menu of a previous build.
#
#   bench/mixed_search_bench.sh [BUILD_DIR] [RUNS]      (RUNS: default 7)
# ROWS_IN=FILE ranks that file instead of building one (no session then); ROWS_OUT=FILE keeps the built one;
# PREVIOUS=PATH/TO/tavolin-menu adds that build's column. One cold run (no transliteration cache) is printed
# before the table, whose runs are warm.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build}
runs=${2:-7}
tool=$build/src/tools/tavolin-menu
[ -x "$tool" ] || { echo "missing $tool: build tavolin-menu first" >&2; exit 1; }
[ -z "${PREVIOUS:-}" ] || [ -x "$PREVIOUS" ] || { echo "PREVIOUS=$PREVIOUS is not a program" >&2; exit 1; }
# shellcheck source=bench/rank_table.sh
source "$here/bench/rank_table.sh"

rows=$(mktemp)
# The tool keeps its transliterations in the XDG cache between runs: a folder of the benchmark's own, so the
# first run below is a cold one and the table's runs start from what it kept.
cache=$(mktemp -d)
trap 'rm -f "$rows"; rm -rf "$cache"' EXIT
export XDG_CACHE_HOME=$cache
if [ -n "${ROWS_IN:-}" ]; then
  cp "$ROWS_IN" "$rows"
else
  "$here/bench/mixed_rows.sh" "$rows" "$build"
  [ -z "${ROWS_OUT:-}" ] || cp "$rows" "$ROWS_OUT"
fi
echo "$(grep -cP '[^\x00-\x7f]' "$rows") rows hold text beyond ASCII, $(grep -cP '[\x{3040}-\x{30ff}\x{4e00}-\x{9fff}]' "$rows") Chinese or Japanese"
for start in cold warm; do
  [ $start = cold ] && rm -rf "${cache:?}/tavolin"
  t0=$(date +%s%N)
  "$tool" search --rows "$rows" "save as" >/dev/null
  echo "$start start (transliteration cache $( [ $start = cold ] && echo empty || echo kept)): $(( ($(date +%s%N) - t0) / 1000000 )) ms for \"save as\""
done
rank_table "$rows" "$runs" "$tool" "${PREVIOUS:-}"
