#!/usr/bin/env bash
# Installs what is needed, builds everything and runs every test:
#   1. the full build (warnings are errors) and all its tests;
#   2. the Qt-Core-only libraries again with clang, AddressSanitizer + UndefinedBehaviorSanitizer and the
#      fuzzers' coverage: their tests (run here only, not in the full build) and the fuzz targets;
#   3. every fuzz target for a few seconds over its corpus, so an input that once crashed stays checked.
# Any failing test or sanitizer report fails the run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash scripts/install-deps.sh

jobs=$(nproc)
export CCACHE_DIR=${CCACHE_DIR:-$HOME/.cache/ccache}
export CCACHE_MAXSIZE=${CCACHE_MAXSIZE:-3G}
# Cache hits across checkouts in different folders (CI clones afresh each run).
export CCACHE_BASEDIR=$root CCACHE_NOHASHDIR=true

step() { printf '\n== %s\n' "$*"; }
# Each ctest run's output is also kept, so the last line can count every test of the run.
results=$(mktemp)
trap 'rm -f "$results"' EXIT
run_ctest() { ctest "$@" 2>&1 | tee -a "$results"; }

step "build (RelWithDebInfo, -Werror)"
# Line tables are enough for backtraces and cost a third less compile time than full debug information.
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG" \
  -DTAVOLIN_WERROR=ON -DTAVOLIN_CORE_TESTS=OFF >/dev/null
cmake --build build -j "$jobs"

step "lock annotations (clang -Wthread-safety over every source that takes a lock)"
python3 scripts/check-thread-safety.py build

step "tests"
run_ctest --test-dir build --output-on-failure -j "$jobs" --timeout 300

step "build of the core libraries, their tests and the fuzz targets with clang, ASan + UBSan"
bash scripts/fuzz.sh --build-only

step "core tests under ASan + UBSan"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export LSAN_OPTIONS=suppressions=$root/tests/lsan.supp:print_suppressions=0
run_ctest --test-dir build-fuzz --output-on-failure -j "$jobs" --timeout 600

step "fuzz targets, ${TAVOLIN_FUZZ_SECONDS:-5} s each over their corpora"
bash scripts/fuzz.sh --seconds "${TAVOLIN_FUZZ_SECONDS:-5}"

# Reached only when everything above passed (set -e, pipefail).
total=$(grep -oE 'tests failed out of [0-9]+' "$results" | awk '{ sum += $5 } END { print sum + 0 }')
printf '\ntests: %s passed, 0 failed\n' "$total"
