#!/usr/bin/env bash
# Sets everything up and runs Tavolin.
#   On a desktop ($DISPLAY or $WAYLAND_DISPLAY set): starts the palette in your session; press Ctrl+Shift+P
#   over an application (or bind `tavolin --show` to a key of your own).
#   Without a display: starts a private headless session with a sample application (Mousepad) and the Qt
#   fixture, starts the palette, opens it over Mousepad, saves a screenshot and prints its path.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
# On a desktop only what building and running need; the headless demo adds its session, window manager and
# sample application.
on_desktop=false
[ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && on_desktop=true
targets=(tavolin tavolin-preferences tavolin-menu)
if $on_desktop; then
  bash scripts/install-deps.sh build run
else
  bash scripts/install-deps.sh build run demo
  targets+=(tavolin-menu-fixture)
fi
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAVOLIN_BENCHMARKS=OFF >/dev/null
cmake --build build -j "$(nproc)" --target "${targets[@]}"
tavolin=$root/build/src/ui/shell/tavolin

if $on_desktop; then
  echo "Starting Tavolin in your session; press Ctrl+Shift+P over an application."
  exec "$tavolin"
fi

state_dir="${TMPDIR:-/tmp}/tavolin-demo-$(id -u)"
out_dir="$root/build/artifacts/demo"
mkdir -p "$out_dir"
pids=()
cleanup() {
  for ((i=${#pids[@]}-1; i>=0; i--)); do kill "${pids[$i]}" 2>/dev/null || true; done
  bash scripts/headless-session.sh stop --state-dir "$state_dir" >/dev/null 2>&1 || true
}
trap cleanup EXIT

eval "$(bash scripts/headless-session.sh start --wm --state-dir "$state_dir")"
# The demo's settings and history stay out of the user's own.
export XDG_CONFIG_HOME="$state_dir/config" XDG_DATA_HOME="$state_dir/data" XDG_CACHE_HOME="$state_dir/cache"
mkdir -p "$XDG_CONFIG_HOME/tavolin"
[ -f "$XDG_CONFIG_HOME/tavolin/io.quorvane.Tavolin.json" ] ||
  echo '{"skipWelcome": true}' > "$XDG_CONFIG_HOME/tavolin/io.quorvane.Tavolin.json"

fixture=$root/build/tests/fixtures/tavolin-menu-fixture
[ -x "$fixture" ] && { "$fixture" >/dev/null 2>&1 & pids+=($!); }
# --disable-server: a Mousepad of the user's own must not take the window over.
mousepad --disable-server >/dev/null 2>&1 & pids+=($!)
"$tavolin" >"$out_dir/tavolin.log" 2>&1 & pids+=($!)

# Bounded waits: Mousepad's window, then the palette's start-up (its accessibility check is logged last).
wait_for() { for _ in $(seq 1 100); do "$@" >/dev/null 2>&1 && return 0; sleep 0.1; done; return 1; }
wait_for xdotool search --onlyvisible --class mousepad || echo "Mousepad did not show a window" >&2
win=$(xdotool search --onlyvisible --class mousepad | head -n1 || true)
# The panel opens in the middle of the screen: put Mousepad there too (the window manager placed it beside
# the fixture), so the picture shows the palette over the application it lists.
[ -n "$win" ] && xdotool windowsize --sync "$win" 900 700 windowmove --sync "$win" 190 162 2>/dev/null || true
[ -n "$win" ] && xdotool windowactivate --sync "$win" 2>/dev/null || true
wait_for grep -q AXIsProcessTrusted "$out_dir/tavolin.log" || echo "Tavolin did not start: see $out_dir/tavolin.log" >&2
"$tavolin" --show
wait_for xdotool search --onlyvisible --name '^Tavolin$' || echo "The palette did not appear" >&2
# Let the menu rows arrive and paint before the picture is taken.
sleep 1
shot="$out_dir/tavolin-$(date +%Y%m%d-%H%M%S).png"
# ImageMagick's own grab: xwd (x11-apps) is not among the installed packages.
import -window root "$shot"
echo "Screenshot of the palette over Mousepad: $shot"
echo "Palette log: $out_dir/tavolin.log"
