#!/usr/bin/env bash
# A private headless desktop session: Xvfb, a D-Bus session bus and the AT-SPI accessibility bus, optionally
# with a window manager. Used by the integration tests, CI and the demo.
#
#   headless-session.sh start [--wm] [--no-a11y] [--wayland] [--state-dir DIR]   start (or reuse) the session;
#                                                        prints its environment. --no-a11y: no accessibility bus,
#                                                        and a session bus that cannot start one (a minimal
#                                                        desktop). --wayland: sway (headless) with Xwayland
#                                                        instead of Xvfb; see headless-wayland.sh
#   headless-session.sh env   [--state-dir DIR]          print the environment of the running session
#   headless-session.sh wm-start|wm-stop [--state-dir DIR]  add or remove the window manager
#   headless-session.sh stop  [--state-dir DIR]          stop every process it started, by pid, newest first
#   headless-session.sh status [--state-dir DIR]         exit 0 when the session is up
#
# The environment is printed as `export KEY=VALUE` lines:   eval "$(scripts/headless-session.sh start)"
# Running start twice reuses a live session; stop on a session that is gone does nothing. Every wait is
# bounded; start exits non-zero with a message on stderr when a piece does not come up. TAVOLIN_SESSION_SCREEN
# sets the X screen (default 1280x1024x24; 2560x1600x24 with QT_SCALE_FACTOR=2 shows a HiDPI desktop).
set -euo pipefail

die() { echo "headless-session: $*" >&2; exit 1; }

cmd=${1:-}
[ -n "$cmd" ] || die "usage: $0 start|env|wm-start|wm-stop|stop|status [--wm] [--state-dir DIR]"
shift
with_wm=0
no_a11y=0
wayland=0
state_dir="${TMPDIR:-/tmp}/tavolin-headless-$(id -u)"
while [ $# -gt 0 ]; do
  case "$1" in
    --wm) with_wm=1 ;;
    --no-a11y) no_a11y=1 ;;
    --wayland) wayland=1 ;;
    --state-dir) [ $# -ge 2 ] || die "--state-dir needs a directory"; state_dir=$2; shift ;;
    *) die "unknown argument: $1" ;;
  esac
  shift
done
state="$state_dir/session.env"
# shellcheck source=headless-wayland.sh
. "$(dirname "${BASH_SOURCE[0]}")/headless-wayland.sh"

# A process is alive when it exists and is not a zombie (a dead child may linger as one for a while).
alive() {
  local pid=$1
  [ -n "$pid" ] && [ -r "/proc/$pid/stat" ] || return 1
  local st
  st=$(sed 's/^.*) //' "/proc/$pid/stat" 2>/dev/null | cut -d' ' -f1) || return 1
  [ "$st" != "Z" ] && [ -n "$st" ]
}

# Sends SIGTERM to a process group, waits up to 3 s for its leader, then SIGKILLs the group.
stop_group() {
  local pid=$1
  alive "$pid" || return 0
  kill -TERM -- "-$pid" 2>/dev/null || kill -TERM "$pid" 2>/dev/null || true
  for _ in $(seq 30); do alive "$pid" || return 0; sleep 0.1; done
  kill -KILL -- "-$pid" 2>/dev/null || kill -KILL "$pid" 2>/dev/null || true
}

load_state() {
  XVFB_PID="" BUS_PID="" LAUNCHER_PID="" WM_PID="" DISPLAY_NAME="" BUS_ADDRESS="" NO_A11Y=0
  MODE=x11 SWAY_PID="" SWAY_SOCK="" RUNTIME_DIR="" WAYLAND_NAME="" SESSION_UID="" SESSION_GID="" KEYBOARD_PID=""
  # shellcheck disable=SC1090
  [ -r "$state" ] && . "$state"
  return 0
}

save_state() {
  mkdir -p "$state_dir"
  local tmp="$state.tmp.$$"
  {
    echo "XVFB_PID=$XVFB_PID"; echo "BUS_PID=$BUS_PID"; echo "LAUNCHER_PID=$LAUNCHER_PID"
    echo "WM_PID=$WM_PID"; echo "DISPLAY_NAME=$DISPLAY_NAME"; echo "BUS_ADDRESS='$BUS_ADDRESS'"
    echo "NO_A11Y=$NO_A11Y"
    echo "MODE=$MODE"; echo "SWAY_PID=$SWAY_PID"; echo "SWAY_SOCK=$SWAY_SOCK"; echo "RUNTIME_DIR=$RUNTIME_DIR"
    echo "WAYLAND_NAME=$WAYLAND_NAME"; echo "SESSION_UID=$SESSION_UID"; echo "SESSION_GID=$SESSION_GID"
    echo "KEYBOARD_PID=$KEYBOARD_PID"
  } > "$tmp"
  mv -f "$tmp" "$state"
}

