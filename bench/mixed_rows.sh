#!/usr/bin/env bash
# Writes 50,000 menu rows in several scripts, built from real menus: Geany and Mousepad read over the
# accessibility bus in English, Chinese, Japanese, Russian, Greek, Arabic and German, then repeated under
# numbered windows so that a quarter of the rows are Chinese or Japanese and a sixth Latin without marks.
# Starts its own headless session and stops it, and every process it started, by pid.
#
#   bench/mixed_rows.sh OUT_FILE [BUILD_DIR] [COUNT]     (COUNT: default 50000)
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
out=${1:?usage: $0 OUT_FILE [BUILD_DIR] [COUNT]}
build=${2:-$here/build}
count=${3:-50000}
tool=$build/src/tools/tavolin-menu
for f in "$tool" "$build/src/tools/tavolin-menu-live"; do
  [ -x "$f" ] || { echo "missing $f: build tavolin-menu and tavolin-menu-live first" >&2; exit 1; }
done

# shellcheck source=bench/session.sh
source "$here/bench/session.sh"
eval "$("$here/scripts/headless-session.sh" start --state-dir "$work/session")"
export GDK_BACKEND=x11 GSETTINGS_BACKEND=memory

now_ms() { echo $(( $(date +%s%N) / 1000000 )); }

# Lists the menus of `pid` into `file`, waiting (bounded, 20 s) until it answers.
list_rows() {
  local pid=$1 file=$2 deadline=$(( $(now_ms) + 20000 ))
  while [ "$(now_ms)" -lt "$deadline" ]; do
    "$tool" list --pid "$pid" >"$file" 2>/dev/null && [ -s "$file" ] && return 0
    sleep 0.2
  done
  echo "pid $pid never showed its menus" >&2
  return 1
}

# language → how many copies of its rows go into the pool (the weights give the mix above).
declare -A weight=([en]=4 [zh_CN]=2 [ja]=1 [ru]=2 [el]=1 [ar]=1 [de]=1)
for lang in "${!weight[@]}"; do
  mkdir -p "$work/geany-$lang"
  LANGUAGE=$lang geany -i -c "$work/geany-$lang" >/dev/null 2>&1 & pids+=($!); geany_pid=$!
  LANGUAGE=$lang mousepad --disable-server >/dev/null 2>&1 & pids+=($!); mousepad_pid=$!
  list_rows "$geany_pid" "$work/$lang.geany"
  list_rows "$mousepad_pid" "$work/$lang.mousepad"
  kill -9 "$geany_pid" "$mousepad_pid" 2>/dev/null || true
  wait "$geany_pid" "$mousepad_pid" 2>/dev/null || true
  pids=()
  for ((i = 0; i < ${weight[$lang]}; i++)); do cat "$work/$lang.geany" "$work/$lang.mousepad" >>"$work/pool.txt"; done
done
awk -v n="$count" '{ rows[NR] = $0 } END { for (i = 0; i < n; i++) print "Window " int(i / NR) + 1 " > " rows[i % NR + 1] }' \
  "$work/pool.txt" >"$out"
cjk=$(grep -cP '[\x{3040}-\x{30ff}\x{4e00}-\x{9fff}]' "$out" || true)
echo "$out: $(wc -l <"$out") rows, $cjk with Chinese or Japanese letters" >&2
