#!/usr/bin/env bash
# Builds the fuzz targets (clang; libFuzzer, ASan and UBSan over the Qt-Core-only libraries) in build-fuzz
# and runs each one over its corpus: the committed seeds and crash inputs in fuzz/corpus/NAME, and what
# earlier runs found in build-fuzz/corpus/NAME.
#
#   scripts/fuzz.sh [--seconds S] [--runs N] [--parallel P] [TARGET...]
#   scripts/fuzz.sh --build-only
#
# --build-only builds everything of build-fuzz, the Qt-Core-only libraries' tests too, and runs nothing: the
# test command runs those tests there under the sanitizers, so that clang compiles the libraries once.
#
# Each target runs until S seconds (default 5) or N executions (default: no limit) have passed; P targets
# (default 1) run at once, niced. TARGET is a name such as fuzz_key_text; default all. Prints one line of
# figures per target. A crash, leak, time-out or broken property fails the run; the input is kept in
# build-fuzz/crashes/NAME, and belongs in fuzz/corpus/NAME once the fault is fixed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

seconds=5 runs=-1 parallel=1 targets=() build_only=0
while [ $# -gt 0 ]; do
  case "$1" in
    --seconds) seconds=$2; shift ;;
    --runs) runs=$2; shift ;;
    --parallel) parallel=$2; shift ;;
    --build-only) build_only=1 ;;
    -*) echo "fuzz.sh: unknown option $1" >&2; exit 2 ;;
    *) targets+=("$1") ;;
  esac
  shift
done

export CCACHE_DIR=${CCACHE_DIR:-$HOME/.cache/ccache}
export CCACHE_MAXSIZE=${CCACHE_MAXSIZE:-3G}
export CCACHE_BASEDIR=$root CCACHE_NOHASHDIR=true
build=$root/build-fuzz
# Assertions on; -O1 with line tables keeps both the compile and the instrumented runs quick.
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g1" \
  -DCMAKE_CXX_COMPILER=clang++ -DTAVOLIN_WERROR=ON -DTAVOLIN_FUZZ=ON >/dev/null
if [ $build_only -eq 1 ]; then
  exec nice cmake --build "$build" -j "$(nproc)"
fi
if [ ${#targets[@]} -eq 0 ]; then
  mapfile -t targets < <(cd fuzz/corpus && ls)
  targets=("${targets[@]/#/fuzz_}")
fi
nice cmake --build "$build" -j "$(nproc)" --target "${targets[@]}"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:detect_stack_use_after_return=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export LSAN_OPTIONS=suppressions=$root/tests/lsan.supp:print_suppressions=0

# Runs one target; its log is build-fuzz/logs/NAME.log.
run_one() {
  local target=$1 name=${1#fuzz_}
  local work=$build/corpus/$name crashes=$build/crashes/$name log=$build/logs/$name.log
  mkdir -p "$work" "$crashes" "$build/logs"
  local status=0
  nice "$build/fuzz/$target" -max_total_time="$seconds" -runs="$runs" -timeout=20 -rss_limit_mb=2560 \
    -print_final_stats=1 -artifact_prefix="$crashes/" "$work" "fuzz/corpus/$name" >"$log" 2>&1 || status=$?
  local done_line execs secs
  done_line=$(grep -E '^Done [0-9]+ runs in [0-9]+ second' "$log" | tail -n1 || true)
  execs=$(grep -oE 'stat::number_of_executed_units: *[0-9]+' "$log" | grep -oE '[0-9]+$' || echo "?")
  secs=$(echo "$done_line" | grep -oE 'in [0-9]+ second' | grep -oE '[0-9]+' || echo "?")
  if [ $status -ne 0 ]; then
    printf '%-26s FAILED (exit %s): see %s\n' "$target" "$status" "$log"
    grep -E 'ERROR: |property broken|runtime error' "$log" | head -n 5 | sed 's/^/    /'
    return 1
  fi
  printf '%-26s %10s executions in %5s s, %s exec/s, corpus %s inputs, 0 crashes\n' "$target" "$execs" "$secs" \
    "$(grep -oE 'stat::average_exec_per_sec: *[0-9]+' "$log" | grep -oE '[0-9]+$' || echo "?")" \
    "$(ls "$work" | wc -l)"
}

failed=0
pids=()
for target in "${targets[@]}"; do
  run_one "$target" &
  pids+=($!)
  if [ ${#pids[@]} -ge "$parallel" ]; then
    wait "${pids[0]}" || failed=1
    pids=("${pids[@]:1}")
  fi
done
for pid in "${pids[@]}"; do wait "$pid" || failed=1; done
exit $failed
