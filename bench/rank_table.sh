# Sourced by the benchmark scripts: rank_table FILE RUNS TOOL [PREVIOUS_TOOL] prints, per query, the median
# whole-process time of `TOOL search --rows FILE QUERY` beside `fzf --filter QUERY` over the same file and,
# when given, the same command of a previous build, with CPU time (user + system) and the matches of each.

_rank_median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# Runs "$@" with stdin from $_rank_in and stdout to $_rank_out; prints "elapsed_ms cpu_ms" (CPU in steps of
# 10 ms, as /usr/bin/time counts it).
_rank_time() {
  local t0 t1
  t0=$(date +%s%N)
  /usr/bin/time -f '%U %S' -o "$_rank_times" "$@" <"$_rank_in" >"$_rank_out" 2>/dev/null || true
  t1=$(date +%s%N)
  awk -v ns=$((t1 - t0)) '{ printf "%.1f %.0f\n", ns / 1e6, ($1 + $2) * 1000 }' "$_rank_times"
}

rank_table() {
  local file=$1 runs=$2 tool=$3 previous=${4:-}
  local work
  work=$(mktemp -d)
  _rank_in=$file _rank_times=$work/times
  echo "== Ranking $(wc -l <"$file") rows, whole processes, median of $runs (load: $(cut -d' ' -f1-3 /proc/loadavg))"
  printf '%-12s %20s %20s %20s %9s %9s\n' query "tavolin ms (cpu)" "fzf ms (cpu)" "previous ms (cpu)" "vs fzf" "vs prev"
  local query i
  for query in "save as" "zoom in" "fnd nxt" "preferences" "wen jian" "s"; do
    local -a ours=() ours_cpu=() theirs=() theirs_cpu=() prev=() prev_cpu=()
    for ((i = 0; i < runs; i++)); do
      _rank_out=$work/ours; read -r a b < <(_rank_time "$tool" search --rows - "$query"); ours+=("$a"); ours_cpu+=("$b")
      _rank_out=$work/fzf; read -r a b < <(_rank_time fzf --filter "$query"); theirs+=("$a"); theirs_cpu+=("$b")
      if [ -n "$previous" ]; then
        _rank_out=$work/prev; read -r a b < <(_rank_time "$previous" search --rows - "$query"); prev+=("$a"); prev_cpu+=("$b")
      fi
    done
    local m_ours m_theirs m_prev="" cell_prev="-" ratio_prev="-"
    m_ours=$(printf '%s\n' "${ours[@]}" | _rank_median)
    m_theirs=$(printf '%s\n' "${theirs[@]}" | _rank_median)
    if [ -n "$previous" ]; then
      m_prev=$(printf '%s\n' "${prev[@]}" | _rank_median)
      cell_prev="$m_prev ($(printf '%s\n' "${prev_cpu[@]}" | _rank_median)) $(wc -l <"$work/prev")"
      ratio_prev=$(awk -v a="$m_ours" -v b="$m_prev" 'BEGIN { printf "%.2fx", (b > 0 ? a / b : 0) }')
    fi
    printf '%-12s %20s %20s %20s %9s %9s\n' "$query" \
      "$m_ours ($(printf '%s\n' "${ours_cpu[@]}" | _rank_median)) $(wc -l <"$work/ours")" \
      "$m_theirs ($(printf '%s\n' "${theirs_cpu[@]}" | _rank_median)) $(wc -l <"$work/fzf")" \
      "$cell_prev" "$(awk -v a="$m_ours" -v b="$m_theirs" 'BEGIN { printf "%.2fx", (b > 0 ? a / b : 0) }')" "$ratio_prev"
  done
  echo "(each cell: median ms, (median CPU ms), matches; ratios of elapsed medians: below 1 is faster)"
  rm -rf "$work"
}