session_up() {
  load_state
  [ "$MODE" = wayland ] && { wayland_session_up; return; }
  alive "$XVFB_PID" && alive "$BUS_PID" && { [ "$NO_A11Y" = 1 ] || alive "$LAUNCHER_PID"; }
}

print_env() {
  [ "$MODE" = wayland ] && { wayland_print_env; return 0; }
  echo "export DISPLAY=$DISPLAY_NAME"
  echo "export DBUS_SESSION_BUS_ADDRESS=$BUS_ADDRESS"
  echo "export GDK_BACKEND=x11"
  echo "export QT_QPA_PLATFORM=xcb"
  echo "export GSETTINGS_BACKEND=memory"
  echo "export TAVOLIN_HEADLESS_STATE=$state_dir"
  # A machine without a login session has no runtime folder; programs want a private one (Qt warns).
  if [ -z "${XDG_RUNTIME_DIR:-}" ] || [ ! -d "$XDG_RUNTIME_DIR" ]; then
    mkdir -p "$state_dir/runtime" && chmod 700 "$state_dir/runtime"
    echo "export XDG_RUNTIME_DIR=$state_dir/runtime"
  fi
  # Qt 6.4 connects to an exported AT_SPI_BUS_ADDRESS but never registers; NO_AT_BRIDGE hides GTK apps.
  echo "unset WAYLAND_DISPLAY AT_SPI_BUS_ADDRESS NO_AT_BRIDGE"
}

do_stop() {
  load_state
  [ "$MODE" = wayland ] && wayland_stop
  stop_group "$WM_PID"
  stop_group "$LAUNCHER_PID"
  stop_group "$BUS_PID"
  stop_group "$XVFB_PID"
  rm -f "$state"
}

wm_up() { xprop -display "$DISPLAY_NAME" -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }

# Openbox names itself on the root window before it handles map requests: under load a window mapped in
# between stayed unmapped for good (a test's application "showed no window"). So the window manager counts as
# up once a probe window (xmessage, of x11-utils) has been mapped through it; a probe it lost is tried again.
wm_maps_windows() {
  local probe="tavolin-wm-probe-$$" pid state=""
  DISPLAY=$DISPLAY_NAME xmessage -name "$probe" -geometry 1x1+0+0 probe >/dev/null 2>&1 & pid=$!
  for _ in $(seq 20); do
    state=$(xwininfo -display "$DISPLAY_NAME" -name "$probe" 2>/dev/null | awk '/Map State/ { print $3 }' || true)
    [ "$state" = IsViewable ] && break
    sleep 0.05
  done
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  [ "$state" = IsViewable ]
}

do_wm_start() {
  session_up || die "no session in $state_dir"
  if alive "$WM_PID"; then return 0; fi
  command -v openbox >/dev/null || die "openbox is not installed (scripts/install-deps.sh)"
  WM_PID=$(DISPLAY=$DISPLAY_NAME DBUS_SESSION_BUS_ADDRESS=$BUS_ADDRESS \
    setsid openbox --sm-disable >"$state_dir/openbox.log" 2>&1 & echo $!)
  save_state
  for _ in $(seq 50); do wm_up && break; sleep 0.1; done
  for _ in $(seq 5); do wm_up && wm_maps_windows && return 0; done
  die "the window manager did not come up, or maps no window (see $state_dir/openbox.log)"
}

do_wm_stop() {
  load_state
  stop_group "$WM_PID"
  WM_PID=""
  [ -r "$state" ] && save_state
  return 0
}

