#!/usr/bin/env bash
# First search over rows in many scripts, whole processes: tavolin-menu search --rows over 50,000 rows built
# from real menus in seven languages (a quarter Chinese or Japanese; bench/mixed_rows.sh) beside fzf --filter
# over the same file and, when PREVIOUS names one, the tavolin-menu of a previous build.
#
#   bench/mixed_search_bench.sh [BUILD_DIR] [RUNS]      (RUNS: default 7)
# ROWS_IN=FILE ranks that file instead of building one (no session then); ROWS_OUT=FILE keeps the built one;
# PREVIOUS=PATH/TO/tavolin-menu adds that build's column.
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
trap 'rm -f "$rows"' EXIT
if [ -n "${ROWS_IN:-}" ]; then
  cp "$ROWS_IN" "$rows"
else
  "$here/bench/mixed_rows.sh" "$rows" "$build"
  [ -z "${ROWS_OUT:-}" ] || cp "$rows" "$ROWS_OUT"
fi
echo "$(grep -cP '[^\x00-\x7f]' "$rows") rows hold text beyond ASCII, $(grep -cP '[\x{3040}-\x{30ff}\x{4e00}-\x{9fff}]' "$rows") Chinese or Japanese"
rank_table "$rows" "$runs" "$tool" "${PREVIOUS:-}"