# Waits (bounded) until the launcher just started serves the accessibility bus, then asks its registry once
# so at-spi2-registryd runs before the first application. Stops the session and exits when it does not.
await_accessibility_bus() {
  local a11y=""
  for _ in $(seq 50); do
    # Ask only once our launcher owns the name: a call to an unowned name makes the bus start a second
    # launcher, and whichever loses the name exits (often ours, leaving a session that looks dead).
    DBUS_SESSION_BUS_ADDRESS=$BUS_ADDRESS timeout 2 gdbus call --session --dest org.freedesktop.DBus \
      --object-path /org/freedesktop/DBus --method org.freedesktop.DBus.NameHasOwner org.a11y.Bus 2>/dev/null \
      | grep -q true || { sleep 0.1; continue; }
    a11y=$(DBUS_SESSION_BUS_ADDRESS=$BUS_ADDRESS timeout 2 gdbus call --session --dest org.a11y.Bus \
      --object-path /org/a11y/bus --method org.a11y.Bus.GetAddress 2>/dev/null \
      | sed -n "s/^('\(.*\)',)$/\1/p") || true
    [ -n "$a11y" ] && break
    sleep 0.1
  done
  [ -n "$a11y" ] || { do_stop; die "the accessibility bus did not come up (see $state_dir/at-spi.log)"; }
  timeout 5 gdbus call --address "$a11y" --timeout 4 --dest org.a11y.atspi.Registry \
    --object-path /org/a11y/atspi/accessible/root --method org.freedesktop.DBus.Properties.Get \
    org.a11y.atspi.Accessible ChildCount >/dev/null 2>&1 \
    || { do_stop; die "the accessibility registry did not answer"; }
}

do_start() {
  if session_up; then
    [ "$with_wm" = 1 ] && do_wm_start
    print_env
    return 0
  fi
  do_stop # leftovers of a half-dead session
  mkdir -p "$state_dir"
  [ "$wayland" = 1 ] && { wayland_start; return 0; }
  for tool in Xvfb dbus-daemon gdbus xprop; do
    command -v "$tool" >/dev/null || die "$tool is not installed (scripts/install-deps.sh)"
  done
  local launcher=/usr/libexec/at-spi-bus-launcher
  [ -x "$launcher" ] || die "$launcher is missing (package at-spi2-core)"

  # 1. Xvfb picks a free display itself and writes its number when it is ready. Without -noreset the server
  #    resets when its last client leaves, which wipes the accessibility bus property on the root window.
  local dfile="$state_dir/display.$$"
  rm -f "$dfile"
  XVFB_PID=$(setsid Xvfb -displayfd 3 -screen 0 "${TAVOLIN_SESSION_SCREEN:-1280x1024x24}" -nolisten tcp -noreset \
    3>"$dfile" >"$state_dir/xvfb.log" 2>&1 & echo $!)
  save_state
  for _ in $(seq 100); do [ -s "$dfile" ] && break; alive "$XVFB_PID" || break; sleep 0.05; done
  [ -s "$dfile" ] || { do_stop; die "Xvfb did not start (see $state_dir/xvfb.log)"; }
  DISPLAY_NAME=":$(tr -d '[:space:]' < "$dfile")"
  rm -f "$dfile"

  # 2. A session bus whose pid we know (dbus-launch hides it). Without accessibility, a bus with no service
  #    folders, so nothing can start the accessibility bus on demand.
  local out bus_config=(--session)
  NO_A11Y=$no_a11y
  if [ "$no_a11y" = 1 ]; then
    cat > "$state_dir/bus.conf" <<'CONF'
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:tmpdir=/tmp</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
CONF
    bus_config=(--config-file="$state_dir/bus.conf")
  fi
  out=$(timeout 5 dbus-daemon "${bus_config[@]}" --fork --print-address=1 --print-pid=1) \
    || { do_stop; die "dbus-daemon did not start"; }
  BUS_ADDRESS=$(echo "$out" | sed -n 1p)
  BUS_PID=$(echo "$out" | sed -n 2p)
  save_state
  if [ "$no_a11y" = 1 ]; then
    [ "$with_wm" = 1 ] && do_wm_start
    print_env
    return 0
  fi

  # 3. The accessibility bus, then one registry call so at-spi2-registryd is running before the first app.
  LAUNCHER_PID=$(DISPLAY=$DISPLAY_NAME DBUS_SESSION_BUS_ADDRESS=$BUS_ADDRESS \
    setsid "$launcher" --launch-immediately --a11y=1 >"$state_dir/at-spi.log" 2>&1 & echo $!)
  save_state
  await_accessibility_bus

  [ "$with_wm" = 1 ] && do_wm_start
  print_env
}

case "$cmd" in
  start) do_start ;;
  env) session_up || die "no session in $state_dir"; print_env ;;
  wm-start) do_wm_start ;;
  wm-stop) do_wm_stop ;;
  stop) do_stop ;;
  status) session_up ;;
  *) die "unknown command: $cmd" ;;
esac
